// Through the command line: mandate dates and sequence types from the source, the execution
// date from the command line, and the guard against turning one list into two files.
#include "e2e_support.h"
#include "schemacheck.h"
#include "testutil.h"

#include "base/codec.h"
#include "sepa/calendar.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ordovan;
using test::Installation;

namespace {

const QString kIban = QStringLiteral("DE89370400440532013000");
const QString kQuestion = QStringLiteral("Diese Quelldatei wurde am %1 bereits verarbeitet (Datei "
                                         "%2). Trotzdem erneut verarbeiten?");

class MandateRun : public ::testing::Test
{
protected:
    QString target() const { return inst.bank() + QStringLiteral("sepa.xml"); }
    QByteArray sepaFile() const { return test::readFile(target()); }
    QStringList words(const char *type = "ls_core") const
    {
        return {QStringLiteral("startstop"), QString::fromLatin1(type), QStringLiteral("1")};
    }
    // A record with a mandate date (column 6) and a sequence type (column 7).
    static QStringList record(const QString &name, const QString &date, const QString &type)
    {
        QStringList r = Installation::record(name, kIban, QStringLiteral("COBADEFFXXX"),
                                             QStringLiteral("10,00"), QStringLiteral("Beitrag"),
                                             QStringLiteral("M-") + name);
        return r << date << type;
    }
    void mapMandateColumns()
    {
        inst.settings().writeInteger(u"1", u"MandatsdatumX", 6);
        inst.settings().writeInteger(u"1", u"SequenztypX", 7);
    }

    Installation inst;
};

} // namespace

