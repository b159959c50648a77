// Benchmark tool for the table file reader and writer.
//
//   tablefile_tool generate <file> <rows>   a payment table file (db5.xml) of realistic rows,
//                                           written with the program's own writer
//   tablefile_tool bigattr <file> <MB>      a payment table whose single row carries a
//                                           purpose attribute of that many megabytes
//   tablefile_tool load <file> [runs]       reads the file into a table; prints milliseconds
//   tablefile_tool save <file> <out> [runs] reads and writes in turn; prints both times
//
// Times are the minimum over the runs, in milliseconds, with the process's peak memory.
#include "store/schema.h"
#include "store/table.h"
#include "store/tablefile.h"

#include "base/error.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

using namespace ordovan;
using namespace ordovan::store;

namespace {

double elapsedMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// IBAN check digits (ISO 13616, mod 97) so the generated accounts are real-looking.
QString germanIban(const QString &bankCode, const QString &account)
{
    const QString bban = bankCode + account;
    const QString digits = bban + QStringLiteral("131400"); // "DE" = 13 14, then 00
    int rest = 0;
    for (QChar c : digits)
        rest = (rest * 10 + c.digitValue()) % 97;
    return QStringLiteral("DE%1%2").arg(98 - rest, 2, 10, QLatin1Char('0')).arg(bban);
}

void generate(const QString &path, int rows)
{
    static const char16_t *first[] = {u"Jürgen", u"Björn", u"Renate", u"Hans-Peter",
                                      u"Käthe",  u"Sören", u"Ursula", u"Maximilian",
                                      u"Gülay",  u"Zoë",   u"Thomas", u"Anneliese"};
    static const char16_t *last[] = {u"Müller", u"Schäfer", u"Weiß",     u"Großmann",
                                     u"Köhler", u"Bäcker",  u"Schröder", u"Hoffmann",
                                     u"Öztürk", u"Krüger",  u"Fuchs",    u"Lindemann-Jäger"};
    static const char16_t *streets[] = {u"Hauptstraße", u"Lindenallee", u"Am Mühlbach",
                                        u"Königsweg",   u"Gartenstr.",  u"Schloßplatz"};
    static const char16_t *towns[] = {u"80331 München", u"50667 Köln",      u"01067 Dresden",
                                      u"20095 Hamburg", u"70173 Stuttgart", u"90402 Nürnberg"};
    static const char16_t *bics[] = {u"COBADEFFXXX", u"GENODEF1S04", u"DEUTDEDBXXX",
                                     u"BYLADEM1001", u"PBNKDEFFXXX", u"HASPDEHHXXX"};
    static const char16_t *types[] = {u"Lastschrift CORE", u"Lastschrift COR1", u"Lastschrift B2B",
                                      u"Gutschrift"};
    std::mt19937 rng(20240601);
    auto pick = [&rng](auto &list) { return QString::fromUtf16(list[rng() % std::size(list)]); };

    Table t(QStringLiteral("ClientDataSetAZV"));
    t.setIndexField(QStringLiteral("ID"));
    t.createEmpty(sepaPaymentFields());
    const QDate base(2021, 1, 4);
    for (int id = 1; id <= rows; ++id) {
        const QDate day = base.addDays((id / 2000) % 1000);
        t.insert();
        t.setValue(0, id);
        t.setValue(1, pick(first) + u' ' + pick(last));
        if (rng() % 10 < 2)
            t.setValue(2, QStringLiteral("c/o %1 GmbH & Co. KG").arg(pick(last)));
        t.setValue(3, QStringLiteral("%1 %2").arg(pick(streets)).arg(rng() % 180 + 1));
        t.setValue(4, pick(towns));
        t.setValue(5,
                   QStringLiteral("MREF-%1-%2").arg(day.year()).arg(id, 7, 10, QLatin1Char('0')));
        if (rng() % 10 == 0)
            t.setValue(6, QStringLiteral("Frau ") + pick(last));
        const QString bank = QString::number(10000000 + rng() % 89999999);
        t.setValue(7, germanIban(bank, QStringLiteral("%1").arg(rng() % 1000000000, 10, 10,
                                                                QLatin1Char('0'))));
        t.setValue(8, pick(bics));
        t.setValue(9, QStringLiteral("DE"));
        t.setValue(10, QStringLiteral("EUR"));
        t.setValue(11, day.addDays(5));
        t.setValue(12, QStringLiteral("Beitrag %1 Mitglied %2 Rg. %3 §4")
                           .arg(day.year())
                           .arg(rng() % 90000 + 10000)
                           .arg(id));
        t.setValue(13, double(rng() % 250000 + 500) / 100.0);
        t.setValue(14, pick(types));
        t.setValue(15, day);
        t.post();
        // A run removes the odd record its checks reject.
        if (rng() % 500 == 0)
            t.remove();
    }
    writeTableFile(t, path);
}

void bigAttribute(const QString &path, int megabytes)
{
    Table t(QStringLiteral("ClientDataSetAZV"));
    t.createEmpty(sepaPaymentFields());
    writeTableFile(t, path);
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    QByteArray bytes = f.readAll();
    f.close();
    QByteArray purpose;
    const QByteArray piece = "Beitrag f\xFCr Stra\xDF"
                             "enreinigung &amp; M\xFCllabfuhr ";
    purpose.reserve(qsizetype(megabytes) << 20);
    while (purpose.size() < (qsizetype(megabytes) << 20))
        purpose += piece;
    const QByteArray row = "<ROW RowState=\"4\" ID=\"1\" Verwendungszweck=\"" + purpose + "\"/>";
    bytes.replace("<PARAMS/>", "<PARAMS CHANGE_LOG=\"1 0 4\"/>");
    bytes.replace("<ROWDATA></ROWDATA>", "<ROWDATA>" + row + "</ROWDATA>");
    platform::writeFileAtomically(path, bytes);
}

std::vector<double> loads(const QString &path, int runs, Table &t)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        readTableFile(t, path);
        times.push_back(elapsedMs(start));
    }
    return times;
}

