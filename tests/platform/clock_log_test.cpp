// The system clock that looks up the UTC offset once per second, and the processing log that
// reuses the timestamp text within a second.
#include "app/processinglog.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

using namespace ordovan;

TEST(SystemClock, ShowsTheLocalDateAndTime)
{
    platform::SystemClock clock;
    for (int i = 0; i < 3; ++i) {
        const QDateTime before = QDateTime::currentDateTime();
        const QDateTime now = clock.now();
        const QDateTime after = QDateTime::currentDateTime();
        EXPECT_LE(before.toMSecsSinceEpoch(), now.toMSecsSinceEpoch());
        EXPECT_GE(after.toMSecsSinceEpoch(), now.toMSecsSinceEpoch());
        EXPECT_EQ(now.offsetFromUtc(), before.offsetFromUtc());
        EXPECT_EQ(now.date(), now.toLocalTime().date());
        EXPECT_EQ(now.time(), now.toLocalTime().time());
    }
}

TEST(ProcessingLog, TimestampFollowsEveryLineExactly)
{
    app::ProcessingLog log;
    const QDateTime t0(QDate(2022, 12, 8), QTime(23, 59, 59, 900));
    log.append(t0, QStringLiteral(" a"));
    log.append(t0.addMSecs(50), QStringLiteral(" b"));
    log.append(t0.addMSecs(100), QStringLiteral(" c")); // exactly midnight: only the date
    log.append(t0.addMSecs(101), QStringLiteral(" d"));
    log.append(t0.addMSecs(1100), QStringLiteral(" e"));
    const QDateTime utc(QDate(2022, 12, 9), QTime(0, 0, 1), Qt::UTC);
    log.append(utc, QStringLiteral(" f"));
    log.append(utc.toOffsetFromUtc(3600), QStringLiteral(" g")); // same instant, other offset
    EXPECT_EQ(log.lines(),
              (QStringList{
                  QStringLiteral("08.12.2022 23:59:59 a"), QStringLiteral("08.12.2022 23:59:59 b"),
                  QStringLiteral("09.12.2022 c"), QStringLiteral("09.12.2022 00:00:00 d"),
                  QStringLiteral("09.12.2022 00:00:01 e"), QStringLiteral("09.12.2022 00:00:01 f"),
                  QStringLiteral("09.12.2022 01:00:01 g")}));
}
