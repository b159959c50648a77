// Two copies of the program started at the same time (two scheduled jobs, say) must both
// finish, and neither may lose what the other one stored.
#include "e2e_support.h"

#include <future>

#include <gtest/gtest.h>

using namespace ordovan;
using test::Installation;

TEST(TwoCopies, RunningAtOnceBothKeepTheirRecordsAndHistory)
{
    Installation inst;
    inst.createTables();
    inst.configure(1, 3);
    QList<QStringList> records;
    for (int i = 0; i < 2000; ++i)
        records << Installation::record(QStringLiteral("Kunde %1").arg(i),
                                        QStringLiteral("DE89370400440532013000"),
                                        QStringLiteral("COBADEFFXXX"), QStringLiteral("1,00"),
                                        QStringLiteral("Rechnung %1").arg(i));
    inst.writeSource(records);

    // The same list twice on purpose: without --allow-repeat the copy that comes second
    // would refuse it.
    const QStringList words = {QStringLiteral("--allow-repeat"), QStringLiteral("startstop"),
                               QStringLiteral("gs"), QStringLiteral("1")};
    auto first = std::async(std::launch::async, [&] { return inst.run(words); });
    auto second = std::async(std::launch::async, [&] { return inst.run(words); });
    const Installation::Result a = first.get();
    const Installation::Result b = second.get();
    EXPECT_EQ(a.exitCode, 0) << a.standardError.toStdString();
    EXPECT_EQ(b.exitCode, 0) << b.standardError.toStdString();

    auto records5 = inst.table(QStringLiteral("db5.xml"));
    EXPECT_EQ(records5->recordCount(), 4000);
    QStringList ids = test::column(*records5, QStringLiteral("ID"));
    ids.removeDuplicates();
    EXPECT_EQ(ids.size(), 4000) << "no number handed out twice";
    EXPECT_EQ(inst.table(QStringLiteral("db7.xml"))->recordCount(), 4000);
    auto history = inst.table(QStringLiteral("db2.xml"));
    EXPECT_EQ(history->recordCount(), 2) << "both runs keep their history row";
    EXPECT_EQ(inst.logFiles().size(), 2);
}
