// The paths a bulk import takes through the table: text set in place into cells that keep
// their capacity from row to row, and rows appended in index order without a search.
#include "base/error.h"
#include "store/schema.h"
#include "store/table.h"

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(TableBulkInsert, SetTextCutsConvertsAndNeverCarriesOverThePreviousRow)
{
    store::Table t(QStringLiteral("t"));
    t.createEmpty(store::sepaPaymentFields());
    const int name = t.field(u"Name1");
    const int currency = t.field(u"Waehrung");
    t.insert();
    t.setValue(0, 1);
    t.setText(name, u8("Sehr langer Name, der über fünfzig Zeichen hinausgeht: ŁÓDŹ 😀"));
    t.setText(currency, u8("EURO"));
    t.post();
    t.insert();
    t.setValue(0, 2);
    t.setText(name, u8("Zoë"));
    t.post();
    t.insert();
    t.setValue(0, 3);
    t.post();

    ASSERT_TRUE(t.locate(u"ID", 1));
    EXPECT_EQ(t.text(name), u8("Sehr langer Name, der über fünfzig Zeichen hinausg"));
    EXPECT_EQ(t.text(currency), u8("EUR"));
    ASSERT_TRUE(t.locate(u"ID", 2));
    EXPECT_EQ(t.text(name), u8("Zoë"));
    EXPECT_TRUE(t.isNull(currency)) << "a cell not set in this row is empty";
    ASSERT_TRUE(t.locate(u"ID", 3));
    EXPECT_TRUE(t.isNull(name));

    t.insert();
    t.setText(name, u8("ŁÓDŹ 😀 €"));
    EXPECT_EQ(t.text(name), u8("?\xC3\x93"
                               "D? ? €"))
        << "outside Windows-1252: one ? each";
    t.cancel();
}

TEST(TableBulkInsert, TypedAndByteSettersMatchSetValue)
{
    store::Table t(QStringLiteral("t"));
    t.createEmpty(store::sepaPaymentFields());
    const int name = t.field(u"Name1");
    const int currency = t.field(u"Waehrung");
    const int date = t.field(u"Datum");
    t.insert();
    t.setTextCp1252(name, QByteArrayView("M\xFCller\x01\tGmbH \x80"));
    t.setTextCp1252(currency, QByteArrayView("EURO"));
    t.setInteger(0, 12);
    t.setFloat(t.field(u"Betrag"), 11.58);
    t.setDate(date, QDate(2024, 2, 29));
    EXPECT_EQ(t.text(name), u8("Müller\tGmbH €")) << "control characters dropped, tab kept";
    EXPECT_EQ(t.text(currency), u8("EUR"));
    EXPECT_EQ(t.integer(0), 12);
    EXPECT_EQ(t.number(t.field(u"Betrag")), 11.58);
    EXPECT_EQ(t.date(date), QDate(2024, 2, 29));
    t.setDate(date, QDate());
    EXPECT_TRUE(t.isNull(date));
    t.setInteger(name, 7); // another kind: as setValue
    EXPECT_EQ(t.text(name), u8("7"));
    t.cancel();
    EXPECT_THROW(t.setInteger(0, 1), Error) << "only while editing";
}

TEST(TableBulkInsert, SetTextOnOtherFieldsConvertsAsTyped)
{
    store::Table t(QStringLiteral("t"));
    t.createEmpty(store::sepaPaymentFields());
    t.insert();
    t.setText(t.field(u"Betrag"), u"11,58");
    t.setText(t.field(u"ID"), u"7");
    EXPECT_EQ(t.number(t.field(u"Betrag")), 11.58);
    EXPECT_EQ(t.integer(0), 7);
    EXPECT_THROW(t.setText(t.field(u"Datum"), u"31.02.2024"), Error);
    t.cancel();
    EXPECT_THROW(t.setText(t.field(u"Name1"), u"x"), Error) << "only while editing";
}

TEST(TableBulkInsert, RowsStayInIndexOrderWhateverOrderTheyCome)
{
    store::Table t(QStringLiteral("t"));
    t.createEmpty(store::sepaPaymentFields());
    t.setIndexField(QStringLiteral("ID"));
    t.setFilter(QStringLiteral("ID > 2"));
    t.setFiltered(true);
    for (int id : {5, 6, 1, 9, 3, 9, 2, 7}) {
        t.insert();
        t.setValue(0, id);
        t.post();
        if (id > 2) {
            EXPECT_EQ(t.integer(0).value_or(-1), id) << "the posted row becomes current";
        }
    }
    QList<int> visible;
    for (t.first(); !t.eof(); t.next())
        visible << t.integer(0).value_or(-1);
    EXPECT_EQ(visible, (QList<int>{3, 5, 6, 7, 9, 9}));
    t.setFiltered(false);
    QList<int> all;
    for (t.first(); !t.eof(); t.next())
        all << t.integer(0).value_or(-1);
    EXPECT_EQ(all, (QList<int>{1, 2, 3, 5, 6, 7, 9, 9}));
}

} // namespace
