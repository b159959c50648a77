// The history of runs: the history row, the archive copy, the page and row changes with the
// range filters, and the deletions behind their confirmations.
#include "app/history.h"
#include "app/operations.h"
#include "appfixture.h"
#include "base/error.h"
#include "store/recordnumbers.h"
#include "store/schema.h"

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

class HistoryTest : public ::testing::Test, public test::AppFixture
{
protected:
    app::MainState &s = ctx->state;
    store::DataModule &d = ctx->data;

    HistoryTest()
    {
        d.ClientDataSet1.createEmpty(store::domesticPaymentFields());
        d.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());
        d.ClientDataSet2.createEmpty(store::historyFields());
        d.ClientDataSetHisInl.createEmpty(store::domesticPaymentFields());
        d.ClientDataSetHisAZV.createEmpty(store::sepaPaymentFields());
        app::setNewRecordsFilters(*ctx);
    }

    void addHistoryRow(int von, int bis, const QString &zahlungsart, const QString &log = {})
    {
        store::Table &h = d.ClientDataSet2;
        h.insert();
        h.setValue(u"VonID", von);
        h.setValue(u"BisID", bis);
        h.setValue(u"Zahlungsart", zahlungsart);
        h.setValue(u"LogDatei", log);
        h.post();
    }
    void addRows(store::Table &t, int count)
    {
        for (int i = 0; i < count; ++i) {
            t.insert();
            t.setValue(1, QStringLiteral("Zeile %1").arg(i));
            t.post();
        }
    }
};

TEST_F(HistoryTest, HistoryRowIsFilledFieldByField)
{
    settings->writeInteger(u"", store::RecordNumbers::kHistory, 6);
    s.run.RunFirstID = 121;
    s.run.RunLastID = 150;
    s.run.RunTotal = u8("1234,50");
    s.run.RunRecordCount = u8("30");
    s.main.LLastGut = u8("Lastschrift CORE");
    s.main.DTPErstell = QDateTime(QDate(2022, 12, 8), QTime(14, 5));
    s.main.DTPAusf = QDateTime(QDate(2022, 12, 12), QTime(0, 0));
    s.main.LKontoinhaber = u8("Verein Grün e.V.");
    s.main.LKontonummer = u8("1234567890123456789");
    s.main.LBankleitzahl = u8("37040044");
    s.main.EZieldatei = u8("/home/u/sepa.xml");
    app::addHistoryEntry(*ctx, u8("/data/Log/Log_8-12-2022_14-5_942.txt"));

    store::Table &h = d.ClientDataSet2;
    ASSERT_EQ(h.recordCount(), 1);
    h.first();
    EXPECT_EQ(h.integer(h.field(u"ID")), 7);
    EXPECT_EQ(h.integer(h.field(u"VonID")), 121);
    EXPECT_EQ(h.integer(h.field(u"BisID")), 150);
    EXPECT_EQ(h.text(u"LogDatei"), u8("/data/Log/Log_8-12-2022_14-5_942.txt"));
    EXPECT_EQ(h.number(h.field(u"Gesamtbetrag")), 1234.5);
    EXPECT_EQ(h.text(u"Zahlungsart"), u8("Lastschrift CORE"));
    EXPECT_EQ(h.date(h.field(u"Erstellungsdatum")), QDate(2022, 12, 8));
    EXPECT_EQ(h.date(h.field(u"Ausfuehrungdatum")), QDate(2022, 12, 12));
    EXPECT_EQ(h.text(u"Mandantenname"), u8("Verein Grün e.V."));
    EXPECT_EQ(h.text(u"Mandantenkto"), u8("123456789012345"));
    EXPECT_EQ(h.integer(h.field(u"Mandantenblz")), 37040044);
    EXPECT_EQ(h.text(u"Dateiname"), u8("/home/u/sepa.xml"));
    EXPECT_TRUE(h.isNull(h.field(u"KontrollsummeKontonummer")));
    EXPECT_TRUE(h.isNull(h.field(u"KontrollsummeBankleitzahl")));
    EXPECT_EQ(h.integer(h.field(u"GesamtzahlSaetze")), 30);
}

TEST_F(HistoryTest, RunWithoutRecordsLeavesTotalsEmpty)
{
    app::addHistoryEntry(*ctx, QString());
    store::Table &h = d.ClientDataSet2;
    h.first();
    EXPECT_TRUE(h.isNull(h.field(u"Gesamtbetrag")));
    EXPECT_TRUE(h.isNull(h.field(u"GesamtzahlSaetze")));
    EXPECT_TRUE(h.isNull(h.field(u"Mandantenblz")));
    EXPECT_TRUE(h.isNull(h.field(u"Zahlungsart")));
}

