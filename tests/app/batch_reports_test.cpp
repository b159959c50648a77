#include "app/operations.h"
#include "appfixture.h"
#include "base/error.h"
#include "store/schema.h"
#include "support/recording.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

// The report buttons over the main window's labels and the tables, printing into a
// recording.
class ReportButtonsTest : public ::testing::Test, public test::AppFixture
{
protected:
    ReportButtonsTest()
    {
        ctx->services.printing = &printer;
        ctx->data.ClientDataSet1.createEmpty(store::domesticPaymentFields());
        ctx->data.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());
        ctx->data.ClientDataSet2.createEmpty(store::historyFields());
        bank = dir.filePath(QStringLiteral("Bank"));
        QDir().mkpath(bank);
        s.main.EZieldatei = bank + QStringLiteral("/sepa.xml");
        s.main.RGZahlungsart = app::LastschriftB2b;
        s.main.LKontoinhaber = QStringLiteral("Müller GmbH");
        s.main.LBIC = QStringLiteral("COBADEFFXXX");
        s.main.LIBAN = QStringLiteral("DE89370400440532013000");
        s.main.LSatzzahl = QStringLiteral("Satzanzahl: 2");
        s.main.LSumme = QStringLiteral("GESAMTSUMME: 234,50");
    }

    void addSepaRecord(int id, double amount)
    {
        store::Table &t = ctx->data.ClientDataSetAZV;
        t.insert();
        t.setValue(u"ID", id);
        t.setValue(u"Name1", QStringLiteral("Kunde %1").arg(id));
        t.setValue(u"Betrag", amount);
        t.post();
    }

    void addHistoryRow(const QString &type)
    {
        store::Table &h = ctx->data.ClientDataSet2;
        h.insert();
        h.setValue(u"ID", 1);
        if (!type.isEmpty())
            h.setValue(u"Zahlungsart", type);
        h.post();
    }

    app::MainState &s = ctx->state;
    reports::RecordingPrintService printer;
    QString bank;
};

} // namespace

TEST_F(ReportButtonsTest, CoverSheetAsTextGoesBesideTheTargetFileAndNothingIsPrinted)
{
    s.main.CBLogspeichern = true;
    app::printCoverSheet(*ctx);
    EXPECT_TRUE(printer.jobs().isEmpty());
    EXPECT_TRUE(dialogs.shown().isEmpty());
    const QByteArray text = test::readFile(bank + QStringLiteral("/Begleitzettel.txt"));
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[1], "Typ: SEPA-Lastschriften\r");
    EXPECT_EQ(lines[3], "Anzahl Datens\xe4tze: 2\r");
    EXPECT_EQ(lines[4], "Summe Datens\xe4tze (EUR): 234,50\r") << "prefix removed in any case";
    EXPECT_EQ(lines[7], "Absender: M\xfcller GmbH");
}

TEST_F(ReportButtonsTest, CoverSheetIsPrintedAtOnceWithoutPrintDialog)
{
    s.main.RGZahlungsart = app::Gutschrift;
    app::printCoverSheet(*ctx);
    EXPECT_TRUE(dialogs.shown().isEmpty());
    ASSERT_EQ(printer.jobs().size(), 1);
    EXPECT_EQ(printer.jobs()[0].texts()[1], QStringLiteral("Datei ") + s.main.EZieldatei +
                                                QStringLiteral(" für Sepa-Gutschriften"));
    EXPECT_EQ(printer.jobs()[0].texts()[3], QStringLiteral("2"));
    EXPECT_FALSE(printer.jobs()[0].texts().contains(QStringLiteral("Ausführungsdatum:")))
        << "no file made yet, so no date to name";

    // After a file: the day it names, as the run moved it.
    s.run.RunDueDate = QDate(2026, 12, 28);
    app::printCoverSheet(*ctx);
    const QStringList texts = printer.jobs()[1].texts();
    const qsizetype label = texts.indexOf(QStringLiteral("Ausführungsdatum:"));
    ASSERT_GE(label, 0);
    EXPECT_EQ(texts[label + 1], QStringLiteral("28.12.2026"));

    // Without a payment type nothing is produced at all.
    s.main.RGZahlungsart = app::NoPaymentType;
    s.main.CBLogspeichern = true;
    app::printCoverSheet(*ctx);
    EXPECT_EQ(printer.jobs().size(), 2);
    EXPECT_FALSE(QFileInfo::exists(bank + QStringLiteral("/Begleitzettel.txt")));
}

