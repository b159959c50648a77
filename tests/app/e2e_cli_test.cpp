// The whole program through its command line: `ordovan --unattended <words>` on a prepared
// data folder, checked afterwards in the SEPA file, the log file, the table files and the
// settings file.
#include "e2e_support.h"
#include "schemacheck.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace ordovan;
using test::Installation;

namespace {

const QString kValidIban = QStringLiteral("DE89370400440532013000");
const QString kValidIban2 = QStringLiteral("DE02120300000000202051");

// A Mandant without a stored generation writes the one the banks take today: the 2019
// messages from 14.11.2026 on.
QString todaysVersion(bool directDebit)
{
    const bool v2019 = QDate::currentDate() >= QDate(2026, 11, 14);
    if (directDebit)
        return v2019 ? QStringLiteral("pain.008.001.08") : QStringLiteral("pain.008.001.02");
    return v2019 ? QStringLiteral("pain.001.001.09") : QStringLiteral("pain.001.001.03");
}

// Validates against the ISO schema and the banks' subset.
void expectValid(const QString &file, const QString &version)
{
    EXPECT_SCHEMA_VALID(file, version);
}

class CommandLineRun : public ::testing::Test
{
protected:
    Installation inst;

    QString target() const { return inst.bank() + QStringLiteral("sepa.xml"); }
    QByteArray sepaFile() const { return test::readFile(target()); }
    QByteArray onlyLogFile() const
    {
        const QStringList logs = inst.logFiles();
        EXPECT_EQ(logs.size(), 1);
        return logs.isEmpty() ? QByteArray() : test::readFile(inst.logDir() + logs[0]);
    }
    // The settings file as the program left it (read afresh).
    qint32 global(const char16_t *name) const
    {
        return platform::SettingsStore(inst.settingsPath()).readInteger(u"", name);
    }
};

} // namespace

