// A long run reports its progress often enough for a window to stay alive: with 100,000
// records no step may keep the program silent for more than half a second.
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

#include <QElapsedTimer>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ordovan;
using test::Installation;

TEST(BatchProgress, A100000RecordRunReportsAtLeastEveryHalfSecond)
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

    QElapsedTimer clockRun;
    qint64 last = 0;
    qint64 longest = 0;
    QString longestAfter = QStringLiteral("(start)");
    QString previous = QStringLiteral("(start)");
    QStringList steps;
    ctx.progress = [&](const QString &step, qint64 done, qint64 total) {
        const qint64 now = clockRun.elapsed();
        if (now - last > longest) {
            longest = now - last;
            longestAfter = previous;
        }
        last = now;
        previous = QStringLiteral("%1 %2/%3").arg(step).arg(done).arg(total);
        if (steps.isEmpty() || steps.last() != step)
            steps << step;
        EXPECT_LE(done, total) << step.toStdString();
    };
    clockRun.start();
    app::runBatch(ctx);
    const qint64 end = clockRun.elapsed();
    if (end - last > longest) {
        longest = end - last;
        longestAfter = previous;
    }
    ASSERT_TRUE(QFileInfo::exists(inst.bank() + QStringLiteral("sepa.xml")))
        << dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(ctx.state.run.RunRecordCount, QStringLiteral("100000"));
    EXPECT_LE(longest, 500) << "silent for " << longest << " ms after "
                            << longestAfter.toStdString() << " (run " << end << " ms)";
    EXPECT_EQ(steps, (QStringList{app::batchtexts::stepReading, app::batchtexts::stepImporting,
                                  app::batchtexts::stepChecking, app::batchtexts::stepWriting,
                                  app::batchtexts::stepLogFile, app::batchtexts::stepArchiving,
                                  app::batchtexts::stepSaving}));
}
