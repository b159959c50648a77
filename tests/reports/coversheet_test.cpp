#include "base/error.h"
#include "reports/coversheet.h"
#include "store/schema.h"
#include "store/table.h"
#include "support/recording.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;
using namespace ordovan::reports;

namespace {

CoverSheetValues sample()
{
    CoverSheetValues v;
    v.filePath = QStringLiteral("/home/anna/Bank/sepa.xml");
    v.sender = QStringLiteral("Bäckerei Größer");
    v.count = QStringLiteral("3");
    v.bic = QStringLiteral("COBADEFFXXX");
    v.iban = QStringLiteral("DE89370400440532013000");
    v.total = QStringLiteral("234,50");
    v.today = QDate(2022, 12, 8);
    return v;
}

} // namespace

TEST(coverSheetText, HasEightLinesWithTheTypeOfTheVariantAndNoFinalBreak)
{
    const QString text = coverSheetText(sample(), Variant::DirectDebit);
    EXPECT_EQ(text, QStringLiteral("Dateiname: /home/anna/Bank/sepa.xml\r\n"
                                   "Typ: SEPA-Lastschriften\r\n"
                                   "Datum: 08.12.2022\r\n"
                                   "Anzahl Datensätze: 3\r\n"
                                   "Summe Datensätze (EUR): 234,50\r\n"
                                   "BIC Absenderbank: COBADEFFXXX\r\n"
                                   "IBAN Absender: DE89370400440532013000\r\n"
                                   "Absender: Bäckerei Größer"));
    EXPECT_TRUE(coverSheetText(sample(), Variant::CreditTransfer)
                    .contains(QStringLiteral("\r\nTyp: SEPA-Gutschriften\r\n")));
}

TEST(coverSheetText, WithoutTargetPathStartsWithTheTypeAndLiesInTheCurrentFolder)
{
    CoverSheetValues v = sample();
    v.filePath.clear();
    v.count.clear();
    v.total.clear();
    const QStringList lines =
        coverSheetText(v, Variant::CreditTransfer).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], QStringLiteral("Typ: SEPA-Gutschriften"));
    EXPECT_EQ(lines[2], QStringLiteral("Anzahl Datensätze: "));
    EXPECT_EQ(lines[3], QStringLiteral("Summe Datensätze (EUR): "));
    EXPECT_EQ(coverSheetTextPath(QString()), QStringLiteral("Begleitzettel.txt"));
    EXPECT_EQ(coverSheetTextPath(QStringLiteral("C:\\Bank\\sepa.xml")),
              QStringLiteral("C:\\Bank\\Begleitzettel.txt"));
    EXPECT_EQ(coverSheetTextPath(QStringLiteral("/srv/Bank/sepa.xml")),
              QStringLiteral("/srv/Bank/Begleitzettel.txt"));
}

TEST(coverSheetText, IsWrittenInWindows1252AndReplacesAnOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Begleitzettel.txt"));
    test::writeFile(path, QByteArray(5000, '~'));
    writeTextReport(path, coverSheetText(sample(), Variant::DirectDebit));
    const QByteArray bytes = test::readFile(path);
    EXPECT_TRUE(bytes.contains("Anzahl Datens\xe4tze: 3\r\n"));
    EXPECT_TRUE(bytes.endsWith("Absender: B\xe4"
                               "ckerei Gr\xf6\xdf"
                               "er"));
    EXPECT_FALSE(bytes.contains('~'));
}