TEST_F(CommandLineRun, CreditTransferWithRejectedRecordsEndToEnd)
{
    inst.createTables();
    inst.configure(1, 0); // stored as direct debit; the command line chooses the transfer
    inst.writeSource({
        Installation::record(QStringLiteral("Anna Schäfer"), kValidIban,
                             QStringLiteral("COBADEFFXXX"), QStringLiteral("100,50"),
                             QStringLiteral("Miete Mai")),
        Installation::record(
            QStringLiteral("Falsche IBAN"), QStringLiteral("DE00370400440532013000"),
            QStringLiteral("COBADEFFXXX"), QStringLiteral("20,00"), QStringLiteral("x")),
        Installation::record(QStringLiteral("Kein Betrag"), kValidIban,
                             QStringLiteral("COBADEFFXXX"), QStringLiteral("zwanzig"),
                             QStringLiteral("y")),
        Installation::record(QStringLiteral("Bernd Groß"), kValidIban2,
                             QStringLiteral("BYLADEM1001"), QStringLiteral("0,07"),
                             QStringLiteral("Beitrag")),
    });

    const Installation::Result r =
        inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 3) << r.standardError.toStdString();
    EXPECT_TRUE(r.standardError.contains(
        QStringLiteral("Insgesamt wurden 2 Datensätze mit einer Gesamtsumme von 100,57")))
        << r.standardError.toStdString();

    // The SEPA file: two transfers, valid.
    const QByteArray sepa = sepaFile();
    EXPECT_TRUE(sepa.contains(todaysVersion(false).toLatin1()));
    EXPECT_TRUE(sepa.contains("<NbOfTxs>2</NbOfTxs>"));
    EXPECT_TRUE(sepa.contains("<CtrlSum>100.57</CtrlSum>"));
    EXPECT_TRUE(sepa.contains("Bernd Gross"));
    EXPECT_FALSE(sepa.contains("Falsche IBAN"));
    expectValid(target(), todaysVersion(false));

    // The log file: Windows-1252, every line ended by CR LF, the rejections in it.
    const QByteArray log = onlyLogFile();
    EXPECT_TRUE(log.contains(" Datensatz ID 3 Fehler beim Import in das Feld BETRAG"));
    EXPECT_TRUE(log.contains(" SEPA-Datei Datensatz ID 2 FEHLER: Ung\xfcltige IBAN\r\n"));
    EXPECT_TRUE(log.endsWith(" SEPA-Datei ERSTELLEN ENDE\r\n"));

    // db5.xml keeps the records of the file; db7.xml archives them; db2.xml has the run.
    auto azv = inst.table(QStringLiteral("db5.xml"));
    EXPECT_EQ(test::column(*azv, QStringLiteral("ID")),
              (QStringList{QStringLiteral("1"), QStringLiteral("4")}));
    auto archive = inst.table(QStringLiteral("db7.xml"));
    EXPECT_EQ(test::column(*archive, QStringLiteral("Name1")),
              (QStringList{QStringLiteral("Anna Schäfer"), QStringLiteral("Bernd Groß")}));
    auto history = inst.table(QStringLiteral("db2.xml"));
    ASSERT_EQ(history->recordCount(), 1);
    history->first();
    EXPECT_EQ(history->text(u"VonID"), QStringLiteral("1"));
    EXPECT_EQ(history->text(u"BisID"), QStringLiteral("4"));
    EXPECT_EQ(history->text(u"Zahlungsart"), QStringLiteral("Gutschrift"));
    EXPECT_EQ(history->text(u"GesamtzahlSaetze"), QStringLiteral("2"));
    EXPECT_EQ(history->number(history->field(u"Gesamtbetrag")), 100.57);
    EXPECT_EQ(history->text(u"Dateiname"), target());
    EXPECT_EQ(history->text(u"LogDatei"), inst.logDir() + inst.logFiles().value(0));
    EXPECT_EQ(history->text(u"Mandantenname"), QStringLiteral("Müller Getränke GmbH"));

    // The settings: counters and the payment type of the run, stored by the settings save.
    EXPECT_EQ(global(u"LastBuchungID-EU"), 4);
    EXPECT_EQ(global(u"LastHistoryID"), 1);
    EXPECT_EQ(platform::SettingsStore(inst.settingsPath()).readInteger(u"1", u"Zahlungsart"), 3);
    // Only the two reports' sources and the SEPA file lie in the folder: nothing half-written.
    EXPECT_EQ(inst.bankFiles(),
              (QStringList{QStringLiteral("quelle.csv"), QStringLiteral("sepa.xml")}));
}

