#include "app/batchrun.h"
#include "app/operations.h"
#include "appfixture.h"
#include "base/codec.h"
#include "base/error.h"
#include "store/schema.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;
using namespace Qt::StringLiterals;
using app::BatchSteps;

namespace {

// The batch run with every step replaced by a fake that records its call, so the order and
// the stops between the steps can be checked on their own.
class BatchRunTest : public ::testing::Test, public test::AppFixture
{
protected:
    BatchRunTest()
    {
        ctx->data.ClientDataSet1.createEmpty(store::domesticPaymentFields());
        ctx->data.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());
        s.main.EQuelldatei = QStringLiteral("/srv/quelle.csv");
        s.main.EZieldatei = QStringLiteral("/srv/sepa.xml");
        s.main.RGZahlungsart = app::LastschriftCore;

        steps.readSource = [this](app::Context &c, bool batch) {
            calls << QStringLiteral("read %1").arg(batch);
            c.appendLogLine(QStringLiteral(" Quelldatei ÖFFNEN START"));
            c.state.run.runStatus = readStatus;
            if (readStatus != app::RunStatus::Ok)
                c.state.run.RunSourceError = readReason;
        };
        steps.showMappingPreview = [this](app::Context &) { calls << QStringLiteral("preview"); };
        steps.importRecords = [this](app::Context &c) {
            calls << QStringLiteral("import");
            if (importFails)
                c.state.run.runStatus = app::RunStatus::ImportFailed;
        };
        steps.createSepaFile = [this](app::Context &c, bool dd, const QString &li, bool ibanOnly) {
            calls << QStringLiteral("sepa %1 %2 %3").arg(dd).arg(li).arg(ibanOnly);
            statusDuringSepa = c.state.main.statusText;
            if (sepaThrows)
                throw Error(
                    QStringLiteral("Die Datei \"/srv/sepa.xml\" kann nicht erstellt werden."));
        };
        steps.addHistoryEntry = [this](app::Context &, const QString &log) {
            calls << QStringLiteral("history");
            historyLog = log;
        };
        steps.coverSheet = [this](app::Context &) { calls << QStringLiteral("cover"); };
        steps.bookingList = [this](app::Context &) { calls << QStringLiteral("list"); };
        steps.archiveRunRecords = [this](app::Context &) { calls << QStringLiteral("archive"); };
        steps.saveSettings = [this](app::Context &) { calls << QStringLiteral("save"); };
    }

    void run() { app::runBatch(*ctx, steps); }
    QString logFolder() const { return dataDir() + QStringLiteral("Log/"); }
    QStringList logFiles() const { return QDir(logFolder()).entryList(QDir::Files); }

    app::MainState &s = ctx->state;
    BatchSteps steps;
    QStringList calls;
    app::RunStatus readStatus = app::RunStatus::Ok;
    QString readReason;
    bool importFails = false;
    bool sepaThrows = false;
    QString statusDuringSepa;
    QString historyLog;
};

} // namespace

TEST_F(BatchRunTest, RunsTheStepsInOrderAndWritesTheLogFileBeforeTheHistory)
{
    s.main.CBBegleit = true;
    s.main.CBBuchungs = true;
    s.log.MLog.append(clock.now(), QStringLiteral(" früherer Lauf €"));
    run();
    EXPECT_EQ(calls, (QStringList{u"read 1"_s, u"preview"_s, u"import"_s, u"sepa 1 CORE 0"_s,
                                  u"history"_s, u"cover"_s, u"list"_s, u"archive"_s, u"save"_s}));
    EXPECT_EQ(s.main.statusText, QStringLiteral("Verarbeitung beendet"));
    EXPECT_EQ(statusDuringSepa, QStringLiteral("Verarbeitung beginnt..."));

    // 8 December 2022, 14:05:09.042: seconds and milliseconds without separator.
    const QString log = logFolder() + QStringLiteral("Log_8-12-2022_14-5_942.txt");
    EXPECT_EQ(historyLog, log);
    EXPECT_EQ(test::readFile(log), "08.12.2022 14:05:09 fr\xfchere"
                                   "r Lauf \x80\r\n08.12.2022 14:05:09 Quelldatei \xd6"
                                   "FFNEN START\r\n");
}

