#include "base/codec.h"
#include "reports/bookinglist.h"
#include "store/schema.h"
#include "store/table.h"
#include "support/recording.h"

#include <gtest/gtest.h>

using namespace ordovan;
using namespace Qt::StringLiterals;
using namespace ordovan::reports;

TEST(BookingAmount, IsExactWithTwoDecimalsAndTheCentsTheFileCarries)
{
    struct Case
    {
        std::optional<double> amount;
        const char *text;
    };
    const Case cases[] = {
        {234.5, "234,50"},
        {123456.78, "123456,78"},     // not rounded to seven digits
        {12345678.90, "12345678,90"}, // no exponent form
        {99999999999.99, "99999999999,99"},
        {1.005, "1,01"}, // ten-thousandths, then cents half away from zero
        {0.125, "0,13"},
        {-0.07, "-0,07"},
        {-0.001, "0,00"},
        {0.0, "0,00"},
        {11.58, "11,58"},
        {std::nullopt, ""},
        {1e15, "1000000000000000,00"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatBookingAmount(c.amount), QString::fromUtf8(c.text))
            << (c.amount ? *c.amount : -1.0);
}

namespace {

struct SepaTable
{
    store::Table table{QStringLiteral("ClientDataSetAZV")};
    SepaTable() { table.createEmpty(store::sepaPaymentFields()); }

    void add(int id, const QString &name, double amount, const QString &purpose = {})
    {
        table.insert();
        table.setValue(u"ID", id);
        table.setValue(u"Name1", name);
        table.setValue(u"IBAN", QStringLiteral("DE89370400440532013000"));
        table.setValue(u"BLZ", QStringLiteral("COBADEFFXXX"));
        table.setValue(u"Verwendungszweck", purpose.isEmpty() ? QStringLiteral("Miete") : purpose);
        table.setValue(u"Betrag", amount);
        table.setValue(u"Waehrung", QStringLiteral("EUR"));
        table.setValue(u"Erstellungsdatum", QDate(2022, 12, 8));
        table.post();
    }
};

} // namespace

TEST(bookingListText, ListsTheVisibleRecordsUnderTheSepaHeading)
{
    SepaTable t;
    t.add(1, QStringLiteral("Alt"), 1.0);
    t.add(2, QStringLiteral("Müller"), 234.5, QStringLiteral("Miete Mai \rWohnung 3"));
    t.add(3, QStringLiteral("Schulz"), 123456.78);
    t.table.setFilter(QStringLiteral("ID > 1"));
    t.table.setFiltered(true);

    const QString text = bookingListText(t.table, Layout::Sepa);
    const QString expected =
        QStringLiteral("DTAUS - Buchungsliste\r\n\r\n"
                       "Nummer -- Kontoinhaber -- IBAN -- BIC -- Verwendungszweck -- Betrag -- "
                       "Währung -- Datum\r\n") +
        QString(107, u'#') +
        QStringLiteral("\r\n"
                       "2 -- Müller -- DE89370400440532013000 -- COBADEFFXXX -- Miete Mai "
                       "\rWohnung 3 -- 234,50 -- EUR -- 08.12.2022\r\n"
                       "3 -- Schulz -- DE89370400440532013000 -- COBADEFFXXX -- Miete -- "
                       "123456,78 -- EUR -- 08.12.2022\r\n");
    EXPECT_EQ(text, expected);
}

TEST(bookingListText, DomesticLayoutAndAnEmptyTable)
{
    store::Table t(QStringLiteral("ClientDataSet1"));
    t.createEmpty(store::domesticPaymentFields());
    const QString empty = bookingListText(t, Layout::Domestic);
    EXPECT_EQ(empty.count(QStringLiteral("\r\n")), 4);
    EXPECT_TRUE(empty.contains(QStringLiteral(
        "Nummer -- Kontoinhaber -- Kontonummer -- Bankleitzahl -- Verwendungszweck -- Betrag -- "
        "Zahlungsart -- Datum\r\n")));

    t.insert();
    t.setValue(u"ID", 4);
    t.setValue(u"Name", QStringLiteral("Bär"));
    t.setValue(u"Kontonummer", QStringLiteral("532013000"));
    t.setValue(u"BLZ", 37040044);
    t.setValue(u"Verwendungszweck", QStringLiteral("Beitrag"));
    t.setValue(u"Betrag", 234.5);
    t.setValue(u"Zahlungsart", QStringLiteral("Lastschrift"));
    t.setValue(u"Erstellungsdatum", QDate(2022, 1, 2));
    t.post();
    const QByteArray bytes = codec::toCp1252(bookingListText(t, Layout::Domestic));
    EXPECT_TRUE(bytes.endsWith("4 -- B\xe4r -- 532013000 -- 37040044 -- Beitrag -- 234,50 \x80 -- "
                               "Lastschrift -- 02.01.2022\r\n"))
        << bytes.toStdString();
}

TEST(PrintedBookingList, HeadingAndRowsFollowTheLayout)
{
    SepaTable t;
    t.add(5, QStringLiteral("Müller"), 234.5);
    RecordingPrintService printer(190);
    printBookingListPages(printer, t.table, Layout::Sepa, QDate(2022, 12, 8), QString());
    ASSERT_EQ(printer.jobs().size(), 1);
    const RecordedJob &job = printer.jobs()[0];
    EXPECT_TRUE(job.finished);
    EXPECT_EQ(job.request.title, QStringLiteral("Buchungsliste"));
    EXPECT_EQ(job.request.kind, ReportKind::BookingList);
    const QStringList expected = {
        QStringLiteral("text 1000 -50 TC Arial/60 Buchungsliste vom 08.12.2022"),
        QStringLiteral("line 0 -50 1900 -50 pen 5"),
        QStringLiteral("line 0 -120 1900 -120 pen 5"),
        QStringLiteral("text 100 -170 BL Arial/30 ID"),
        QStringLiteral("text 150 -170 BL Arial/30 Name"),
        QStringLiteral("text 400 -170 BL Arial/30 IBAN"),
        QStringLiteral("text 700 -170 BL Arial/30 BIC"),
        QStringLiteral("text 900 -170 BL Arial/30 Verwendungszweck"),
        QStringLiteral("text 1500 -170 BL Arial/30 Betrag"),
        QStringLiteral("text 1620 -170 BL Arial/30 Währung"),
        QStringLiteral("text 1750 -170 BL Arial/30 Erstellungsdatum"),
        QStringLiteral("line 0 -200 1900 -200 pen 2"),
        QStringLiteral("line 0 -205 1900 -205 pen 2"),
        QStringLiteral("text 100 -250 BL Arial/25 5"),
        QStringLiteral("text 150 -250 BL Arial/25 Müller"),
        QStringLiteral("text 400 -250 BL Arial/25 DE89370400440532013000"),
        QStringLiteral("text 700 -250 BL Arial/25 COBADEFFXXX"),
        QStringLiteral("text 900 -250 BL Arial/25 Miete"),
        QStringLiteral("text 1500 -250 BL Arial/25 234,50"),
        QStringLiteral("text 1620 -250 BL Arial/25 EUR"),
        QStringLiteral("text 1750 -250 BL Arial/25 08.12.2022"),
    };
    EXPECT_EQ(job.describe(), expected);
}

TEST(PrintedBookingList, DomesticColumnsAndTitle)
{
    store::Table t(QStringLiteral("ClientDataSet1"));
    t.createEmpty(store::domesticPaymentFields());
    RecordingPrintService printer;
    printBookingListPages(printer, t, Layout::Domestic, QDate(2022, 12, 8), QString());
    const RecordedJob &job = printer.jobs()[0];
    EXPECT_EQ(job.request.title, QStringLiteral("Ordovan 2022"));
    EXPECT_EQ(job.pageCount(), 1);
    QStringList headings;
    for (const RecordedCall &c : job.calls)
        if (c.kind == RecordedCall::Text && c.y == -170)
            headings << QStringLiteral("%1 %2").arg(c.x).arg(c.text);
    EXPECT_EQ(headings, (QStringList{u"100 ID"_s, u"200 Name"_s, u"550 Kontonr."_s, u"700 BLZ"_s,
                                     u"850 Verwendungszweck"_s, u"1400 Betrag"_s,
                                     u"1575 Zahlungsart"_s, u"1750 Erstellungsdatum"_s}));
}

TEST(PrintedBookingList, ThirtyThreeRowsFillAPageAndTheThirtyFourthStartsTheNext)
{
    SepaTable t;
    for (int id = 1; id <= 33; ++id)
        t.add(id, QStringLiteral("N%1").arg(id), id);
    RecordingPrintService printer;
    printBookingListPages(printer, t.table, Layout::Sepa, QDate(2022, 12, 8), QString());
    const RecordedJob &one = printer.jobs()[0];
    EXPECT_EQ(one.pageCount(), 1) << "a full page is not followed by an empty one";
    QList<int> rowYs;
    for (const RecordedCall &c : one.calls)
        if (c.kind == RecordedCall::Text && c.x == 100 && c.y <= -250)
            rowYs << c.y;
    ASSERT_EQ(rowYs.size(), 33);
    EXPECT_EQ(rowYs.first(), -250);
    EXPECT_EQ(rowYs.last(), -2650);

    t.add(34, QStringLiteral("N34"), 34);
    printBookingListPages(printer, t.table, Layout::Sepa, QDate(2022, 12, 8), QString());
    const RecordedJob &two = printer.jobs()[1];
    EXPECT_EQ(two.pageCount(), 2);
    const QStringList calls = two.describe();
    const qsizetype page = calls.indexOf(QStringLiteral("page"));
    ASSERT_GT(page, 0);
    EXPECT_EQ(calls[page + 1],
              QStringLiteral("text 1000 -50 TC Arial/60 Buchungsliste vom 08.12.2022"));
    EXPECT_EQ(calls.last(), QStringLiteral("text 1750 -250 BL Arial/25 08.12.2022"));
    EXPECT_TRUE(calls.contains(QStringLiteral("text 100 -250 BL Arial/25 34")));
}