TEST_F(CommandLineRun, DirectDebitCoreAndTwoRunsInARow)
{
    inst.createTables();
    inst.configure(1, 3);
    inst.writeSource({
        Installation::record(QStringLiteral("Anna Schäfer"), kValidIban,
                             QStringLiteral("COBADEFFXXX"), QStringLiteral("12,34"),
                             QStringLiteral("Beitrag 2023"), QStringLiteral("MANDAT-1")),
        Installation::record(QStringLiteral("Bernd Groß"), kValidIban2,
                             QStringLiteral("BYLADEM1001"), QStringLiteral("1.000,00"),
                             QStringLiteral("Beitrag 2023"), QStringLiteral("MANDAT-2")),
    });
    const QStringList words = {QStringLiteral("startstop"), QStringLiteral("ls_core"),
                               QStringLiteral("1")};
    Installation::Result r = inst.run(words);
    ASSERT_EQ(r.exitCode, 3) << "1.000,00 is no amount: " << r.standardError.toStdString();

    inst.writeSource({
        Installation::record(QStringLiteral("Anna Schäfer"), kValidIban,
                             QStringLiteral("COBADEFFXXX"), QStringLiteral("12,34"),
                             QStringLiteral("Beitrag 2023"), QStringLiteral("MANDAT-1")),
        Installation::record(QStringLiteral("Bernd Groß"), kValidIban2,
                             QStringLiteral("BYLADEM1001"), QStringLiteral("1000"),
                             QStringLiteral("Beitrag 2023"), QStringLiteral("MANDAT-2")),
    });
    r = inst.run(words);
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    const QByteArray sepa = sepaFile();
    EXPECT_TRUE(sepa.contains(todaysVersion(true).toLatin1()));
    EXPECT_TRUE(sepa.contains("<Cd>CORE</Cd>"));
    EXPECT_TRUE(sepa.contains("<MndtId>MANDAT-2</MndtId>"));
    EXPECT_TRUE(sepa.contains("<CtrlSum>1012.34</CtrlSum>"));
    expectValid(target(), todaysVersion(true));

    // The second run numbers on: records 3 and 4, a second history row and log file.
    EXPECT_EQ(inst.logFiles().size(), 2);
    auto history = inst.table(QStringLiteral("db2.xml"));
    EXPECT_EQ(test::column(*history, QStringLiteral("VonID")),
              (QStringList{QStringLiteral("1"), QStringLiteral("3")}));
    EXPECT_EQ(test::column(*history, QStringLiteral("BisID")),
              (QStringList{QStringLiteral("2"), QStringLiteral("4")}));
    EXPECT_EQ(
        test::column(*history, QStringLiteral("Zahlungsart")),
        (QStringList{QStringLiteral("Lastschrift CORE"), QStringLiteral("Lastschrift CORE")}));
    auto azv = inst.table(QStringLiteral("db5.xml"));
    EXPECT_EQ(test::column(*azv, QStringLiteral("ID")),
              (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("4")}));
    auto archive = inst.table(QStringLiteral("db7.xml"));
    EXPECT_EQ(archive->recordCount(), 3);
    EXPECT_EQ(global(u"LastBuchungID-EU"), 4);
    EXPECT_EQ(global(u"LastHistoryID"), 2);
    EXPECT_EQ(platform::SettingsStore(inst.settingsPath()).readInteger(u"1", u"Zahlungsart"), 0);
}

TEST_F(CommandLineRun, AMissingSourceStopsWithoutTouchingAnything)
{
    inst.createTables();
    inst.configure(1, 3, QStringLiteral("fehlt.csv"));
    const QByteArray history = test::readFile(inst.dataDir() + QStringLiteral("db2.xml"));
    const QByteArray settingsBefore = test::readFile(inst.settingsPath());
    const Installation::Result r = inst.run({QStringLiteral("startstop")});
    EXPECT_EQ(r.exitCode, 2) << r.standardError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(inst.logDir()));
    EXPECT_EQ(test::readFile(inst.dataDir() + QStringLiteral("db2.xml")), history);
    EXPECT_EQ(test::readFile(inst.settingsPath()), settingsBefore) << "counters unchanged";
    EXPECT_FALSE(QFileInfo::exists(target()));
}

TEST_F(CommandLineRun, ARejectedOrderingPartyWritesNoFileButKeepsTheAccount)
{
    Installation::Mandant bad;
    bad.iban = QStringLiteral("DE00370400440532013000");
    inst.createTables({bad});
    inst.configure(1, 3);
    inst.writeSource(
        {Installation::record(QStringLiteral("Anna"), kValidIban, QStringLiteral("COBADEFFXXX"),
                              QStringLiteral("5,00"), QStringLiteral("z"))});
    test::writeFile(target(), "alte Datei");
    const Installation::Result r = inst.run({QStringLiteral("startstop"), QStringLiteral("gs")});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_TRUE(r.standardError.contains(QStringLiteral(
        "Auftraggeber-IBAN fehlerhaft. Bitte in Fenster \"Mandanten\" korrigieren.")))
        << r.standardError.toStdString();
    EXPECT_EQ(sepaFile(), QByteArray("alte Datei")) << "the file creation stopped before writing";
    EXPECT_EQ(inst.logFiles().size(), 1);
    auto history = inst.table(QStringLiteral("db2.xml"));
    ASSERT_EQ(history->recordCount(), 1);
    history->first();
    EXPECT_TRUE(history->text(u"GesamtzahlSaetze").isEmpty());
    EXPECT_EQ(inst.table(QStringLiteral("db7.xml"))->recordCount(), 1) << "archive copy";
}