TEST(coverSheetText, AMissingFolderIsAnErrorAndLeavesNoFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fehlt/Begleitzettel.txt"));
    try {
        writeTextReport(path, QStringLiteral("x"));
        FAIL() << "expected an error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Die Datei \"%1\" kann nicht erstellt werden.").arg(path));
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST(PrintedCoverSheet, DrawsTheLayoutInOrderOnOnePage)
{
    RecordingPrintService printer;
    printCoverSheetPages(printer, sample(), Variant::CreditTransfer);
    ASSERT_EQ(printer.jobs().size(), 1);
    const RecordedJob &job = printer.jobs()[0];
    EXPECT_TRUE(job.finished);
    EXPECT_EQ(job.request.kind, ReportKind::CoverSheet);
    const QString f = QStringLiteral("TL Times New Roman/48 ");
    const QStringList expected = {
        QStringLiteral("text 300 -200 ") + f + QStringLiteral("Begleitzettel vom 08.12.2022"),
        QStringLiteral("text 300 -260 ") + f +
            QStringLiteral("Datei /home/anna/Bank/sepa.xml für Sepa-Gutschriften"),
        QStringLiteral("line 250 -400 1600 -400 pen 2"),
        QStringLiteral("text 300 -500 ") + f + QStringLiteral("Anzahl Datensätze:"),
        QStringLiteral("text 900 -500 ") + f + QStringLiteral("3"),
        QStringLiteral("text 300 -560 ") + f + QStringLiteral("Summe Datensätze:"),
        QStringLiteral("text 900 -560 ") + f + QStringLiteral("234,50"),
        QStringLiteral("text 300 -800 ") + f + QStringLiteral("BIC Absenderbank:"),
        QStringLiteral("text 900 -800 ") + f + QStringLiteral("COBADEFFXXX"),
        QStringLiteral("text 300 -860 ") + f + QStringLiteral("IBAN Absender:"),
        QStringLiteral("text 900 -860 ") + f + QStringLiteral("DE89370400440532013000"),
        QStringLiteral("text 300 -920 ") + f + QStringLiteral("Absender:"),
        QStringLiteral("text 900 -920 ") + f + QStringLiteral("Bäckerei Größer"),
        QStringLiteral("line 500 -1200 1100 -1200 pen 2"),
        QStringLiteral("text 700 -1210 TL Times New Roman/24 Unterschrift"),
    };
    EXPECT_EQ(job.describe(), expected);

    printCoverSheetPages(printer, sample(), Variant::DirectDebit);
    EXPECT_EQ(printer.jobs()[1].texts()[1],
              QStringLiteral("Datei /home/anna/Bank/sepa.xml für Sepa-Lastschriften"));
}

TEST(PrintedCoverSheet, NamesTheDueDateOfTheFileBelowTheTotal)
{
    CoverSheetValues v = sample();
    v.dueDate = QDate(2022, 12, 27);
    RecordingPrintService printer;
    printCoverSheetPages(printer, v, Variant::DirectDebit);
    printCoverSheetPages(printer, v, Variant::CreditTransfer);
    const QString f = QStringLiteral("TL Times New Roman/48 ");
    const QStringList debit = printer.jobs()[0].describe();
    ASSERT_EQ(debit.size(), 17);
    EXPECT_EQ(debit[7], QStringLiteral("text 300 -620 ") + f + QStringLiteral("Fälligkeitsdatum:"));
    EXPECT_EQ(debit[8], QStringLiteral("text 900 -620 ") + f + QStringLiteral("27.12.2022"));
    EXPECT_EQ(printer.jobs()[1].describe()[7],
              QStringLiteral("text 300 -620 ") + f + QStringLiteral("Ausführungsdatum:"));
    // The text sheet stays as it always was.
    EXPECT_EQ(coverSheetText(v, Variant::DirectDebit),
              coverSheetText(sample(), Variant::DirectDebit));
}

TEST(PrintedCoverSheet, APrinterFailureTravelsAsError)
{
    RecordingPrintService printer;
    printer.failNextStart(QStringLiteral("Es ist kein Drucker installiert."));
    EXPECT_THROW(printCoverSheetPages(printer, sample(), Variant::DirectDebit), Error);
    EXPECT_TRUE(printer.jobs().isEmpty());
    printer.failNextFinish(QStringLiteral("Druckfehler"));
    EXPECT_THROW(printCoverSheetPages(printer, sample(), Variant::DirectDebit), Error);
    ASSERT_EQ(printer.jobs().size(), 1);
    EXPECT_FALSE(printer.jobs()[0].finished);
}

