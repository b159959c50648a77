// The report buttons: the cover sheet and the booking list of the last file creation (also
// called by the batch run), and the two print buttons of the history tab. Values come from
// the main window's labels and the tables as filtered; the layouts live in reports/.
// Failures (no printer, a text file that cannot be written) travel to the caller as Error.
#include "context.h"
#include "history.h"
#include "operations.h"

#include "base/error.h"
#include "platform/dialogs.h"
#include "reports/bookinglist.h"
#include "reports/coversheet.h"
#include "reports/printing.h"
#include "reports/texts.h"

namespace ordovan::app {

namespace {

reports::PrintService &printing(Context &ctx)
{
    if (!ctx.services.printing)
        throw Error(reports::texts::noPrinter());
    return *ctx.services.printing;
}

QString withoutPrefix(QString label, const QString &prefix)
{
    return label.remove(prefix, Qt::CaseInsensitive);
}

} // namespace

void printCoverSheet(Context &ctx)
{
    const MainState &s = ctx.state;
    if (s.main.RGZahlungsart < LastschriftCore || s.main.RGZahlungsart > Gutschrift)
        return;
    const reports::Variant variant = s.main.RGZahlungsart == Gutschrift
                                         ? reports::Variant::CreditTransfer
                                         : reports::Variant::DirectDebit;
    reports::CoverSheetValues values;
    values.filePath = s.main.EZieldatei;
    values.sender = s.main.LKontoinhaber;
    values.count = withoutPrefix(s.main.LSatzzahl, QStringLiteral("Satzanzahl: "));
    values.bic = s.main.LBIC;
    values.iban = s.main.LIBAN;
    values.total = withoutPrefix(s.main.LSumme, QStringLiteral("Gesamtsumme: "));
    values.today = ctx.now().date();
    values.dueDate = s.run.RunDueDate;

    if (s.main.CBLogspeichern)
        reports::writeTextReport(reports::coverSheetTextPath(s.main.EZieldatei),
                                 reports::coverSheetText(values, variant));
    else
        reports::printCoverSheetPages(printing(ctx), values, variant);
}

void printBookingList(Context &ctx)
{
    const MainState &s = ctx.state;
    if (s.main.CBLogspeichern) {
        const bool sepa = s.main.RGZahlungsart != NoPaymentType;
        store::Table &table = sepa ? ctx.data.ClientDataSetAZV : ctx.data.ClientDataSet1;
        const QString text = reports::bookingListText(table, sepa ? reports::Layout::Sepa
                                                                  : reports::Layout::Domestic);
        reports::writeTextReport(reports::bookingListTextPath(s.main.EZieldatei), text);
        return;
    }
    if (!ctx.dialogs().printDialog())
        return;
    reports::printBookingListPages(printing(ctx), ctx.data.ClientDataSetAZV, reports::Layout::Sepa,
                                   ctx.now().date(), s.main.EZieldatei);
}

void printHistoryCoverSheet(Context &ctx)
{
    if (!ctx.dialogs().printDialog())
        return;
    reports::printHistoryCoverSheetPages(printing(ctx), ctx.data.ClientDataSet2,
                                         ctx.state.main.EZieldatei);
}

void printHistoryBookingList(Context &ctx)
{
    if (!ctx.dialogs().printDialog())
        return;
    // The history-row change has set the row's range as the filter of the table it routes to.
    const store::Table &history = ctx.data.ClientDataSet2;
    const bool sepa =
        !history.hasCurrentRow() || historyRowUsesSepaTable(history.text(u"Zahlungsart"));
    reports::printBookingListPages(printing(ctx),
                                   sepa ? ctx.data.ClientDataSetAZV : ctx.data.ClientDataSet1,
                                   sepa ? reports::Layout::Sepa : reports::Layout::Domestic,
                                   ctx.now().date(), ctx.state.main.EZieldatei);
}

} // namespace ordovan::app
