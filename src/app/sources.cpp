// Reading the source named by EQuelldatei into the source grid SGDatei: the choice of reader
// by extension, the option handler that empties the grid and reads again, the file chooser,
// and the delimited text reader. The readers report only through the log and RunStatus
// (2 not found, 5 unreadable), with the German reason in RunSourceError; the batch run turns
// those into its status texts.
//
// A file that starts like a zip archive or an OLE compound document is never read as text,
// whatever its name: it goes to the workbook reader, which reads it by its content or
// refuses it. Read as text, its bytes would become payment records.
#include "batchrun.h"
#include "context.h"
#include "operations.h"

#include "formats/tabular.h"
#include "formats/tabularerrors.h"
#include "import/textsource.h"
#include "platform/dialogs.h"

#include <QFileInfo>

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
    // Templates and macro workbooks are workbooks too; .xlsb meets the workbook reader,
    // which explains that it cannot read it.
    static const QStringList extensions{
        QStringLiteral(".xls"),  QStringLiteral(".xlsx"), QStringLiteral(".xlsm"),
        QStringLiteral(".xlt"),  QStringLiteral(".xltx"), QStringLiteral(".xltm"),
        QStringLiteral(".xlsb"), QStringLiteral(".ods"),  QStringLiteral(".ots")};
    return extensions.contains(ext);
}

bool isDatabaseExtension(const QString &ext)
{
    return ext == u".mdb" || ext == u".accdb";
}

ordovan::import::DelimitedFormat formatOf(const MainState &s)
{
    ordovan::import::DelimitedFormat f;
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
}

} // namespace

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
    else if (formats::isContainerFile(ctx.state.main.EQuelldatei))
        readWorkbookSource(ctx);
    else
        readTextSource(ctx);
}

void readTextSource(Context &ctx)
{
    MainState &s = ctx.state;
    ctx.appendLogLine(kTextStart);
    const auto progress = [&ctx](qint64 done, qint64 total) {
        ctx.reportProgress(batchtexts::stepReading, done, total);
    };
    switch (
        import::readDelimitedFile(s.main.EQuelldatei, formatOf(s), s.source.SGDatei, progress)) {
    case import::TextReadOutcome::Read:
        ctx.appendLogLine(kTextEnd);
        break;
    case import::TextReadOutcome::CannotOpen:
        ctx.appendLogLine(kTextNotFound);
        s.run.runStatus = RunStatus::SourceNotFound;
        s.run.RunSourceError = QFileInfo::exists(s.main.EQuelldatei)
                                   ? formats::tabular_errors::cannotOpen(s.main.EQuelldatei)
                                   : formats::tabular_errors::notFound(s.main.EQuelldatei);
        break;
    case import::TextReadOutcome::ReadFailed:
        ctx.appendLogLine(kTextReadError);
        s.run.runStatus = RunStatus::SourceUnreadable;
        s.run.RunSourceError = formats::tabular_errors::unreadable(s.main.EQuelldatei);
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
