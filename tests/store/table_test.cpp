// The in-memory table engine: cursor, editing, locate, filters, order, hooks.
#include "base/error.h"
#include "base/german.h"
#include "store/schema.h"
#include "store/table.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace ordovan;
using namespace ordovan::store;

namespace {

// A payment table ordered by ID with rows of the given IDs, inserted in that order.
void fill(Table &t, std::initializer_list<int> ids)
{
    t.setIndexField(QStringLiteral("ID"));
    t.createEmpty(sepaPaymentFields());
    for (int id : ids) {
        t.insert();
        t.setValue(u"ID", id);
        t.setValue(u"Name1", QStringLiteral("Name %1").arg(id));
        t.post();
    }
}

std::vector<int> ids(Table &t)
{
    std::vector<int> out;
    for (t.first(); !t.eof(); t.next())
        out.push_back(*t.integer(0));
    return out;
}

TEST(TableCursor, DeleteMovesToTheFollowingRowOrEndsTheWalk)
{
    Table t(QStringLiteral("t"));
    fill(t, {1, 2, 3});
    t.locate(u"ID", 2);
    t.remove();
    EXPECT_EQ(t.integer(0), 3); // the following row
    EXPECT_FALSE(t.eof());
    t.remove(); // the last row: the new last row is current and the walk is over
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.integer(0), 1);
    EXPECT_EQ(t.recNo(), 1);
    t.remove(); // the only row
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    EXPECT_TRUE(t.isEmpty());
    EXPECT_FALSE(t.hasCurrentRow());
    EXPECT_TRUE(t.isNull(0));
    EXPECT_THROW(t.remove(), Error);
}

TEST(TableCursor, DeleteWhileWalkingRemovesExactlyTheRejectedRows)
{
    // The shape of the run that removes rejected records.
    Table t(QStringLiteral("t"));
    fill(t, {1, 2, 3, 4, 5, 6});
    t.first();
    while (!t.eof()) {
        if (*t.integer(0) % 2 == 0 || *t.integer(0) == 5)
            t.remove();
        else
            t.next();
    }
    EXPECT_EQ(ids(t), (std::vector<int>{1, 3}));
}

TEST(TableEditing, PostCancelAndUnchangedEdits)
{
    Table t(QStringLiteral("t"));
    fill(t, {1});
    const size_t versions = t.versions().size();
    t.first();
    t.edit();
    t.setValue(u"Name1", QStringLiteral("Name 1")); // the same value
    t.post();
    EXPECT_EQ(t.versions().size(), versions); // nothing to log
    t.edit();
    t.setValue(u"Name1", QStringLiteral("X"));
    t.cancel();
    EXPECT_EQ(t.text(1), QStringLiteral("Name 1"));
    t.insert();
    t.setValue(u"ID", 9);
    t.first(); // moving posts the pending row
    EXPECT_EQ(ids(t), (std::vector<int>{1, 9}));
    EXPECT_THROW(t.setValue(u"ID", 3), Error); // browse state
    t.insert();
    t.remove(); // in insert state a delete discards the new row
    EXPECT_EQ(t.recordCount(), 2);
}

TEST(TableValues, TextIsCutAndMappedToWindows1252)
{
    Table t(QStringLiteral("t"));
    fill(t, {});
    t.insert();
    t.setValue(u"Name1", QString(60, u'a'));
    t.setValue(u"Strasse", QStringLiteral("Łódź €"));
    t.post();
    EXPECT_EQ(t.text(u"Name1"), QString(50, u'a'));
    EXPECT_EQ(t.text(u"Straße"), QStringLiteral("?ód? €"));
    EXPECT_EQ(t.field(u"STRASSE"), t.field(u"straße"));
    EXPECT_EQ(t.fieldIndex(u"Hausnummer"), -1);
    EXPECT_THROW(t.field(u"Hausnummer"), Error);
    t.edit();
    EXPECT_THROW(t.setValue(u"Betrag", QStringLiteral("12,3x")), Error);
    EXPECT_THROW(t.setValue(u"Datum", QDate(10000, 1, 1)), Error); // no file can hold it
    EXPECT_THROW(t.setDate(t.field(u"Datum"), QDate(-5, 1, 1)), Error);
    t.setDate(t.field(u"Datum"), QDate(9999, 12, 31));
    EXPECT_EQ(t.date(u"Datum"), QDate(9999, 12, 31));
    t.setValue(u"Betrag", QStringLiteral("12,30"));
    EXPECT_EQ(t.number(u"Betrag"), 12.3);
}

TEST(TableLocate, ComparesExactlyOverTheVisibleRows)
{
    Table t(QStringLiteral("t"));
    fill(t, {3, 1, 2});
    t.last();
    EXPECT_FALSE(t.locate(u"Name1", QStringLiteral("name 1"))); // letter case counts
    EXPECT_EQ(t.integer(0), 3);                                 // the cursor stays
    EXPECT_TRUE(t.locate(u"Name1", QStringLiteral("Name 1")));
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_TRUE(t.locate(u"ID", QStringLiteral("2")));
    EXPECT_EQ(t.recNo(), 2);
    try {
        t.locate(u"ID", QStringLiteral("zwei"));
        FAIL() << "no conversion error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), german::notAnIntegerMessage(QStringLiteral("zwei")));
    }
    t.setFilter(QStringLiteral("ID > 1"));
    t.setFiltered(true);
    EXPECT_FALSE(t.locate(u"ID", 1)); // hidden by the filter
}

