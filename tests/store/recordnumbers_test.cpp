// Record numbers: never handed out twice, whatever happens to the rows or the counter.
#include "base/error.h"
#include "platform/settingsstore.h"
#include "store/datamodule.h"
#include "store/recordnumbers.h"
#include "store/schema.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;
using store::RecordNumbers;

namespace {

class RecordNumbersTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    platform::SettingsStore settings{dir.filePath(QStringLiteral("Ordovan.reg"))};
    RecordNumbers numbers{settings};
    store::Table table{QStringLiteral("t")};

    RecordNumbersTest() { table.createEmpty(store::sepaPaymentFields()); }
    void addRow(qint32 id)
    {
        table.insert();
        table.setValue(0, id);
        table.post();
    }
    std::optional<qint32> counter() const
    {
        return settings.integerValue(u"", RecordNumbers::kSepa);
    }
};

TEST_F(RecordNumbersTest, MissingCounterStartsAtOneAndIsWrittenAtOnce)
{
    EXPECT_EQ(numbers.next(RecordNumbers::kSepa, table), 1);
    EXPECT_EQ(counter(), 1);
    EXPECT_EQ(numbers.next(RecordNumbers::kSepa, table), 2);
    EXPECT_EQ(numbers.lastHandedOut(RecordNumbers::kSepa), 2);
    EXPECT_EQ(numbers.lastHandedOut(RecordNumbers::kHistory), -1);
}

TEST_F(RecordNumbersTest, CounterLaggingBehindTheTableIsRaisedFirst)
{
    addRow(7);
    addRow(9);
    table.last();
    table.remove(); // 9 was held once: it is never handed out again
    settings.writeInteger(u"", RecordNumbers::kSepa, 3);
    EXPECT_EQ(numbers.next(RecordNumbers::kSepa, table), 10);

    // Set back once more: the guard knows the highest ID the table ever held (9; the 10 just
    // drawn never reached a row).
    settings.writeInteger(u"", RecordNumbers::kSepa, 2);
    EXPECT_EQ(numbers.guard(RecordNumbers::kSepa, table), 9);
    EXPECT_EQ(counter(), 9);
    settings.writeInteger(u"", RecordNumbers::kSepa, 50);
    EXPECT_EQ(numbers.guard(RecordNumbers::kSepa, table), 50) << "never lowered";
}

TEST_F(RecordNumbersTest, GuardLeavesAMissingCounterOfAnEmptyTableMissing)
{
    EXPECT_EQ(numbers.guard(RecordNumbers::kSepa, table), -1);
    EXPECT_FALSE(counter());
}

TEST_F(RecordNumbersTest, ReservedBlockIsHandedOutInOrderWithOneWrite)
{
    settings.writeInteger(u"", RecordNumbers::kSepa, 100);
    EXPECT_EQ(numbers.reserve(RecordNumbers::kSepa, table, 5), 101);
    EXPECT_EQ(counter(), 105) << "the whole block is taken at once";
    for (int n = 101; n <= 103; ++n)
        EXPECT_EQ(numbers.next(RecordNumbers::kSepa, table), n);
    numbers.release(RecordNumbers::kSepa);
    EXPECT_EQ(numbers.next(RecordNumbers::kSepa, table), 106) << "released numbers stay unused";
    EXPECT_EQ(numbers.reserve(RecordNumbers::kSepa, table, 0), 107) << "nothing reserved";
    EXPECT_EQ(counter(), 106);
}

TEST_F(RecordNumbersTest, TwoCopiesOfTheProgramNeverShareANumber)
{
    platform::SettingsStore otherSettings(settings.filePath());
    RecordNumbers other(otherSettings);
    QList<qint32> seen;
    for (int i = 0; i < 10; ++i) {
        seen << numbers.next(RecordNumbers::kSepa, table);
        seen << other.next(RecordNumbers::kSepa, table);
    }
    const qint32 first = numbers.reserve(RecordNumbers::kSepa, table, 3);
    seen << other.next(RecordNumbers::kSepa, table);
    for (int i = 0; i < 3; ++i)
        seen << numbers.next(RecordNumbers::kSepa, table);
    EXPECT_EQ(first, 21);
    QList<qint32> sorted = seen;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    EXPECT_EQ(sorted.front(), 1);
    EXPECT_EQ(sorted.back(), 24);
}

TEST(RecordNumbersHooks, CancelledInsertStillUsesItsNumber)
{
    QTemporaryDir dir;
    platform::SettingsStore settings(dir.filePath(QStringLiteral("Ordovan.reg")));
    RecordNumbers numbers(settings);
    store::DataModule data(dir.path() + u'/');
    data.installNumbering(numbers);
    data.ClientDataSet3.createEmpty(store::mandantFields());
    data.ClientDataSet3.insert();
    EXPECT_EQ(data.ClientDataSet3.integer(0), 1);
    EXPECT_EQ(data.ClientDataSet3.integer(data.ClientDataSet3.field(u"Aktives Konto")), 1);
    data.ClientDataSet3.cancel();
    data.ClientDataSet3.insert();
    EXPECT_EQ(data.ClientDataSet3.integer(0), 2);
    data.ClientDataSet3.post();
    EXPECT_EQ(settings.readInteger(u"", RecordNumbers::kMandant), 2);
}

} // namespace

TEST_F(RecordNumbersTest, ACounterAtItsLimitRefusesInsteadOfStartingAgain)
{
    settings.writeInteger(u"", RecordNumbers::kSepa, 2147483646);
    EXPECT_EQ(numbers.next(RecordNumbers::kSepa, table), 2147483647);
    EXPECT_THROW(numbers.next(RecordNumbers::kSepa, table), Error);
    EXPECT_EQ(counter(), 2147483647) << "the counter is left where it was";

    settings.writeInteger(u"", RecordNumbers::kSepa, 2147483640);
    EXPECT_THROW(numbers.reserve(RecordNumbers::kSepa, table, 10), Error);
    EXPECT_EQ(counter(), 2147483640);
}