TEST_F(MandateRun, MandateDatesAndSequenceTypesFromTheSource)
{
    inst.createTables();
    inst.configure(1, 0);
    mapMandateColumns();
    inst.writeSource({
        record(QStringLiteral("A"), QStringLiteral("01.03.2024"), QStringLiteral("RCUR")),
        record(QStringLiteral("B"), QStringLiteral("2024-02-01"), QStringLiteral("frst")),
        record(QStringLiteral("C"), QString(), QString()),
        record(QStringLiteral("D"), QStringLiteral("5.6.24"), QStringLiteral("Folge")),
        record(QStringLiteral("E"), QString(), QStringLiteral("einmal")),
        record(QStringLiteral("F"), QString(), QStringLiteral("Letzte")),
        record(QStringLiteral("G"), QStringLiteral("31.02.2024"), QStringLiteral("RCUR")),
        record(QStringLiteral("H"), QString(), QStringLiteral("Zweite")),
        record(QStringLiteral("I"), QStringLiteral("01.01.2099"), QStringLiteral("OOFF")),
    });
    for (const char *format : {"--format=2009", "--format=2019"}) {
        SCOPED_TRACE(format);
        QFile::remove(target());
        const Installation::Result r = inst.run(
            QStringList{QString::fromLatin1(format), QStringLiteral("--allow-repeat")} + words());
        ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
        const QByteArray bytes = sepaFile();
        EXPECT_SCHEMA_VALID(target(), QString());

        // The group header counts every collection; one block per type in a fixed order,
        // each with its own id, count and sum.
        EXPECT_TRUE(bytes.contains("<NbOfTxs>6</NbOfTxs>\r\n      <CtrlSum>60.00</CtrlSum>"));
        EXPECT_EQ(bytes.count("<PmtInf>"), 4);
        const qsizetype frst = bytes.indexOf("<SeqTp>FRST</SeqTp>");
        const qsizetype rcur = bytes.indexOf("<SeqTp>RCUR</SeqTp>");
        const qsizetype ooff = bytes.indexOf("<SeqTp>OOFF</SeqTp>");
        const qsizetype fnal = bytes.indexOf("<SeqTp>FNAL</SeqTp>");
        EXPECT_TRUE(frst > 0 && frst < rcur && rcur < ooff && ooff < fnal);
        for (const char *type : {"FRST", "RCUR", "OOFF", "FNAL"})
            EXPECT_EQ(bytes.count(QByteArray("-") + type + "</PmtInfId>"), 1) << type;
        EXPECT_EQ(bytes.count("<NbOfTxs>2</NbOfTxs>\r\n      <CtrlSum>20.00</CtrlSum>"), 2);
        EXPECT_EQ(bytes.count("<NbOfTxs>1</NbOfTxs>\r\n      <CtrlSum>10.00</CtrlSum>"), 2);
        // Dates of signature from the source; without one, the day the file was made.
        EXPECT_TRUE(bytes.contains("<MndtId>M-A</MndtId>\r\n            "
                                   "<DtOfSgntr>2024-03-01</DtOfSgntr>"));
        EXPECT_TRUE(bytes.contains("<MndtId>M-B</MndtId>\r\n            "
                                   "<DtOfSgntr>2024-02-01</DtOfSgntr>"));
        EXPECT_TRUE(bytes.contains("<MndtId>M-D</MndtId>\r\n            "
                                   "<DtOfSgntr>2024-06-05</DtOfSgntr>"));
        EXPECT_TRUE(bytes.contains("<MndtId>M-C</MndtId>\r\n            <DtOfSgntr>" +
                                   QDate::currentDate().toString(Qt::ISODate).toLatin1()));
        // The block of first collections holds B and C, in table order.
        const qsizetype b = bytes.indexOf("<MndtId>M-B</MndtId>");
        const qsizetype c = bytes.indexOf("<MndtId>M-C</MndtId>");
        EXPECT_TRUE(frst < b && b < c && c < rcur);
    }

    const QStringList logs = inst.logFiles();
    ASSERT_EQ(logs.size(), 2);
    // Log names do not sort by time (no leading zeros): read them all.
    QString log;
    for (const QString &name : logs)
        log += codec::fromCp1252(test::readFile(inst.logDir() + name));
    EXPECT_TRUE(log.contains(u" SEPA-Datei Datensatz ID 16 FEHLER: Ungültiges Mandatsdatum\r\n"));
    EXPECT_TRUE(log.contains(u" SEPA-Datei Datensatz ID 17 FEHLER: Ungültiger Sequenztyp\r\n"));
    EXPECT_TRUE(log.contains(u" SEPA-Datei Datensatz ID 18 FEHLER: Ungültiges Mandatsdatum\r\n"));

    // The records keep their mandate data, also in the archive; unreadable ones are gone.
    for (const char *file : {"db5.xml", "db7.xml"}) {
        auto table = inst.table(QString::fromLatin1(file));
        EXPECT_EQ(
            test::column(*table, QStringLiteral("Sequenztyp")).mid(0, 6),
            (QStringList{QStringLiteral("RCUR"), QStringLiteral("FRST"), QString(),
                         QStringLiteral("RCUR"), QStringLiteral("OOFF"), QStringLiteral("FNAL")}))
            << file;
        EXPECT_EQ(test::column(*table, QStringLiteral("Mandatsdatum")).mid(0, 4),
                  (QStringList{QStringLiteral("01.03.2024"), QStringLiteral("01.02.2024"),
                               QString(), QStringLiteral("05.06.2024")}))
            << file;
    }
}

