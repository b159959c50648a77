// Reports on paper: every one passes the print preview first; printing from the preview
// reaches the printer the print dialog chose.
#include "base/error.h"
#include "reports/bookinglist.h"
#include "reports/coversheet.h"
#include "reports/painterdevice.h"
#include "testutil.h"
#include "ui/qtdialogs.h"
#include "ui/qtprintservice.h"

#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

reports::CoverSheetValues values()
{
    reports::CoverSheetValues v;
    v.filePath = QStringLiteral("/srv/Bank/sepa.xml");
    v.count = QStringLiteral("1");
    v.today = QDate(2022, 12, 8);
    return v;
}

// What the preview did: how often it was shown, whether the printer had been chosen.
struct PreviewLog
{
    int shown = 0;
    QList<bool> chosen;
};

ui::QtPrintService::Preview previewThat(bool print, PreviewLog &log, const QString &pdf = {})
{
    return [print, &log, pdf](QPrinter *printer, const ui::QtPrintService::Painter &paint,
                              bool chosen) {
        ++log.shown;
        log.chosen << chosen;
        if (!print)
            return false;
        if (!pdf.isEmpty())
            printer->setOutputFileName(pdf); // as if "Print to file" was chosen
        paint(printer);
        return true;
    };
}

} // namespace

TEST(QtPrintService, PrintingFromThePreviewReachesThePrinterTheDialogConfigured)
{
    QTemporaryDir dir;
    ui::QtDialogs dialogs;
    const QString out = dir.filePath(QStringLiteral("druck.pdf"));
    ui::QtPrintService printing(dialogs);
    PreviewLog log;
    printing.setPreview(previewThat(true, log, out));
    reports::printCoverSheetPages(printing, values(), reports::Variant::DirectDebit);
    EXPECT_EQ(log.shown, 1);
    EXPECT_EQ(log.chosen, QList<bool>{false}) << "no print dialog before a cover sheet";
    EXPECT_TRUE(test::readFile(out).startsWith("%PDF-"));
    EXPECT_EQ(dialogs.printer()->docName(), QStringLiteral("Begleitzettel"));
}

TEST(QtPrintService, AClosedPreviewPrintsNothingAndIsNoError)
{
    QTemporaryDir dir;
    ui::QtDialogs dialogs;
    const QString out = dir.filePath(QStringLiteral("druck.pdf"));
    dialogs.printer()->setOutputFileName(out);
    ui::QtPrintService printing(dialogs);
    PreviewLog log;
    printing.setPreview(previewThat(false, log));
    EXPECT_NO_THROW(
        reports::printCoverSheetPages(printing, values(), reports::Variant::CreditTransfer));
    EXPECT_EQ(log.shown, 1);
    EXPECT_FALSE(QFile::exists(out));
}

TEST(QtPrintService, ThePreviewShowsEveryPageOfTheReport)
{
    QTemporaryDir dir;
    ui::QtDialogs dialogs;
    ui::QtPrintService printing(dialogs);
    PreviewLog log;
    int pages = 0;
    printing.setPreview([&](QPrinter *printer, const ui::QtPrintService::Painter &paint, bool) {
        ++log.shown;
        printer->setOutputFileName(dir.filePath(QStringLiteral("liste.pdf")));
        paint(printer);
        // The PDF holds one "/Type /Page" object per page, and one "/Type /Pages".
        const QByteArray pdf = test::readFile(dir.filePath(QStringLiteral("liste.pdf")));
        pages = int(pdf.count("/Type /Page") - pdf.count("/Type /Pages"));
        return true;
    });
    auto job = printing.startJob({QStringLiteral("Buchungsliste"), reports::ReportKind::BookingList,
                                  QStringLiteral("/x.xml")});
    job->drawText(0, -100, QStringLiteral("Seite 1"), {QStringLiteral("Arial"), 48});
    job->newPage();
    job->drawText(0, -100, QStringLiteral("Seite 2"), {QStringLiteral("Arial"), 48});
    job->finish();
    EXPECT_EQ(log.shown, 1);
    EXPECT_EQ(pages, 2);
}
