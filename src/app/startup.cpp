// Start-up and window lifecycle. prepareProgram makes sure the data folder exists; startUp is
// the start-up load sequence: create or convert the table files on a first start, load the
// tables, restore the Mandant, the settings and the window, read the source for its preview
// and finally apply the command line. An Error anywhere ends the sequence where it happens;
// the caller shows it.
#include "context.h"
#include "operations.h"
#include "settingsnames.h"

#include "base/error.h"
#include "base/german.h"
#include "platform/files.h"

#include <QFileInfo>

#include <optional>

namespace ordovan::app {

void prepareProgram(Context &ctx)
{
    platform::ensureDirectory(ctx.data.dataDir());
    installMandantHooks(ctx);
    // Whenever the current history row changes, the record grids below it follow.
    ctx.data.ClientDataSet2.afterScroll = [&ctx](store::Table &) { historyRowChanged(ctx); };
}

namespace {

void restoreWindow(Context &ctx)
{
    MainState &s = ctx.state;
    if (readGlobalString(ctx, names::WindowState) == u"wsMaximized") {
        s.window.windowState = WindowState::Maximized;
        return;
    }
    s.window.windowState = WindowState::Normal;
    s.window.height = readGlobalInteger(ctx, names::Height);
    s.window.width = readGlobalInteger(ctx, names::Width);
    if (s.window.height < 200)
        s.window.height = 600;
    if (s.window.width < 200)
        s.window.width = 700;
}

} // namespace

void startUp(Context &ctx)
{
    loadStartUpState(ctx);
    applyCommandLine(ctx);
}

void loadStartUpState(Context &ctx)
{
    MainState &s = ctx.state;
    s.run.StartupDone = false;
    s.run.runStatus = RunStatus::Ok;
    s.run.FirstStart = false;

    store::DataModule &data = ctx.data;
    const bool oldMandanten = QFileInfo::exists(data.pathOf(QStringLiteral("db3.xml")));
    if (!data.anyWorkingFileExists()) {
        // An older Mandant file beside no other table: its Mandanten become mandant.xml
        // below instead of being hidden behind an empty one.
        data.createEmptyWorkingTables(!oldMandanten);
        saveColumnWidths(ctx);
        s.run.FirstStart = true;
    }
    if (!QFileInfo::exists(data.pathOf(QStringLiteral("mandant.xml"))) && oldMandanten) {
        if (convertOldMandanten(ctx))
            s.run.FirstStart = true;
    }
    data.loadAll();

    s.source.mapping.clear();
    buildMappingGrid(ctx);
    s.main.Label9Visible = false;

    s.main.DTPErstell = ctx.now();
    s.main.DTPAusf = s.main.DTPErstell;
    if (s.commandLine.executionDateOverride.isSet())
        s.main.DTPAusf.setDate(
            s.commandLine.executionDateOverride.resolve(s.main.DTPErstell.date()));

    // Fill the Mandant choice and select the last used Mandant; without one the red hint
    // shows and start-up goes on.
    try {
        fillMandantCombo(ctx);
    } catch (const Error &) {
        s.main.Label9Visible = true;
    }

    restoreWindow(ctx);
    setNewRecordsFilters(ctx);
    loadSettings(ctx);
    loadColumnWidths(ctx);
    s.log.MLog.clear();
    s.run.StartupDone = true;

    sourceOptionsChanged(ctx);
    showMappingPreview(ctx);
}

void applyCommandLine(Context &ctx)
{
    MainState &s = ctx.state;
    const QString word = ctx.args.value(0);
    ctx.outcome.runRequested = word == u"start" || word == u"startstop";
    const QString mandant = ctx.args.value(2);
    std::optional<qint32> unknownMandant;
    if (!mandant.isEmpty()) {
        const auto id = german::parseInteger(mandant);
        if (!id)
            throw Error(german::notAnIntegerMessage(mandant));
        writeGlobalInteger(ctx, names::Mandant, *id);
        const qint32 stored = readGlobalInteger(ctx, names::Mandant);
        store::Table &mandanten = ctx.data.ClientDataSet3;
        if (!mandanten.locate(u"ID", stored))
            unknownMandant = stored;
        if (mandanten.hasCurrentRow())
            s.main.CBMandantenText =
                mandanten.text(u"ID") + QStringLiteral(" -  ") + mandanten.text(u"Name");
        selectMandantFromCombo(ctx);
        loadSettings(ctx);
    }

    const QString type = ctx.args.value(1);
    if (type == u"ls_core")
        s.main.RGZahlungsart = LastschriftCore;
    else if (type == u"ls_cor1")
        s.main.RGZahlungsart = LastschriftCor1;
    else if (type == u"ls_b2b")
        s.main.RGZahlungsart = LastschriftB2b;
    else if (type == u"gs")
        s.main.RGZahlungsart = Gutschrift;

    if (ctx.outcome.runRequested) {
        // The current row stays selected, but a scheduled run for a Mandant that does not
        // exist would make the payments of whichever ordering party that is: refuse it.
        if (unknownMandant)
            throw Error(QStringLiteral("Der Mandant %1 ist nicht vorhanden. Die Verarbeitung "
                                       "wird nicht gestartet.")
                            .arg(*unknownMandant));
        ctx.outcome.runStarted = true;
        s.run.sepaFileWritten = false;
        runBatch(ctx);
        ctx.outcome.runFinished = true;
        if (word == u"startstop" && s.run.runStatus != RunStatus::SourceNotFound)
            ctx.outcome.quitRequested = true;
    }
}

void closeMainWindow(Context &ctx)
{
    saveSettings(ctx);
}

} // namespace ordovan::app