TEST_F(HistoryTest, BadLabelValueCancelsTheRowBeforeTheErrorTravels)
{
    s.main.LBankleitzahl = u8("3704 0044");
    EXPECT_THROW(app::addHistoryEntry(*ctx, QString()), Error);
    EXPECT_EQ(d.ClientDataSet2.state(), store::Table::State::Browse);
    EXPECT_EQ(d.ClientDataSet2.recordCount(), 0);
}

TEST_F(HistoryTest, RunRangeSelectsTheSepaRecordsOnTheHistoryPage)
{
    addHistoryRow(121, 150, u8("Lastschrift CORE"));
    app::pageChanged(*ctx, app::Page::SepaHistory);
    EXPECT_EQ(d.ClientDataSetAZV.filter(), u8("ID >= 121 and ID <=150"));
    EXPECT_EQ(d.ClientDataSet1.filter(), u8("ID=0"));
    EXPECT_TRUE(d.ClientDataSetAZV.filtered());
    EXPECT_TRUE(d.ClientDataSet1.filtered());
}

TEST_F(HistoryTest, RoutingByPaymentType)
{
    for (const char *sepa : {"Gutschriften EU", "Gutschrift", "Lastschrift COR1", "Lastschrift B2B",
                             "Lastschrift CORE", ""})
        EXPECT_TRUE(app::historyRowUsesSepaTable(u8(sepa))) << sepa;
    for (const char *domestic : {"Gutschriften", "Lastschrift", "gutschrift", "Abbuchung"})
        EXPECT_FALSE(app::historyRowUsesSepaTable(u8(domestic))) << domestic;

    addHistoryRow(3, 9, u8("Gutschriften"));
    app::pageChanged(*ctx, app::Page::SepaHistory);
    EXPECT_EQ(d.ClientDataSet1.filter(), u8("ID >= 3 and ID <=9"));
    EXPECT_EQ(d.ClientDataSetAZV.filter(), u8("ID=0"));
}

TEST_F(HistoryTest, PageChangesSwitchTheFilters)
{
    app::pageChanged(*ctx, app::Page::BookingHistory);
    EXPECT_FALSE(d.ClientDataSet1.filtered());
    EXPECT_FALSE(d.ClientDataSetAZV.filtered());
    app::pageChanged(*ctx, app::Page::Main);
    EXPECT_TRUE(d.ClientDataSet1.filtered());
    EXPECT_TRUE(d.ClientDataSetAZV.filtered());
    EXPECT_EQ(d.ClientDataSetAZV.filter(), u8("ID > -1"));

    // An empty history changes nothing in the filters.
    app::pageChanged(*ctx, app::Page::SepaHistory);
    EXPECT_EQ(d.ClientDataSetAZV.filter(), u8("ID > -1"));
    EXPECT_EQ(d.ClientDataSet1.filter(), u8("ID > -1"));
}

TEST_F(HistoryTest, RowChangeOffTheHistoryPageRestoresTheDomesticFilter)
{
    addHistoryRow(5, 6, u8("Gutschrift"));
    app::pageChanged(*ctx, app::Page::SepaHistory);
    ASSERT_EQ(d.ClientDataSet1.filter(), u8("ID=0"));

    s.window.page = app::Page::Main;
    app::historyRowChanged(*ctx);
    EXPECT_EQ(d.ClientDataSet1.filter(), s.run.newRecordsFilter1);
    EXPECT_TRUE(d.ClientDataSet1.filtered());
    EXPECT_EQ(d.ClientDataSetAZV.filter(), u8("ID >= 5 and ID <=6")) << "left as it is";

    s.window.page = app::Page::BookingHistory;
    app::historyRowChanged(*ctx);
    EXPECT_FALSE(d.ClientDataSet1.filtered());
}

TEST_F(HistoryTest, RowWithoutRangeLeavesTheFiltersAlone)
{
    d.ClientDataSet2.insert();
    d.ClientDataSet2.post();
    app::pageChanged(*ctx, app::Page::SepaHistory);
    EXPECT_EQ(d.ClientDataSetAZV.filter(), u8("ID > -1"));
    EXPECT_EQ(d.ClientDataSet1.filter(), u8("ID > -1"));
}