TEST_F(CommandLineRun, CommandLineWordsAndTheirErrors)
{
    inst.createTables();
    inst.configure(1, 3, QString());
    // No source named: the message, then the end; no SEPA file.
    Installation::Result r = inst.run({QStringLiteral("startstop")});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_TRUE(r.standardError.contains(QStringLiteral("Keine Quelldatei angegeben!")));
    EXPECT_FALSE(QFileInfo::exists(inst.logDir()));

    // A Mandant number that is no number: the conversion error, no run.
    r = inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("eins")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.standardError.contains(QStringLiteral("'eins' ist kein gültiger Integerwert")))
        << r.standardError.toStdString();

    // Letter case matters: no run, nothing to report.
    r = inst.run({QStringLiteral("START"), QStringLiteral("gs")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.standardError.isEmpty()) << r.standardError.toStdString();

    r = inst.run({QStringLiteral("--gibtsnicht")});
    EXPECT_EQ(r.exitCode, 64);
}

TEST_F(CommandLineRun, ReportsGoBesideTheTargetFileAsTextOrPdf)
{
    inst.createTables();
    inst.configure(1, 3);
    inst.settings().writeInteger(u"1", u"Begleit", 1);
    inst.settings().writeInteger(u"1", u"Buchungs", 1);
    inst.settings().writeInteger(u"1", u"LogSpeichern", 1);
    inst.writeSource({Installation::record(QStringLiteral("Anna Schäfer"), kValidIban,
                                           QStringLiteral("COBADEFFXXX"),
                                           QStringLiteral("123456,78"), QStringLiteral("Miete"))});
    Installation::Result r = inst.run({QStringLiteral("startstop")});
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    const QByteArray cover = test::readFile(inst.bank() + QStringLiteral("Begleitzettel.txt"));
    EXPECT_TRUE(cover.contains("Typ: SEPA-Gutschriften\r\n"));
    EXPECT_TRUE(cover.contains("Summe Datens\xe4tze (EUR): 123456,78\r\n"));
    const QByteArray list = test::readFile(inst.bank() + QStringLiteral("Buchungsliste.txt"));
    EXPECT_TRUE(list.contains("1 -- Anna Sch\xe4"
                              "fer -- DE89370400440532013000 -- COBADEFFXXX -- Miete -- "
                              "123456,78 -- "));

    inst.settings().writeInteger(u"1", u"LogSpeichern", 0);
    r = inst.run({QStringLiteral("--allow-repeat"), QStringLiteral("startstop")});
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    EXPECT_TRUE(
        test::readFile(inst.bank() + QStringLiteral("Begleitzettel.pdf")).startsWith("%PDF"));
    EXPECT_TRUE(
        test::readFile(inst.bank() + QStringLiteral("Buchungsliste.pdf")).startsWith("%PDF"));
}

