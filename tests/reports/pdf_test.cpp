#include "base/error.h"
#include "reports/bookinglist.h"
#include "reports/coversheet.h"
#include "reports/painterdevice.h"
#include "store/schema.h"
#include "store/table.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace ordovan;
using namespace Qt::StringLiterals;
using namespace ordovan::reports;

namespace {

CoverSheetValues values(const QString &target)
{
    CoverSheetValues v;
    v.filePath = target;
    v.sender = QStringLiteral("Bäckerei Größer");
    v.count = QStringLiteral("2");
    v.bic = QStringLiteral("COBADEFFXXX");
    v.iban = QStringLiteral("DE89370400440532013000");
    v.total = QStringLiteral("234,50");
    v.today = QDate(2022, 12, 8);
    return v;
}

int pdfPages(const QByteArray &pdf)
{
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page/") +
               pdf.count("/Type /Page "));
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(PdfReports, CoverSheetHistorySheetAndBookingListBecomePdfFilesBesideTheTarget)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("sepa.xml"));
    PdfPrintService pdf;

    printCoverSheetPages(pdf, values(target), Variant::DirectDebit);
    const QByteArray cover = test::readFile(dir.filePath(QStringLiteral("Begleitzettel.pdf")));
    ASSERT_TRUE(cover.startsWith("%PDF-"));
    EXPECT_EQ(pdfPages(cover), 1);

    store::Table t(QStringLiteral("ClientDataSetAZV"));
    t.createEmpty(store::sepaPaymentFields());
    for (int id = 1; id <= 34; ++id) {
        t.insert();
        t.setValue(u"ID", id);
        t.setValue(u"Name1", QStringLiteral("Müller %1").arg(id));
        t.setValue(u"Verwendungszweck", QStringLiteral("Miete \rMai"));
        t.setValue(u"Betrag", 1000.0 + id);
        t.post();
    }
    printBookingListPages(pdf, t, Layout::Sepa, QDate(2022, 12, 8), target);
    const QByteArray list = test::readFile(dir.filePath(QStringLiteral("Buchungsliste.pdf")));
    ASSERT_TRUE(list.startsWith("%PDF-"));
    EXPECT_EQ(pdfPages(list), 2);

    store::Table history(QStringLiteral("ClientDataSet2"));
    history.createEmpty(store::historyFields());
    printHistoryCoverSheetPages(pdf, history, target);
    EXPECT_NE(test::readFile(dir.filePath(QStringLiteral("Begleitzettel.pdf"))), cover);

    // Nothing but the two reports: no temporary file is left behind.
    EXPECT_EQ(entries(dir.path()), (QStringList{QStringLiteral("Begleitzettel.pdf"),
                                                QStringLiteral("Buchungsliste.pdf")}));
}

TEST(PdfReports, FacesMapToTheMetricCompatibleFontsAndHeightsAreCellHeights)
{
    QTemporaryDir dir;
    QPdfWriter writer(dir.filePath(QStringLiteral("probe.pdf")));
    writer.setResolution(1200);
    PainterPageDevice device(&writer);
    const QFont serif = device.fontFor(QStringLiteral("Times New Roman"), 48);
    const QFont sans = device.fontFor(QStringLiteral("Arial"), 60);
    EXPECT_EQ(QFontInfo(serif).family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(QFontInfo(sans).family(), QStringLiteral("Liberation Sans"));
    // 4.8 mm at 1200 dpi are 226.8 pixels from the top of the cell to its bottom.
    EXPECT_NEAR(QFontMetricsF(serif, &writer).height(), 226.8, 3.0);
    EXPECT_EQ(device.printableWidthMm(),
              int(writer.pageLayout().paintRect(QPageLayout::Millimeter).width()));
    device.finish();
}

TEST(PdfReports, AMissingOrReadOnlyFolderIsAGermanErrorAndNoFileRemains)
{
    QTemporaryDir dir;
    PdfPrintService pdf;
    const QString missing = dir.filePath(QStringLiteral("fehlt/sepa.xml"));
    try {
        printCoverSheetPages(pdf, values(missing), Variant::CreditTransfer);
        FAIL() << "expected an error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Die Datei \"%1\" kann nicht erstellt werden.")
                                   .arg(dir.filePath(QStringLiteral("fehlt/Begleitzettel.pdf"))));
    }

    // Root writes into read-only folders; /proc takes no new files from anyone.
    if (::geteuid() == 0) {
        EXPECT_THROW(printCoverSheetPages(pdf, values(QStringLiteral("/proc/sepa.xml")),
                                          Variant::CreditTransfer),
                     Error);
        return;
    }
    const QString locked = dir.filePath(QStringLiteral("gesperrt"));
    QDir().mkpath(locked);
    const QString old = locked + QStringLiteral("/Begleitzettel.pdf");
    test::writeFile(old, "alt");
    ::chmod(QFile::encodeName(locked).constData(), 0555);
    EXPECT_THROW(printCoverSheetPages(pdf, values(locked + QStringLiteral("/sepa.xml")),
                                      Variant::CreditTransfer),
                 Error);
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    EXPECT_EQ(test::readFile(old), QByteArray("alt"));
    EXPECT_EQ(entries(locked), QStringList{QStringLiteral("Begleitzettel.pdf")});
}

TEST(PdfReports, OutputsLieBesideTheTargetFile)
{
    // The reports go into the folder part of the target path; the file name is their own.
    PrintRequest r{QStringLiteral("Buchungsliste"), ReportKind::BookingList,
                   QStringLiteral("/srv/Bank/sepa.xml")};
    EXPECT_EQ(PdfPrintService::outputPath(r), QStringLiteral("/srv/Bank/Buchungsliste.pdf"));
    r.targetPath.clear();
    EXPECT_EQ(PdfPrintService::outputPath(r), QStringLiteral("Buchungsliste.pdf"));
}
