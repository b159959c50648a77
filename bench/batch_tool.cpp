// Prepares an installation for the whole-run benchmark (bench/batch.sh):
//
//   batch_tool prepare <root> <count>
//
// writes <root>/data/Ordovan 2022/ (the six working tables, Mandant 1 with a valid account),
// <root>/config/Brunnhold Software/Ordovan.reg (Mandant 1: source, target, ";" separated,
// double quotes, title row, amounts "11,58", credit transfer, the mapping) and the source
// <root>/Bank/quelle.csv with <count> credit transfers (Windows-1252, CR LF). Transfer i is
// the one bench/batch_npm.mjs builds from the same file.
#include "base/codec.h"
#include "base/error.h"
#include "platform/files.h"
#include "platform/settingsstore.h"
#include "store/datamodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace ordovan;

namespace {

QString ibanFor(int i)
{
    const QString bban = QString::number(370400440000000000LL + i);
    int r = 0;
    for (QChar c : bban + QStringLiteral("131400"))
        r = (r * 10 + c.digitValue()) % 97;
    return QStringLiteral("DE%1").arg(98 - r, 2, 10, QChar(u'0')) + bban;
}

void writeSource(const QString &path, int count)
{
    static const char16_t *const names[] = {u"Müller", u"Schäfer", u"Größmann", u"Weiß",
                                            u"Öztürk", u"Bäcker",  u"Jäger",    u"Krüger"};
    QString text = QStringLiteral("\"Name\";\"IBAN\";\"BIC\";\"Betrag\";\"Zweck\"\r\n");
    QByteArray bytes;
    bytes.reserve(qsizetype(count) * 110);
    bytes += codec::toCp1252(text);
    for (int i = 0; i < count; ++i) {
        text = QStringLiteral("\"%1 Nummer %2\";\"%3\";\"COBADEFFXXX\";%4,%5;\"Rechnung %6 "
                              "vom 08.12.2022\"\r\n")
                   .arg(QString::fromUtf16(names[i % 8]))
                   .arg(i)
                   .arg(ibanFor(i))
                   .arg(10 + i % 10000)
                   .arg(i % 100, 2, 10, QChar(u'0'))
                   .arg(100000 + i);
        bytes += codec::toCp1252(text);
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw Error(QStringLiteral("cannot write ") + path);
}

void prepare(const QString &root, int count)
{
    const QString dataDir = root + QStringLiteral("/data/Ordovan 2022/");
    const QString bank = root + QStringLiteral("/Bank/");
    platform::ensureDirectory(dataDir);
    platform::ensureDirectory(bank);

    store::DataModule data(dataDir);
    data.createEmptyWorkingTables();
    store::Table &m = data.ClientDataSet3;
    m.insert();
    m.setValue(u"ID", 1);
    m.setValue(u"Name", QStringLiteral("Verein für Benchmarks e.V."));
    m.setValue(u"IBAN1", QStringLiteral("DE89370400440532013000"));
    m.setValue(u"BIC1", QStringLiteral("COBADEFFXXX"));
    m.setValue(u"GlID", QStringLiteral("DE98ZZZ09999999999"));
    m.setValue(u"Aktives Konto", 1);
    m.post();
    data.saveTable(m);

    platform::SettingsStore settings(root +
                                     QStringLiteral("/config/Brunnhold Software/Ordovan.reg"));
    platform::SettingsStore::Batch batch(settings);
    settings.writeInteger(u"", u"Mandant", 1);
    settings.writeInteger(u"", u"LastMandantID", 1);
    settings.writeString(u"1", u"Quelldatei", bank + QStringLiteral("quelle.csv"));
    settings.writeString(u"1", u"Zieldatei", bank + QStringLiteral("sepa.xml"));
    settings.writeString(u"1", u"Trennzeichen", QStringLiteral("Semikolon"));
    settings.writeString(u"1", u"Textkennzeichner", QStringLiteral("doppelt"));
    settings.writeInteger(u"1", u"Titelzeile", 1);
    settings.writeInteger(u"1", u"Betragformat", 0);
    settings.writeInteger(u"1", u"Zahlungsart", 3);
    const std::pair<const char16_t *, int> mapping[] = {
        {u"NameX", 0}, {u"IBANx", 1}, {u"BICx", 2}, {u"Betrag", 3}, {u"Verw1", 4}};
    for (const auto &[name, index] : mapping)
        settings.writeInteger(u"1", name, index);
    batch.commit();

    writeSource(bank + QStringLiteral("quelle.csv"), count);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4 || args[1] != u"prepare") {
        std::fprintf(stderr, "usage: batch_tool prepare <root> <count>\n");
        return 64;
    }
    try {
        prepare(QDir(args[2]).absolutePath(), args[3].toInt());
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
