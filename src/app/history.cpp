// The history of batch runs: one row of ClientDataSet2 per run, the archive copy of a run's
// records into ClientDataSetHisAZV, and the two history pages. The payment tables show a past
// run by a range filter on ID; which table receives the range follows historyRowUsesSepaTable.
// The window calls historyRowChanged whenever the current row of ClientDataSet2 changes;
// the operations here that move that row call it themselves.
#include "history.h"

#include "batchrun.h"
#include "context.h"
#include "logging.h"
#include "operations.h"

#include "base/error.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"

namespace ordovan::app {

namespace {

const QString kConfirmDeleteRow = QStringLiteral("Möchten Sie diese Zeile wirklich löschen?");
const QString kConfirmDeleteArchive =
    QStringLiteral("Sind Sie sicher, dass Sie gesamte Buchungshistorie löschen wollen?");
const QString kQuestionCaption = QStringLiteral("Frage");

// Deletes every visible row, from the end so that each deletion is cheap.
void removeAllRows(store::Table &table)
{
    table.disableControls();
    try {
        table.last();
        while (table.hasCurrentRow())
            table.remove();
    } catch (...) {
        table.enableControls();
        throw;
    }
    table.enableControls();
}

// Fills and posts the row being inserted; on any error the row is cancelled before the error
// travels on, so no half-filled history row is stored later.
void fillHistoryRow(Context &ctx, store::Table &t, const QString &logFilePath)
{
    const MainState &s = ctx.state;
    t.setValue(u"VonID", s.run.RunFirstID);
    t.setValue(u"BisID", s.run.RunLastID);
    t.setValue(u"LogDatei", logFilePath);
    if (!s.run.RunTotal.isEmpty())
        t.setValue(u"Gesamtbetrag", s.run.RunTotal); // converted as a German number
    t.setValue(u"Zahlungsart", s.main.LLastGut);
    t.setValue(u"Erstellungsdatum", s.main.DTPErstell.date());
    t.setValue(u"Ausfuehrungdatum",
               s.run.RunDueDate.isValid() ? s.run.RunDueDate : s.main.DTPAusf.date());
    t.setValue(u"Mandantenname", s.main.LKontoinhaber);
    t.setValue(u"Mandantenkto", s.main.LKontonummer.left(15));
    if (!s.main.LBankleitzahl.isEmpty())
        t.setValue(u"Mandantenblz", s.main.LBankleitzahl);
    t.setValue(u"Dateiname", s.main.EZieldatei);
    if (!s.run.RunRecordCount.isEmpty())
        t.setValue(u"GesamtzahlSaetze", s.run.RunRecordCount);
    // Only a file that stayed makes the source one that was paid.
    const int fingerprint = t.fieldIndex(u"QuelldateiSHA256");
    if (fingerprint >= 0 && s.run.sepaFileWritten)
        t.setText(fingerprint, s.run.RunSourceFingerprint);
    t.post();
}

} // namespace

bool historyRowUsesSepaTable(const QString &zahlungsart)
{
    if (zahlungsart.isEmpty() || zahlungsart == u"Gutschriften EU")
        return true;
    for (int choice = LastschriftCore; choice <= Gutschrift; ++choice) {
        if (zahlungsart == paymentTypeCaption(choice))
            return true;
    }
    return false;
}

void addHistoryEntry(Context &ctx, const QString &logFilePath)
{
    store::Table &t = ctx.data.ClientDataSet2;
    t.insert();
    try {
        fillHistoryRow(ctx, t, logFilePath);
    } catch (...) {
        t.cancel();
        throw;
    }
}

void archiveRunRecords(Context &ctx)
{
    if (ctx.state.main.RGZahlungsart < LastschriftCore || ctx.state.main.RGZahlungsart > Gutschrift)
        return;
    store::Table &from = ctx.data.ClientDataSetAZV;
    store::Table &to = ctx.data.ClientDataSetHisAZV;
    const int fields = std::min(from.storedFieldCount(), to.storedFieldCount());
    from.disableControls();
    to.disableControls();
    try {
        // The rows the run's filter shows: this run's records that survived the SEPA run.
        // Fields are copied by position, so each copy keeps its record's ID.
        const qint64 total = from.recordCount();
        qint64 done = 0;
        for (from.first(); !from.eof(); from.next(), ++done) {
            if ((done & 63) == 0)
                ctx.reportProgress(batchtexts::stepArchiving, done, total);
            if (to.insertCopyOf(from))
                continue;
            to.insert();
            for (int f = 0; f < fields; ++f)
                to.setStoredCell(f, from.fieldDef(f).kind, from.storedCell(f));
            to.post();
        }
    } catch (...) {
        to.cancel();
        from.enableControls();
        to.enableControls();
        throw;
    }
    from.enableControls();
    to.enableControls();
}

void pageChanged(Context &ctx, Page page)
{
    MainState &s = ctx.state;
    s.window.page = page;
    const bool filtered = page != Page::BookingHistory;
    ctx.data.ClientDataSet1.setFiltered(filtered);
    ctx.data.ClientDataSetAZV.setFiltered(filtered);
    if (page == Page::SepaHistory) {
        ctx.data.ClientDataSet2.last();
        historyRowChanged(ctx);
    }
}

void historyRowChanged(Context &ctx)
{
    MainState &s = ctx.state;
    store::Table &history = ctx.data.ClientDataSet2;
    store::Table &domestic = ctx.data.ClientDataSet1;
    store::Table &sepa = ctx.data.ClientDataSetAZV;
    // Any error here (a row without VonID, no row at all) leaves the filters as they were.
    try {
        if (s.window.page == Page::SepaHistory) {
            if (!history.hasCurrentRow())
                return;
            const auto von = history.integer(history.field(u"VonID"));
            const auto bis = history.integer(history.field(u"BisID"));
            if (!von || !bis)
                return;
            const QString range = QStringLiteral("ID >= %1 and ID <=%2").arg(*von).arg(*bis);
            const QString none = QStringLiteral("ID=0");
            const bool toSepa = historyRowUsesSepaTable(history.text(u"Zahlungsart"));
            store::Table &withRange = toSepa ? sepa : domestic;
            store::Table &withNone = toSepa ? domestic : sepa;
            withRange.setFilter(range);
            withNone.setFilter(none);
            withRange.setFiltered(true);
            withNone.setFiltered(true);
            return;
        }
        domestic.setFilter(s.run.newRecordsFilter1);
        domestic.setFiltered(true);
        if (s.window.page == Page::BookingHistory)
            domestic.setFiltered(false);
    } catch (const Error &e) {
        // A history row whose range cannot be a filter leaves the grids as they were; moving
        // through the history must not stop at it.
        qCWarning(lcApp) << "history filter" << e.message() << e.detail();
    }
}

void deleteHistoryRow(Context &ctx)
{
    store::Table &history = ctx.data.ClientDataSet2;
    // Nothing to delete: no question either.
    if (!history.hasCurrentRow())
        return;
    if (ctx.dialogs().message(platform::DialogKind::Confirmation, kConfirmDeleteRow,
                              platform::Yes | platform::No) != platform::Yes)
        return;
    // Only the history row goes; the run's records, the archive and the log file stay.
    history.remove();
    historyRowChanged(ctx);
}

void deleteArchives(Context &ctx)
{
    if (ctx.dialogs().question(kConfirmDeleteArchive, kQuestionCaption) != platform::Yes)
        return;
    removeAllRows(ctx.data.ClientDataSetHisInl);
    removeAllRows(ctx.data.ClientDataSetHisAZV);
}

void showHistoryLogFile(Context &ctx)
{
    store::Table &history = ctx.data.ClientDataSet2;
    if (!history.hasCurrentRow())
        return;
    const QString path = history.text(u"LogDatei");
    if (!path.isEmpty() && ctx.services.desktop)
        ctx.services.desktop->openWithDefault(path);
}

} // namespace ordovan::app