TEST(TableFilter, TheThreeFormsAndTheSwitch)
{
    Table t(QStringLiteral("t"));
    fill(t, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    t.setFilter(QStringLiteral("ID > 5"));
    EXPECT_EQ(t.recordCount(), 10); // not yet switched on
    t.setFiltered(true);
    EXPECT_EQ(ids(t), (std::vector<int>{6, 7, 8, 9, 10}));
    t.setFilter(QStringLiteral("ID >= 3 and ID <=9"));
    EXPECT_EQ(t.recordCount(), 7);
    t.setFilter(QStringLiteral("ID=0"));
    EXPECT_TRUE(t.isEmpty());
    EXPECT_TRUE(t.eof());
    t.setFiltered(false);
    EXPECT_EQ(t.recordCount(), 10);
    EXPECT_THROW(t.setFilter(QStringLiteral("Name1 like 'x'")), Error);
    EXPECT_THROW(t.setFilter(QStringLiteral("Kontostand > 3")), Error);
}

TEST(TableFilter, PostedRowsThatDoNotPassAreHidden)
{
    Table t(QStringLiteral("t"));
    fill(t, {1, 2, 7});
    t.setFilter(QStringLiteral("ID > 5"));
    t.setFiltered(true);
    t.insert();
    t.setValue(u"ID", 3);
    t.post();
    EXPECT_EQ(ids(t), (std::vector<int>{7}));
    t.insert();
    t.setValue(u"ID", 8);
    t.post();
    EXPECT_EQ(t.integer(0), 8);
    t.edit(); // edited out of the filter
    t.setValue(u"ID", 4);
    t.post();
    EXPECT_EQ(ids(t), (std::vector<int>{7}));
    t.setFiltered(false);
    EXPECT_EQ(ids(t), (std::vector<int>{1, 2, 3, 4, 7}));
}

TEST(TableFilter, ReloadWithoutTheFilteredFieldHidesEverything)
{
    Table t(QStringLiteral("t"));
    fill(t, {1, 9});
    t.setFilter(QStringLiteral("ID > 5"));
    t.setFiltered(true);
    // Another field list (no ID): the filter cannot apply, and must not show all rows.
    t.load(bankDirectoryFields(),
           [] {
               std::vector<RowVersion> v;
               v.emplace_back(quint8(0), std::vector<std::string_view>{"10000000", "Bank"});
               return v;
           }(),
           {});
    EXPECT_TRUE(t.isEmpty());
    t.setFiltered(false);
    EXPECT_EQ(t.recordCount(), 1);
}

TEST(TableOrder, IndexOrdersRowsAndTiesKeepStorageOrder)
{
    // The bank directory: several offices share a bank code; the first one wins a locate.
    Table t(QStringLiteral("ClientDataSet4"));
    t.setIndexField(QStringLiteral("BLZ"));
    t.createEmpty(bankDirectoryFields());
    const std::pair<const char16_t *, const char16_t *> rows[] = {{u"50010517", u"ING Frankfurt"},
                                                                  {u"10010010", u"Postbank Berlin"},
                                                                  {u"50010517", u"ING Zweig"},
                                                                  {u"10000000", u"BBk Berlin"},
                                                                  {u"10010010", u"Postbank Zweig"}};
    for (const auto &[code, bank] : rows) {
        t.insert();
        t.setValue(u"BLZ", QString::fromUtf16(code));
        t.setValue(u"Bank", QString::fromUtf16(bank));
        t.post();
    }
    QStringList order;
    for (t.first(); !t.eof(); t.next())
        order << t.text(1);
    EXPECT_EQ(order, (QStringList{QStringLiteral("BBk Berlin"), QStringLiteral("Postbank Berlin"),
                                  QStringLiteral("Postbank Zweig"), QStringLiteral("ING Frankfurt"),
                                  QStringLiteral("ING Zweig")}));
    ASSERT_TRUE(t.locate(u"BLZ", QStringLiteral("50010517")));
    EXPECT_EQ(t.text(1), QStringLiteral("ING Frankfurt"));
    // An edited key moves its row to its new place.
    t.locate(u"BLZ", QStringLiteral("10010010"));
    t.edit();
    t.setValue(u"BLZ", QStringLiteral("99999999"));
    t.post();
    t.last();
    EXPECT_EQ(t.text(1), QStringLiteral("Postbank Berlin"));
}

TEST(TableHooks, AfterInsertNumbersBeforeAnyFieldIsTyped)
{
    Table t(QStringLiteral("ClientDataSet3"));
    t.createEmpty(mandantFields());
    int next = 41;
    t.afterInsert = [&next](Table &tbl) {
        tbl.setValue(u"ID", ++next);
        tbl.setValue(u"Aktives Konto", 1);
    };
    int scrolls = 0;
    t.afterScroll = [&scrolls](Table &) { ++scrolls; };
    t.insert();
    EXPECT_EQ(t.integer(0), 42);
    EXPECT_EQ(t.integer(t.field(u"Aktives Konto")), 1);
    t.post();
    t.insert();
    t.post();
    EXPECT_EQ(ids(t), (std::vector<int>{42, 43}));
    EXPECT_GT(scrolls, 0);
}

TEST(TableHooks, CalculatedFieldsFollowTheCurrentRow)
{
    Table t(QStringLiteral("ClientDataSet3"));
    t.createEmpty(mandantFields());
    t.setCalculatedFields(mandantCalculatedFields());
    int calls = 0;
    t.calcFields = [&calls](Table &tbl) {
        ++calls;
        tbl.setCalculatedValue(tbl.field(u"Bank1"), QStringLiteral("Bank von %1").arg(tbl.text(1)));
    };
    for (const char16_t *name : {u"A", u"B"}) {
        t.insert();
        t.setValue(u"Name", QString::fromUtf16(name));
        t.post();
    }
    t.first();
    EXPECT_EQ(t.text(u"Bank1"), QStringLiteral("Bank von A"));
    EXPECT_EQ(t.text(u"Bank1"), QStringLiteral("Bank von A"));
    const int once = calls;
    t.next();
    EXPECT_EQ(t.text(u"Bank1"), QStringLiteral("Bank von B"));
    EXPECT_EQ(calls, once + 1);
    EXPECT_EQ(t.storedFieldCount(), 20);
    EXPECT_EQ(t.fieldCount(), 23);
}

TEST(TableNumbers, MaxIntegerEverCountsReplacedAndDeletedVersions)
{
    Table t(QStringLiteral("t"));
    fill(t, {5, 12, 8});
    EXPECT_EQ(t.maxIntegerEver(0), 12);
    t.locate(u"ID", 12);
    t.remove();
    EXPECT_EQ(t.maxIntegerEver(0), 12); // a number is never handed out twice
    t.locate(u"ID", 8);
    t.edit();
    t.setValue(u"ID", 30);
    t.post();
    t.edit();
    t.setValue(u"ID", 2);
    t.post();
    EXPECT_EQ(t.maxIntegerEver(0), 30);
    EXPECT_EQ(t.maxIntegerEver(1), 0); // not an integer field
    Table empty(QStringLiteral("e"));
    empty.createEmpty(sepaPaymentFields());
    EXPECT_EQ(empty.maxIntegerEver(0), 0);
}

} // namespace

