// Reading the source named by EQuelldatei into the source grid SGDatei: the choice of reader
// by extension, the option handler that empties the grid and reads again, the file chooser,
// and the delimited text reader. The readers report only through the log and RunStatus
// (2 not found, 5 unreadable); the batch run turns those into its status texts.
#include "context.h"
#include "operations.h"

#include "import/textsource.h"
#include "platform/dialogs.h"

namespace ordovan::app {

namespace {

const QString kTextStart = QStringLiteral(" Quelldatei ÖFFNEN START");
const QString kTextEnd = QStringLiteral(" Quelldatei ÖFFNEN ENDE");
const QString kTextNotFound = QStringLiteral(" Quelldatei konnte nicht gefunden werden");
const QString kTextReadError = QStringLiteral(" Fehler beim Lesen in der Quelldatei");

// The extension of the file name, from its last dot on (dot included); empty without one.
// A dot in a folder name does not count.
QString extensionOf(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > slash ? path.mid(dot) : QString();
}

bool isWorkbookExtension(const QString &ext)
{
    return ext == u".xls" || ext == u".xlsx" || ext == u".ods";
}

bool isDatabaseExtension(const QString &ext)
{
    return ext == u".mdb" || ext == u".accdb";
}

import::DelimitedFormat formatOf(const MainState &s){import::DelimitedFormat f;
switch (s.source.separator) {
case Separator::Tab:
    f.separator = '\t';
    break;
case Separator::Semicolon:
    f.separator = ';';
    break;
case Separator::Comma:
    f.separator = ',';
    break;
}
switch (s.source.qualifier) {
case Qualifier::Double:
    f.qualifier = '"';
    break;
case Qualifier::Single:
    f.qualifier = '\'';
    break;
case Qualifier::None:
    f.qualifier = 0;
    break;
}
return f;
} // namespace

} // namespace ordovan::app

void readSource(Context &ctx, bool batchRun)
{
    // The batch run ignores letter case; the option handler and the file chooser do not, so
    // there "LISTE.XLS" is read as text.
    QString ext = extensionOf(ctx.state.main.EQuelldatei);
    if (batchRun)
        ext = ext.toLower();
    if (isWorkbookExtension(ext))
        readWorkbookSource(ctx);
    else if (isDatabaseExtension(ext))
        readDatabaseSource(ctx);
    else
        readTextSource(ctx);
}

void readTextSource(Context &ctx)
{
    MainState &s = ctx.state;
    ctx.appendLogLine(kTextStart);
    switch (import::readDelimitedFile(s.main.EQuelldatei, formatOf(s), s.source.SGDatei)) {
    case import::TextReadOutcome::Read:
        ctx.appendLogLine(kTextEnd);
        break;
    case import::TextReadOutcome::CannotOpen:
        ctx.appendLogLine(kTextNotFound);
        s.run.runStatus = RunStatus::SourceNotFound;
        break;
    case import::TextReadOutcome::ReadFailed:
        ctx.appendLogLine(kTextReadError);
        s.run.runStatus = RunStatus::SourceUnreadable;
        break;
    }
}

void sourceOptionsChanged(Context &ctx)
{
    MainState &s = ctx.state;
    s.source.SGDatei.clearCells();
    // Until start-up is done the handler only empties the grid; start-up reads once at its
    // end.
    if (s.run.StartupDone && !s.main.EQuelldatei.isEmpty()) {
        readSource(ctx, false);
        showMappingPreview(ctx);
    }
}

void chooseSourceFile(Context &ctx)
{
    MainState &s = ctx.state;
    const std::optional<QString> path = ctx.dialogs().openFile(QString());
    if (!path)
        return;
    s.main.EQuelldatei = *path;
    s.source.CBTabellenItems.clear();
    s.source.CBTabellenText.clear();
    // A database is read at once and alone; everything else through the option handler.
    if (isDatabaseExtension(extensionOf(*path)))
        readDatabaseSource(ctx);
    else
        sourceOptionsChanged(ctx);
}

} // namespace ordovan::app