namespace {

void addHistoryRow(store::Table &h, const QString &type)
{
    h.insert();
    h.setValue(u"ID", 7);
    h.setValue(u"VonID", 121);
    h.setValue(u"BisID", 150);
    h.setValue(u"Gesamtbetrag", 234.5);
    if (!type.isEmpty())
        h.setValue(u"Zahlungsart", type);
    h.setValue(u"Erstellungsdatum", QDate(2022, 12, 8));
    h.setValue(u"Ausfuehrungdatum", QDate(2022, 12, 9));
    h.setValue(u"Mandantenname", QStringLiteral("Müller GmbH"));
    h.setValue(u"Mandantenkto", QStringLiteral("532013000"));
    h.setValue(u"Mandantenblz", 37040044);
    h.setValue(u"Dateiname", QStringLiteral("/srv/Bank/sepa.xml"));
    h.setValue(u"GesamtzahlSaetze", 30);
    h.post();
}

} // namespace

TEST(HistoryCoverSheet, ListsTheRowInTheFaceTheCanvasLastHad)
{
    store::Table history(QStringLiteral("ClientDataSet2"));
    history.createEmpty(store::historyFields());
    addHistoryRow(history, QStringLiteral("Gutschrift"));

    RecordingPrintService printer;
    printHistoryCoverSheetPages(printer, history, QString());
    const QString face = printer.canvas().face;
    ASSERT_EQ(printer.jobs().size(), 1);
    const QString f = QStringLiteral("TL %1/50 ").arg(face);
    const QStringList expected = {
        QStringLiteral("text 100 -50 TL %1/70 DTAUS - Begleitzettel Gutschrift").arg(face),
        QStringLiteral("text 100 -200 ") + f + QStringLiteral("Nummer: 7"),
        QStringLiteral("text 100 -300 ") + f + QStringLiteral("Dateiname: /srv/Bank/sepa.xml"),
        QStringLiteral("text 100 -400 ") + f + QStringLiteral("Erstellungsdatum: 08.12.2022"),
        QStringLiteral("text 100 -500 ") + f + QStringLiteral("Ausführungsdatum: 09.12.2022"),
        QStringLiteral("text 100 -600 ") + f + QStringLiteral("Bankleitzahl: 37040044"),
        QStringLiteral("text 100 -700 ") + f + QStringLiteral("Kontonummer: 532013000"),
        QStringLiteral("text 100 -800 ") + f + QStringLiteral("Kontoinhaber: Müller GmbH"),
        QStringLiteral("text 100 -900 ") + f + QStringLiteral("Kontrollsumme Kontonummer: "),
        QStringLiteral("text 100 -1000 ") + f + QStringLiteral("Kontrollsumme BLZ: "),
        QStringLiteral("text 100 -1100 ") + f + QStringLiteral("Gesamtzahl der Sätze: 30"),
        QStringLiteral("text 100 -1200 ") + f + QStringLiteral("Gesamtsumme: 234,50"),
    };
    EXPECT_EQ(printer.jobs()[0].describe(), expected);

    // After a cover sheet the canvas keeps Times New Roman, and the history sheet uses it.
    printCoverSheetPages(printer, sample(), Variant::DirectDebit);
    printHistoryCoverSheetPages(printer, history, QString());
    EXPECT_EQ(printer.jobs()[2].calls[0].style.face, QStringLiteral("Times New Roman"));
}

TEST(HistoryCoverSheet, AnEmptyHistoryPrintsEmptyValues)
{
    store::Table history(QStringLiteral("ClientDataSet2"));
    history.createEmpty(store::historyFields());
    RecordingPrintService printer;
    printHistoryCoverSheetPages(printer, history, QString());
    ASSERT_EQ(printer.jobs().size(), 1);
    EXPECT_EQ(printer.jobs()[0].texts().first(), QStringLiteral("DTAUS - Begleitzettel "));
    EXPECT_EQ(printer.jobs()[0].texts().last(), QStringLiteral("Gesamtsumme: "));
}