TEST(TableDates, TwoDigitYearsTakeTheCenturyOfTheGivenToday)
{
    Table t(QStringLiteral("t"));
    t.createEmpty({FieldDef{QStringLiteral("D"), FieldKind::Date, 0, false}});
    for (const auto &[year, expected] : {std::pair{2022, 2049}, std::pair{2110, 2149}}) {
        t.today = [year = year] { return QDate(year, 6, 1); };
        t.insert();
        t.setValue(0, QStringLiteral("01.01.49"));
        EXPECT_EQ(t.date(0), QDate(expected, 1, 1)) << year;
        t.post();
    }
}

TEST(TablePositions, ViewsReadVisibleRowsInPlaceWithoutMovingTheCursor)
{
    Table t(QStringLiteral("t"));
    fill(t, {4, 1, 9, 7});
    int scrolls = 0;
    t.afterScroll = [&scrolls](Table &) { ++scrolls; };
    t.setFilter(QStringLiteral("ID > 2"));
    t.setFiltered(true);
    ASSERT_TRUE(t.moveTo(1));
    EXPECT_EQ(t.integer(0), 7);
    EXPECT_EQ(scrolls, 2) << "the filter went to the first row, moveTo once more";

    // Reading by position follows the order and the filter, and leaves the cursor alone.
    EXPECT_EQ(t.valueAt(0, 0).toInt(), 4);
    EXPECT_EQ(t.valueAt(2, 1).toString(), QStringLiteral("Name 9"));
    EXPECT_EQ(t.cellAt(2, 0).size(), 4u);
    EXPECT_EQ(t.integer(0), 7);
    EXPECT_EQ(scrolls, 2);

    // Out of range: empty, no crash, no move.
    EXPECT_FALSE(t.valueAt(3, 0).isValid());
    EXPECT_FALSE(t.valueAt(-1, 0).isValid());
    EXPECT_FALSE(t.valueAt(0, 99).isValid());
    EXPECT_TRUE(t.cellAt(0, -1).empty());
    EXPECT_FALSE(t.moveTo(3));
    EXPECT_FALSE(t.moveTo(-1));
    EXPECT_EQ(t.integer(0), 7);

    // A pending edit is posted before the move.
    t.edit();
    t.setValue(u"Name1", QStringLiteral("geändert"));
    ASSERT_TRUE(t.moveTo(0));
    EXPECT_EQ(t.state(), Table::State::Browse);
    EXPECT_EQ(t.valueAt(1, 1).toString(), QStringLiteral("geändert"));
}