TEST_F(BatchRunTest, WithoutSourceNameOnlyTheMessageIsShownAfterTheFiltersAreSet)
{
    settings->writeInteger(u"", u"LastBuchungID-EU", 120);
    settings->writeInteger(u"", u"LastBuchungID-D", 7);
    s.main.EQuelldatei.clear();
    run();
    EXPECT_TRUE(calls.isEmpty());
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].what, QStringLiteral("plain"));
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("Keine Quelldatei angegeben!"));
    EXPECT_EQ(s.main.statusText, QStringLiteral("Verarbeitung beginnt..."));
    EXPECT_EQ(ctx->data.ClientDataSetAZV.filter(), QStringLiteral("ID > 120"));
    EXPECT_EQ(ctx->data.ClientDataSet1.filter(), QStringLiteral("ID > 7"));
    EXPECT_TRUE(ctx->data.ClientDataSetAZV.filtered());
    EXPECT_FALSE(s.run.sepaFileWritten);
}

TEST_F(BatchRunTest, AMissingOrUnreadableSourceStopsBeforeAnythingIsWritten)
{
    const std::pair<app::RunStatus, QString> cases[] = {
        {app::RunStatus::SourceNotFound,
         QStringLiteral("Die Quelldatei konnte nicht gefunden werden!")},
        {app::RunStatus::SourceUnreadable, QStringLiteral("Fehler beim Lesen aus der Quelldatei!")},
    };
    for (const auto &[status, text] : cases) {
        calls.clear();
        readStatus = status;
        run();
        EXPECT_EQ(calls, QStringList{QStringLiteral("read 1")});
        EXPECT_EQ(s.main.statusText, text);
        EXPECT_EQ(s.run.runStatus, status);
        EXPECT_FALSE(QFileInfo::exists(logFolder())) << "no log file for a run that stopped";
        EXPECT_EQ(s.log.MLog.lines().size(), status == app::RunStatus::SourceNotFound ? 1 : 2)
            << "the reader's lines stay";
    }
}

TEST_F(BatchRunTest, ARefusedSourceTellsItsReasonToWhoeverRunsWithoutAWindow)
{
    s.run.RunSourceError = QStringLiteral("von einem früheren Lesen");
    readStatus = app::RunStatus::SourceUnreadable;
    readReason = QStringLiteral("\"/srv/quelle.csv\" ist verschlüsselt oder kennwortgeschützt.");
    run();
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_EQ(dialogs.notices(), QStringList{readReason});

    // A reader without a reason adds nothing, and an earlier reason is not repeated.
    dialogs.clear();
    readReason.clear();
    s.run.RunSourceError = QStringLiteral("von einem früheren Lesen");
    run();
    EXPECT_TRUE(dialogs.notices().isEmpty());
    readStatus = app::RunStatus::Ok;
    run();
    EXPECT_TRUE(s.run.RunSourceError.isEmpty());
}

TEST_F(BatchRunTest, AFailedRecordShowsItsStatusAndTheRunGoesOn)
{
    importFails = true;
    run();
    EXPECT_EQ(statusDuringSepa,
              QStringLiteral("Beim Einlesen eines Datensatzes ist ein Fehler aufgetreten: Siehe "
                             "Log-Datei"));
    EXPECT_EQ(calls.last(), QStringLiteral("save"));
    EXPECT_EQ(s.main.statusText, QStringLiteral("Verarbeitung beendet"));
    EXPECT_EQ(s.run.runStatus, app::RunStatus::ImportFailed);
}

