#include "base/error.h"
#include "reports/coversheet.h"
#include "reports/painterdevice.h"
#include "testutil.h"
#include "ui/qtdialogs.h"
#include "ui/qtprintservice.h"

#include <QPrinter>
#include <QPrinterInfo>
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

} // namespace

TEST(QtPrintService, PrintsOnThePrinterTheDialogConfigured)
{
    QTemporaryDir dir;
    ui::QtDialogs dialogs;
    const QString out = dir.filePath(QStringLiteral("druck.pdf"));
    dialogs.printer()->setOutputFileName(out); // as if "Print to file" was chosen
    ui::QtPrintService printing(dialogs);
    reports::printCoverSheetPages(printing, values(), reports::Variant::DirectDebit);
    EXPECT_TRUE(test::readFile(out).startsWith("%PDF-"));
    EXPECT_EQ(dialogs.printer()->docName(), QStringLiteral("Begleitzettel"));
}

TEST(QtPrintService, WithoutAnyPrinterNoJobStarts)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    ui::QtDialogs dialogs;
    ui::QtPrintService printing(dialogs);
    try {
        reports::printCoverSheetPages(printing, values(), reports::Variant::CreditTransfer);
        FAIL() << "expected an error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Es ist kein Drucker installiert."));
    }
}
