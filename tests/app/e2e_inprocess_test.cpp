// The whole program in this process, on a prepared data folder, with scripted dialogs: the
// cases a command line cannot script (the user aborting at the summary) and two runs within
// one program run.
#include "app/context.h"
#include "app/operations.h"
#include "e2e_support.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "support/recording.h"
#include "support/scripteddesktop.h"
#include "support/scripteddialogs.h"
#include "testutil.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ordovan;
using test::Installation;

namespace {

class InProcessRun : public ::testing::Test
{
protected:
    InProcessRun() : clock(QDateTime(QDate(2022, 12, 8), QTime(14, 5, 9, 42)), 1)
    {
        inst.createTables();
        inst.configure(1, 3);
        inst.settings().writeInteger(u"1", u"Begleit", 1);
        inst.writeSource({
            Installation::record(
                QStringLiteral("Anna Schäfer"), QStringLiteral("DE89370400440532013000"),
                QStringLiteral("COBADEFFXXX"), QStringLiteral("234,5"), QStringLiteral("Miete")),
            Installation::record(QStringLiteral("Falsch"), QStringLiteral("DE00"),
                                 QStringLiteral("COBADEFFXXX"), QStringLiteral("1,00"),
                                 QStringLiteral("x")),
        });
    }

    // Starts the program as the command line words say (the run happens inside).
    void start(const QStringList &words)
    {
        settings = std::make_unique<platform::SettingsStore>(inst.settingsPath());
        app::Services services;
        services.dialogs = &dialogs;
        services.desktop = &desktop;
        services.clock = &clock;
        services.printing = &printer;
        services.unattended = true;
        ctx = std::make_unique<app::Context>(inst.dataDir(), *settings, services);
        ctx->args = words;
        while (ctx->args.size() < 3)
            ctx->args << QString();
        app::prepareProgram(*ctx);
        app::startUp(*ctx);
    }

    QString target() const { return inst.bank() + QStringLiteral("sepa.xml"); }

    Installation inst;
    test::ScriptedDialogs dialogs;
    test::ScriptedDesktop desktop;
    platform::FixedClock clock;
    reports::RecordingPrintService printer;
    std::unique_ptr<platform::SettingsStore> settings;
    std::unique_ptr<app::Context> ctx;
};

} // namespace

TEST_F(InProcessRun, AbortAtTheSummaryDeletesTheFileButTheRunKeepsItsAccount)
{
    dialogs.pushButton(platform::Abort);
    start({QStringLiteral("start"), QStringLiteral("gs"), QStringLiteral("1")});
    ASSERT_TRUE(ctx->outcome.runFinished);
    EXPECT_EQ(ctx->state.main.statusText, QStringLiteral("Verarbeitung beendet"));
    const QStringList shown = dialogs.texts();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.last().startsWith(QStringLiteral("Insgesamt wurden 1 Datensätze")));
    EXPECT_FALSE(QFileInfo::exists(target()));
    EXPECT_FALSE(ctx->state.run.sepaFileWritten);

    // Log file, history entry naming the deleted file, the cover sheet and the archive copy
    // are all still there, and the settings save wrote the tables.
    EXPECT_EQ(inst.logFiles().size(), 1);
    auto history = inst.table(QStringLiteral("db2.xml"));
    ASSERT_EQ(history->recordCount(), 1);
    history->first();
    EXPECT_EQ(history->text(u"Dateiname"), target());
    EXPECT_EQ(history->text(u"GesamtzahlSaetze"), QStringLiteral("1"));
    ASSERT_EQ(printer.jobs().size(), 1);
    EXPECT_TRUE(printer.jobs()[0].texts().contains(QStringLiteral("234,50")));
    auto archive = inst.table(QStringLiteral("db7.xml"));
    EXPECT_EQ(test::column(*archive, QStringLiteral("ID")), QStringList{QStringLiteral("1")});
    // "start" leaves the program open.
    EXPECT_FALSE(ctx->outcome.quitRequested);
}

TEST_F(InProcessRun, TheSecondRunsLogFileHoldsTheFirstRunToo)
{
    start({QStringLiteral("start"), QStringLiteral("gs"), QStringLiteral("1")});
    ASSERT_TRUE(QFileInfo::exists(target()));
    ctx->state.commandLine.allowRepeat = true;
    app::runBatch(*ctx);
    const QStringList logs = inst.logFiles();
    ASSERT_EQ(logs.size(), 2);
    const QByteArray first = test::readFile(inst.logDir() + logs[0]);
    const QByteArray second = test::readFile(inst.logDir() + logs[1]);
    EXPECT_TRUE(second.startsWith(first));
    EXPECT_EQ(second.count(" SEPA-Datei ERSTELLEN ENDE\r\n"), 2);

    // The booking list of the second run lists only that run's surviving record.
    ctx->state.main.CBLogspeichern = true;
    app::printBookingList(*ctx);
    const QByteArray list = test::readFile(inst.bank() + QStringLiteral("Buchungsliste.txt"));
    EXPECT_EQ(list.count("\r\n"), 5);
    EXPECT_TRUE(list.contains("\r\n3 -- Anna Sch\xe4"
                              "fer -- "));
}