TEST_F(BatchRunTest, ThePaymentTypeChoosesTheDocumentAndCreditTransfersIgnoreIbanOnly)
{
    s.main.CBIBANonly = true;
    const std::pair<int, QString> cases[] = {
        {app::LastschriftCore, QStringLiteral("sepa 1 CORE 1")},
        {app::LastschriftCor1, QStringLiteral("sepa 1 COR1 1")},
        {app::LastschriftB2b, QStringLiteral("sepa 1 B2B 1")},
        {app::Gutschrift, QStringLiteral("sepa 0  0")},
    };
    for (const auto &[type, expected] : cases) {
        calls.clear();
        s.main.RGZahlungsart = type;
        run();
        EXPECT_EQ(calls[3], expected);
        EXPECT_TRUE(calls.contains(QStringLiteral("archive")));
    }

    // Without a payment type there is no document and no archive copy, but the log file,
    // the history entry and the save still happen.
    calls.clear();
    s.main.RGZahlungsart = app::NoPaymentType;
    run();
    EXPECT_EQ(calls,
              (QStringList{u"read 1"_s, u"preview"_s, u"import"_s, u"history"_s, u"save"_s}));
}

TEST_F(BatchRunTest, AnErrorEndsTheRunWhereItHappens)
{
    sepaThrows = true;
    s.main.CBBegleit = true;
    EXPECT_THROW(run(), Error);
    EXPECT_EQ(calls.last(), QStringLiteral("sepa 1 CORE 0"));
    EXPECT_FALSE(QFileInfo::exists(logFolder()));
    EXPECT_EQ(s.main.statusText, QStringLiteral("Verarbeitung beginnt..."));
}

TEST_F(BatchRunTest, ALogFolderThatCannotBeCreatedStopsTheRunBeforeTheHistory)
{
    test::writeFile(dataDir() + QStringLiteral("Log"), "kein Ordner");
    try {
        run();
        FAIL() << "expected an error";
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Das Verzeichnis")))
            << e.message().toStdString();
    }
    EXPECT_FALSE(calls.contains(QStringLiteral("history")));
    EXPECT_FALSE(s.log.MLog.isEmpty()) << "the lines stay in memory";
}

TEST_F(BatchRunTest, TwoRunsInTheSameMillisecondGetTwoLogFilesAndTheSecondHasBothRuns)
{
    run();
    run();
    run();
    EXPECT_EQ(logFiles(),
              (QStringList{u"Log_8-12-2022_14-5_942.txt"_s, u"Log_8-12-2022_14-5_942_2.txt"_s,
                           u"Log_8-12-2022_14-5_942_3.txt"_s}));
    const QByteArray first = test::readFile(logFolder() + logFiles()[0]);
    const QByteArray second = test::readFile(logFolder() + logFiles()[1]);
    EXPECT_TRUE(second.startsWith(first));
    EXPECT_EQ(second.count("START"), 2);
}

TEST(RunLogFileName, HasNoLeadingZerosAndNoSeparatorBeforeTheMilliseconds)
{
    EXPECT_EQ(app::runLogFileName(QDateTime(QDate(2022, 12, 8), QTime(14, 5, 9, 42))),
              QStringLiteral("Log_8-12-2022_14-5_942.txt"));
    EXPECT_EQ(app::runLogFileName(QDateTime(QDate(2023, 1, 2), QTime(0, 0, 0, 0))),
              QStringLiteral("Log_2-1-2023_0-0_00.txt"));
    EXPECT_EQ(app::runLogFileName(QDateTime(QDate(2023, 10, 31), QTime(23, 59, 59, 999))),
              QStringLiteral("Log_31-10-2023_23-59_59999.txt"));
}

TEST(RunLogFile, HasTheBytesOfTheProcessingLogForAnyText)
{
    QTemporaryDir dir;
    app::ProcessingLog log;
    const QDateTime when(QDate(2022, 12, 8), QTime(14, 5, 9));
    log.append(when, QStringLiteral(" Quelldatei ÖFFNEN START"));
    log.append(when, QStringLiteral(" € und ß, Łódź, 😀 und ein einzelnes ") + QChar(0xD800) +
                         QStringLiteral(" Ende"));
    log.append(when, QString());
    log.append(when, QString(3000000, u'x')); // longer than a block
    log.lines().append(QString());
    const QString path = dir.filePath(QStringLiteral("Log.txt"));
    app::writeLogLines(log.lines(), path);
    EXPECT_EQ(test::readFile(path), log.fileBytes());
}