TEST_F(MandateRun, TheExecutionDateFromTheCommandLine)
{
    inst.createTables();
    inst.configure(1, 3);
    inst.writeSource(
        {Installation::record(QStringLiteral("Anna"), kIban, QStringLiteral("COBADEFFXXX"),
                              QStringLiteral("5,00"), QStringLiteral("Miete"))});
    // The next Saturday: the banks are closed, the transfer is made on Monday.
    QDate saturday = QDate::currentDate().addDays(1);
    while (saturday.dayOfWeek() != 6)
        saturday = saturday.addDays(1);
    const QDate monday = sepa::businessDayOnOrAfter(saturday);
    Installation::Result r =
        inst.run(QStringList{QStringLiteral("--execution-date=") + saturday.toString(Qt::ISODate)} +
                 words("gs"));
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    const QString moved = QStringLiteral("SEPA-Datei HINWEIS: Fälligkeitsdatum %1 (nächster "
                                         "möglicher Bankarbeitstag)")
                              .arg(monday.toString(QStringLiteral("dd.MM.yyyy")));
    EXPECT_TRUE(r.standardError.contains(moved)) << r.standardError.toStdString();
    EXPECT_TRUE(sepaFile().contains(monday.toString(Qt::ISODate).toLatin1()));
    EXPECT_FALSE(sepaFile().contains(saturday.toString(Qt::ISODate).toLatin1()));
    auto history = inst.table(QStringLiteral("db2.xml"));
    history->first();
    EXPECT_EQ(history->date(u"Ausfuehrungdatum"), monday);
    const QString log = codec::fromCp1252(test::readFile(inst.logDir() + inst.logFiles().last()));
    EXPECT_TRUE(log.contains(u' ' + moved + QStringLiteral("\r\n")));

    // A date the program cannot read is a bad command line; nothing runs.
    r = inst.run(QStringList{QStringLiteral("--execution-date=31.12.")} + words("gs"));
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_TRUE(r.standardError.contains(u"Ungültiges Ausführungsdatum: 31.12."));
    EXPECT_EQ(inst.logFiles().size(), 1);
}

TEST_F(MandateRun, TheSameListBecomesNoSecondFileUnasked)
{
    QList<Installation::Mandant> mandanten = {Installation::Mandant()};
    Installation::Mandant other;
    other.id = 2;
    other.name = QStringLiteral("Verein Nord e.V.");
    mandanten << other;
    inst.createTables(mandanten);
    inst.configure(1, 3);
    inst.configure(2, 3);
    const QList<QStringList> list = {
        Installation::record(QStringLiteral("Anna"), kIban, QStringLiteral("COBADEFFXXX"),
                             QStringLiteral("5,00"), QStringLiteral("Miete"))};
    inst.writeSource(list);
    Installation::Result r = inst.run(words("gs"));
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    const QByteArray first = sepaFile();

    // Once more: asked, and the default answer "Nein" stops before anything is read.
    r = inst.run(words("gs"));
    EXPECT_EQ(r.exitCode, 4);
    const QString question =
        kQuestion.arg(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")), target());
    EXPECT_TRUE(r.standardError.contains(question)) << r.standardError.toStdString();
    EXPECT_EQ(sepaFile(), first);
    EXPECT_EQ(inst.table(QStringLiteral("db2.xml"))->recordCount(), 1);
    EXPECT_EQ(inst.table(QStringLiteral("db5.xml"))->recordCount(), 1);
    EXPECT_EQ(inst.logFiles().size(), 1);

    // Another Mandant may pay the same list; so may a script that says so.
    r = inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("2")});
    EXPECT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    EXPECT_FALSE(r.standardError.contains(u"bereits verarbeitet"));
    r = inst.run(QStringList{QStringLiteral("--allow-repeat")} + words("gs"));
    EXPECT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    EXPECT_FALSE(r.standardError.contains(u"bereits verarbeitet"));

    // A changed list is not asked about.
    QList<QStringList> changed = list;
    changed[0][3] = QStringLiteral("6,00");
    inst.writeSource(changed);
    r = inst.run(words("gs"));
    EXPECT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    EXPECT_FALSE(r.standardError.contains(u"bereits verarbeitet"));
    EXPECT_EQ(inst.table(QStringLiteral("db2.xml"))->recordCount(), 4);
}

TEST_F(MandateRun, ARunThatLeftNoFileDoesNotCount)
{
    inst.createTables();
    inst.configure(1, 3);
    // No valid record: no file, so the list was never paid.
    inst.writeSource({Installation::record(QStringLiteral("Anna"), QStringLiteral("DE00"),
                                           QStringLiteral("COBADEFFXXX"), QStringLiteral("5,00"),
                                           QStringLiteral("Miete"))});
    Installation::Result r = inst.run(words("gs"));
    EXPECT_EQ(r.exitCode, 4);
    r = inst.run(words("gs"));
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_FALSE(r.standardError.contains(u"bereits verarbeitet"));
    EXPECT_EQ(inst.table(QStringLiteral("db2.xml"))->recordCount(), 2);
}
