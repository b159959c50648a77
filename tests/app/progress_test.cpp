// A long run reports its progress often enough for a window to stay alive: every step of a
// run over 100,000 records reports in small pieces (64 records, a quarter of a file, each
// table file), so that no step keeps the window silent for long. How long that is in seconds is the
// benchmarks' business (the slowest gap seen: about 0.14 s in a release build).
#include "app/batchrun.h"
#include "app/context.h"
#include "app/operations.h"
#include "e2e_support.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "support/recording.h"
#include "support/scripteddesktop.h"
#include "support/scripteddialogs.h"

#include <QFileInfo>
#include <QHash>

#include <gtest/gtest.h>

using namespace ordovan;
using test::Installation;

TEST(BatchProgress, A100000RecordRunReportsEveryStepInSmallPieces)
{
    Installation inst;
    inst.createTables();
    inst.configure(1, 3);
    QList<QStringList> records;
    records.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        records << Installation::record(
            QStringLiteral("Empfänger %1").arg(i), QStringLiteral("DE89370400440532013000"),
            QStringLiteral("COBADEFFXXX"), QStringLiteral("%1,%2").arg(i % 900 + 1).arg(i % 100),
            QStringLiteral("Rechnung %1").arg(i));
    inst.writeSource(records);

    platform::SettingsStore settings(inst.settingsPath());
    test::ScriptedDialogs dialogs;
    test::ScriptedDesktop desktop;
    platform::SystemClock clock;
    reports::RecordingPrintService printing;
    app::Services services;
    services.dialogs = &dialogs;
    services.desktop = &desktop;
    services.clock = &clock;
    services.printing = &printing;
    app::Context ctx(inst.dataDir(), settings, services);
    app::prepareProgram(ctx);
    app::startUp(ctx);

    QStringList steps;
    QHash<QString, qint64> last;
    QHash<QString, qint64> widest; // the most records (bytes, lines) between two reports
    QHash<QString, qint64> totals;
    ctx.progress = [&](const QString &step, qint64 done, qint64 total) {
        totals[step] = total;
        if (steps.isEmpty() || steps.last() != step)
            steps << step;
        EXPECT_LE(done, total) << step.toStdString();
        widest[step] = std::max(widest.value(step), done - last.value(step));
        last[step] = done;
    };
    app::runBatch(ctx);
    ASSERT_TRUE(QFileInfo::exists(inst.bank() + QStringLiteral("sepa.xml")))
        << dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(ctx.state.run.RunRecordCount, QStringLiteral("100000"));
    // Records go in pieces of 64 at most; what is counted in bytes or lines (reading the
    // source, writing the log file) in at least four pieces.
    for (const QString &step : steps)
        EXPECT_LE(widest.value(step), std::max<qint64>(64, totals.value(step) / 4))
            << step.toStdString() << " of " << totals.value(step);
    EXPECT_EQ(last.value(app::batchtexts::stepSaving), 6) << "each table file is reported";
    EXPECT_EQ(steps, (QStringList{app::batchtexts::stepReading, app::batchtexts::stepImporting,
                                  app::batchtexts::stepChecking, app::batchtexts::stepWriting,
                                  app::batchtexts::stepLogFile, app::batchtexts::stepArchiving,
                                  app::batchtexts::stepSaving}));
}