TEST_F(CommandLineRun, BadTargetsEndTheRunWithAGermanMessageAndKeepTheData)
{
    inst.createTables();
    inst.writeSource(
        {Installation::record(QStringLiteral("Anna"), kValidIban, QStringLiteral("COBADEFFXXX"),
                              QStringLiteral("5,00"), QStringLiteral("z"))});
    QDir().mkpath(inst.bank() + QStringLiteral("ordner.xml"));
    QStringList targets = {
        QStringLiteral("fehlt/sepa.xml"),
        QStringLiteral("ordner.xml"),
    };
    if (::geteuid() != 0) { // root writes into read-only folders
        QDir().mkpath(inst.bank() + QStringLiteral("gesperrt"));
        QFile::setPermissions(inst.bank() + QStringLiteral("gesperrt"),
                              QFile::ReadOwner | QFile::ExeOwner);
        targets << QStringLiteral("gesperrt/sepa.xml");
    }
    int run = 0;
    for (const QString &t : targets) {
        inst.configure(1, 3, QStringLiteral("quelle.csv"), t);
        const Installation::Result r = inst.run({QStringLiteral("startstop")});
        ++run;
        EXPECT_EQ(r.exitCode, 1) << t.toStdString();
        EXPECT_TRUE(r.standardError.contains(QStringLiteral("kann nicht erstellt werden")))
            << r.standardError.toStdString();
        // The run ended at the file: no log file, no history; the imported records still
        // reached their table file when the program ended.
        EXPECT_FALSE(QFileInfo::exists(inst.logDir()));
        EXPECT_EQ(inst.table(QStringLiteral("db2.xml"))->recordCount(), 0);
        EXPECT_EQ(inst.table(QStringLiteral("db5.xml"))->recordCount(), run);
    }
    EXPECT_EQ(inst.bankFiles(), QStringList{QStringLiteral("quelle.csv")});
}

TEST_F(CommandLineRun, AFullDiskLeavesNoHalfWrittenFileAndLosesNothingStored)
{
    inst.createTables();
    inst.configure(1, 3);
    QList<QStringList> records;
    for (int i = 0; i < 400; ++i)
        records << Installation::record(
            QStringLiteral("Empfänger %1").arg(i), kValidIban, QStringLiteral("COBADEFFXXX"),
            QStringLiteral("1,00"), QStringLiteral("Verwendungszweck mit etwas Text %1").arg(i));
    inst.writeSource(records);
    test::writeFile(target(), "vorige Datei");
    // A first start without a run writes the bank directory file while there is room.
    ASSERT_EQ(inst.run({}).exitCode, 0);
    const QByteArray mandanten = test::readFile(inst.dataDir() + QStringLiteral("mandant.xml"));

    const Installation::Result r = inst.run({QStringLiteral("startstop")}, 64);
    EXPECT_EQ(r.exitCode, 1) << r.standardError.toStdString();
    EXPECT_TRUE(r.standardError.contains(
        QStringLiteral("Die Datei \"%1\" kann nicht erstellt werden.").arg(target())))
        << r.standardError.toStdString();
    EXPECT_EQ(sepaFile(), QByteArray("vorige Datei"));
    EXPECT_EQ(inst.bankFiles(),
              (QStringList{QStringLiteral("quelle.csv"), QStringLiteral("sepa.xml")}));
    // Every table file still reads; none was left half-written.
    for (const QString &name :
         {QStringLiteral("db1.xml"), QStringLiteral("db2.xml"), QStringLiteral("db5.xml"),
          QStringLiteral("db6.xml"), QStringLiteral("db7.xml"), QStringLiteral("mandant.xml")})
        EXPECT_NO_THROW(inst.table(name)) << name.toStdString();
    EXPECT_EQ(test::readFile(inst.dataDir() + QStringLiteral("mandant.xml")), mandanten);
    const QStringList leftovers =
        QDir(inst.dataDir()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".xml."));
    EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(u' ').toStdString();
    EXPECT_EQ(platform::SettingsStore(inst.settingsPath()).readInteger(u"", u"Mandant"), 1);
}