TEST_F(ReportButtonsTest, BookingListTextFollowsThePaymentTypeAndPrintingAlwaysTheSepaLayout)
{
    addSepaRecord(1, 123456.78);
    s.main.CBLogspeichern = true;
    app::printBookingList(*ctx);
    const QByteArray sepa = test::readFile(bank + QStringLiteral("/Buchungsliste.txt"));
    EXPECT_TRUE(sepa.contains("-- IBAN -- BIC --"));
    EXPECT_TRUE(sepa.contains("-- 123456,78 --"));

    s.main.RGZahlungsart = app::NoPaymentType;
    app::printBookingList(*ctx);
    const QByteArray domestic = test::readFile(bank + QStringLiteral("/Buchungsliste.txt"));
    EXPECT_TRUE(domestic.contains("-- Kontonummer -- Bankleitzahl --"));
    EXPECT_EQ(domestic.count("\r\n"), 4) << "the domestic table is empty";
    EXPECT_TRUE(printer.jobs().isEmpty());

    s.main.CBLogspeichern = false;
    dialogs.pushPrint(false);
    app::printBookingList(*ctx);
    EXPECT_TRUE(printer.jobs().isEmpty()) << "cancelled print dialog";
    app::printBookingList(*ctx);
    ASSERT_EQ(printer.jobs().size(), 1);
    EXPECT_EQ(printer.jobs()[0].request.title, QStringLiteral("Buchungsliste"));
    EXPECT_TRUE(printer.jobs()[0].texts().contains(QStringLiteral("123456,78")));
    EXPECT_EQ(dialogs.shown().size(), 2);
    EXPECT_EQ(dialogs.shown()[0].what, QStringLiteral("print"));
}

TEST_F(ReportButtonsTest, FailuresTravelAsGermanMessagesAndLeaveNoFile)
{
    s.main.CBLogspeichern = true;
    s.main.EZieldatei = dir.filePath(QStringLiteral("fehlt/sepa.xml"));
    try {
        app::printCoverSheet(*ctx);
        FAIL() << "expected an error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Die Datei \"%1\" kann nicht erstellt werden.")
                                   .arg(dir.filePath(QStringLiteral("fehlt/Begleitzettel.txt"))));
    }
    EXPECT_THROW(app::printBookingList(*ctx), Error);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("fehlt"))));

    // A target path that is itself a folder: the reports go into that folder's parent.
    s.main.EZieldatei = bank;
    app::printCoverSheet(*ctx);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("Begleitzettel.txt"))));

    // No printer at all.
    s.main.CBLogspeichern = false;
    ctx->services.printing = nullptr;
    try {
        app::printCoverSheet(*ctx);
        FAIL() << "expected an error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Es ist kein Drucker installiert."));
    }
    ctx->services.printing = &printer;
    printer.failNextStart(QStringLiteral("Es ist kein Drucker installiert."));
    EXPECT_THROW(app::printBookingList(*ctx), Error);
}

TEST_F(ReportButtonsTest, HistoryButtonsAskForAPrinterAndRouteTheRowsRange)
{
    addHistoryRow(QStringLiteral("Gutschrift"));
    dialogs.pushPrint(false);
    app::printHistoryCoverSheet(*ctx);
    EXPECT_TRUE(printer.jobs().isEmpty());
    app::printHistoryCoverSheet(*ctx);
    ASSERT_EQ(printer.jobs().size(), 1);
    EXPECT_EQ(printer.jobs()[0].texts()[0], QStringLiteral("DTAUS - Begleitzettel Gutschrift"));

    // Rows of this program's runs list the SEPA table, other rows the domestic one.
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("Gutschrift"), QStringLiteral("Buchungsliste")},
        {QStringLiteral("Lastschrift CORE"), QStringLiteral("Buchungsliste")},
        {QStringLiteral("Gutschriften EU"), QStringLiteral("Buchungsliste")},
        {QString(), QStringLiteral("Buchungsliste")},
        {QStringLiteral("Lastschriften"), QStringLiteral("Ordovan 2022")},
    };
    for (const auto &[type, title] : cases) {
        ctx->data.ClientDataSet2.edit();
        ctx->data.ClientDataSet2.setValue(u"Zahlungsart", type);
        ctx->data.ClientDataSet2.post();
        printer.clear();
        app::printHistoryBookingList(*ctx);
        ASSERT_EQ(printer.jobs().size(), 1);
        EXPECT_EQ(printer.jobs()[0].request.title, title) << type.toStdString();
    }
}