TEST_F(HistoryTest, DeletingAHistoryRowAsksAndKeepsRecordsAndArchive)
{
    addRows(d.ClientDataSetAZV, 3);
    addRows(d.ClientDataSetHisAZV, 3);
    addHistoryRow(1, 2, u8("Gutschrift"));
    addHistoryRow(3, 3, u8("Gutschrift"));
    app::pageChanged(*ctx, app::Page::SepaHistory);

    dialogs.pushButton(platform::No);
    app::deleteHistoryRow(*ctx);
    EXPECT_EQ(d.ClientDataSet2.recordCount(), 2);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, u8("Möchten Sie diese Zeile wirklich löschen?"));
    EXPECT_EQ(dialogs.shown()[0].buttons, platform::Yes | platform::No);

    dialogs.pushButton(platform::Yes);
    app::deleteHistoryRow(*ctx);
    EXPECT_EQ(d.ClientDataSet2.recordCount(), 1);
    EXPECT_EQ(d.ClientDataSetAZV.filter(), u8("ID >= 1 and ID <=2")) << "the remaining row";
    d.ClientDataSetAZV.setFiltered(false);
    EXPECT_EQ(d.ClientDataSetAZV.recordCount(), 3);
    EXPECT_EQ(d.ClientDataSetHisAZV.recordCount(), 3);
}

TEST_F(HistoryTest, DeletingTheArchiveAsksAndKeepsTheHistory)
{
    addRows(d.ClientDataSetHisInl, 2);
    addRows(d.ClientDataSetHisAZV, 1000);
    addHistoryRow(1, 2, u8("Gutschrift"));

    app::deleteArchives(*ctx); // default answer: No
    EXPECT_EQ(d.ClientDataSetHisAZV.recordCount(), 1000);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].what, u8("question"));
    EXPECT_EQ(dialogs.shown()[0].caption, u8("Frage"));
    EXPECT_EQ(dialogs.shown()[0].text,
              u8("Sind Sie sicher, dass Sie gesamte Buchungshistorie löschen wollen?"));

    dialogs.pushButton(platform::Yes);
    app::deleteArchives(*ctx);
    EXPECT_EQ(d.ClientDataSetHisInl.recordCount(), 0);
    EXPECT_EQ(d.ClientDataSetHisAZV.recordCount(), 0);
    EXPECT_EQ(d.ClientDataSet2.recordCount(), 1);
}

TEST_F(HistoryTest, LogFileOfTheRowIsOpenedWhenThereIsOne)
{
    addHistoryRow(1, 2, u8("Gutschrift"), u8("/data/Log/Log_1.txt"));
    addHistoryRow(3, 4, u8("Gutschrift"));
    d.ClientDataSet2.first();
    app::showHistoryLogFile(*ctx);
    d.ClientDataSet2.last();
    app::showHistoryLogFile(*ctx);
    EXPECT_EQ(desktop.opened, QStringList{u8("/data/Log/Log_1.txt")});
}

TEST_F(HistoryTest, ArchiveCopiesTheVisibleRecordsWithTheirIds)
{
    addRows(d.ClientDataSetAZV, 2); // an earlier run: 1, 2
    app::setNewRecordsFilters(*ctx);
    addRows(d.ClientDataSetAZV, 3); // this run: 3, 4, 5
    ASSERT_TRUE(d.ClientDataSetAZV.locate(u"ID", 4));
    d.ClientDataSetAZV.remove(); // rejected by the SEPA run
    d.ClientDataSetAZV.first();
    d.ClientDataSetAZV.edit();
    d.ClientDataSetAZV.setValue(u"Betrag", 11.58);
    d.ClientDataSetAZV.post();

    s.main.RGZahlungsart = app::NoPaymentType;
    app::archiveRunRecords(*ctx);
    EXPECT_EQ(d.ClientDataSetHisAZV.recordCount(), 0) << "only with a payment type";

    s.main.RGZahlungsart = app::Gutschrift;
    app::archiveRunRecords(*ctx);
    store::Table &his = d.ClientDataSetHisAZV;
    ASSERT_EQ(his.recordCount(), 2);
    his.first();
    EXPECT_EQ(his.integer(0), 3);
    EXPECT_EQ(his.text(u"Name1"), u8("Zeile 0"));
    EXPECT_EQ(his.number(his.field(u"Betrag")), 11.58);
    his.next();
    EXPECT_EQ(his.integer(0), 5);
}

} // namespace