int run(const QStringList &args)
{
    const QString cmd = args.value(1);
    if (cmd == u"generate" && args.size() == 4) {
        generate(args[2], args[3].toInt());
    } else if (cmd == u"bigattr" && args.size() == 4) {
        bigAttribute(args[2], args[3].toInt());
    } else if (cmd == u"load" && args.size() >= 3) {
        Table t(QStringLiteral("ClientDataSetAZV"));
        t.setIndexField(QStringLiteral("ID"));
        const auto times = loads(args[2], std::max(1, args.value(3).toInt()), t);
        std::printf("load_ms %.1f rows %d peak_kib %ld\n",
                    *std::min_element(times.begin(), times.end()), t.recordCount(), peakKiB());
    } else if (cmd == u"save" && args.size() >= 4) {
        // Loads and saves alternately, so both meet the same machine; best of each.
        Table t(QStringLiteral("ClientDataSetAZV"));
        t.setIndexField(QStringLiteral("ID"));
        std::vector<double> loadTimes, saveTimes;
        for (int i = 0; i < std::max(1, args.value(4).toInt()); ++i) {
            loadTimes.push_back(loads(args[2], 1, t).front());
            const auto start = std::chrono::steady_clock::now();
            writeTableFile(t, args[3]);
            saveTimes.push_back(elapsedMs(start));
        }
        std::printf("load_ms %.1f save_ms %.1f peak_kib %ld\n",
                    *std::min_element(loadTimes.begin(), loadTimes.end()),
                    *std::min_element(saveTimes.begin(), saveTimes.end()), peakKiB());
    } else {
        std::fprintf(stderr, "usage: tablefile_tool generate|bigattr|load|save ...\n");
        return 64;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments());
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(e.message()), qPrintable(e.detail()));
        return 1;
    }
}