TEST_F(CommandLineRun, ARunWithoutValidRecordAfterAGoodOneLeavesAnEmptyHistoryEntry)
{
    inst.createTables();
    inst.configure(1, 3);
    inst.writeSource(
        {Installation::record(QStringLiteral("Anna"), kValidIban, QStringLiteral("COBADEFFXXX"),
                              QStringLiteral("5,00"), QStringLiteral("z"))});
    ASSERT_EQ(inst.run({QStringLiteral("startstop")}).exitCode, 0);
    inst.writeSource({Installation::record(QStringLiteral("Anna"), QStringLiteral("DE00"),
                                           QStringLiteral("COBADEFFXXX"), QStringLiteral("5,00"),
                                           QStringLiteral("z"))});
    const Installation::Result r = inst.run({QStringLiteral("startstop")});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_TRUE(r.standardError.contains(QStringLiteral(
        "Es wurden keine Datensätze in die SEPA-Datei geschrieben. Details finden Sie unter "
        "\"Log-Datei\".")))
        << r.standardError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(target()));
    auto history = inst.table(QStringLiteral("db2.xml"));
    ASSERT_EQ(history->recordCount(), 2);
    history->last();
    EXPECT_EQ(history->text(u"VonID"), QStringLiteral("2"));
    EXPECT_TRUE(history->text(u"Zahlungsart").isEmpty());
    EXPECT_TRUE(history->text(u"GesamtzahlSaetze").isEmpty());
    EXPECT_TRUE(history->isNull(history->field(u"Gesamtbetrag")));
    EXPECT_EQ(inst.logFiles().size(), 2);
    EXPECT_EQ(inst.table(QStringLiteral("db7.xml"))->recordCount(), 1) << "empty archive copy";
}

TEST_F(CommandLineRun, AnErrorKeepsItsReasonOnStandardError)
{
    inst.createTables();
    inst.configure(1, 3, QStringLiteral("quelle.csv"), QStringLiteral("fehlt/sepa.xml"));
    inst.writeSource(
        {Installation::record(QStringLiteral("Anna"), kValidIban, QStringLiteral("COBADEFFXXX"),
                              QStringLiteral("5,00"), QStringLiteral("Miete"))});
    const Installation::Result r =
        inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 1);
    // The German message, and beneath it what the system said.
    EXPECT_TRUE(r.standardError.contains(inst.bank() + QStringLiteral("fehlt/sepa.xml")))
        << r.standardError.toStdString();
    EXPECT_TRUE(
        r.standardError.contains(u"Technische Ursache: Datei oder Verzeichnis nicht gefunden"))
        << r.standardError.toStdString();
}

TEST_F(CommandLineRun, BackupAndRestoreForAdministrators)
{
    inst.createTables();
    inst.configure(1, 3);
    inst.writeSource(
        {Installation::record(QStringLiteral("Anna"), kValidIban, QStringLiteral("COBADEFFXXX"),
                              QStringLiteral("5,00"), QStringLiteral("Miete"))});
    ASSERT_EQ(
        inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")}).exitCode,
        0);
    QTemporaryDir folder;
    // No --unattended needed: both run without a window.
    const QString backup = folder.path();
    Installation::Result r = inst.run({QStringLiteral("--backup=") + backup});
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    for (const char *file : {"db1.xml", "db2.xml", "mandant.xml", "db5.xml", "db6.xml", "db7.xml",
                             "einstellungen.reg"})
        EXPECT_TRUE(QFileInfo::exists(backup + u'/' + QString::fromLatin1(file))) << file;

    Installation other;
    r = other.run({QStringLiteral("--restore=") + backup});
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    EXPECT_EQ(other.table(QStringLiteral("db5.xml"))->recordCount(), 1);
    EXPECT_EQ(other.table(QStringLiteral("db2.xml"))->recordCount(), 1);
    EXPECT_EQ(platform::SettingsStore(other.settingsPath()).readInteger(u"", u"LastBuchungID-EU"),
              1);

    // A backup that lost a file restores nothing and says which.
    QFile::remove(backup + QStringLiteral("/db6.xml"));
    Installation third;
    r = third.run({QStringLiteral("--restore=") + backup});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.standardError.contains(backup + QStringLiteral("/db6.xml")))
        << r.standardError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(third.dataDir() + QStringLiteral("db5.xml")) &&
                 third.table(QStringLiteral("db5.xml"))->recordCount() > 0);
}
