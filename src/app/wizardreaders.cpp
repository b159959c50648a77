// The wizard's own readers: the file named in its EQuelldatei into its own SGDatei, for the
// preview of steps 1 and 2. They are simpler than the main window's: a text file has no text
// qualifier (quotes are ordinary text), nothing is logged and no run status is set, and a
// failure is told in a message box. The grid is never emptied first; a read overwrites the
// cells it finds and sets the counts, and a failed one leaves the grid as it was.
//
// The reader follows the extension as written (".xls" workbook, ".mdb" database), and also
// takes the formats a user saves today: ".xlsx" and ".ods" are workbooks, ".accdb" a database.
// A zip or compound file under any other name is a container, never text: shown as text it
// would only be its bytes.
#include "wizard.h"

#include "context.h"
#include "logging.h"
#include "tabularsource.h"

#include "base/error.h"
#include "formats/tabular.h"
#include "formats/tabularerrors.h"
#include "import/textsource.h"
#include "platform/dialogs.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <memory>

namespace ordovan::app {

namespace wizardtext {
const QString kExcelNotFound = QStringLiteral("Exceldatei konnte nicht gefunden werden");
const QString kAccessNotFound = QStringLiteral("Accessdatei konnte nicht gefunden werden");
const QString kSourceNotFound = QStringLiteral("Quelldatei konnte nicht gefunden werden");
const QString kExcelReadError = QStringLiteral("Fehler beim Lesen in der Exceldatei");
const QString kAccessReadError = QStringLiteral("Fehler beim Lesen in der Accessdatei");
const QString kSourceReadError = QStringLiteral("Fehler beim Lesen in der Quelldatei");
} // namespace wizardtext

namespace {

// The extension from the last dot of the file name on; empty without one.
QString extensionOf(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > slash ? path.mid(dot) : QString();
}

char separatorChar(Separator s)
{
    switch (s) {
    case Separator::Tab:
        return '\t';
    case Separator::Comma:
        return ',';
    case Separator::Semicolon:
        break;
    }
    return ';';
}

// The message of a failed read. A file that is there but cannot be read gets its reason on a
// second line: "not found" alone would send the user looking for a file they can see.
void showFailure(Context &ctx, const QString &message, const QString &path, const QString &reason)
{
    QString text = message;
    if (!reason.isEmpty() && QFileInfo::exists(path))
        text += QStringLiteral("\n\n") + reason;
    ctx.dialogs().plainMessage(text);
}

QString reasonOf(const std::exception &e, const QString &path)
{
    if (const auto *error = dynamic_cast<const Error *>(&e)) {
        qCWarning(lcApp) << "wizard source" << error->message() << error->detail();
        return error->message();
    }
    // Out of memory, or a library's own exception: the user learns that the file is the
    // trouble, the log what happened.
    qCWarning(lcApp) << "wizard source" << e.what();
    return formats::tabular_errors::unreadable(path);
}

// Sheets as listed. Database tables with the system tables too, but the user's own first, so
// that the table taken when none is chosen is one with the user's data.
QStringList tableList(const formats::TabularConnection &connection, formats::TabularKind kind)
{
    QStringList names = connection.tableNames(kind == formats::TabularKind::Workbook);
    if (kind == formats::TabularKind::Workbook)
        return names;
    for (const QString &name : connection.tableNames(true)) {
        if (!names.contains(name))
            names << name;
    }
    return names;
}

void readTabular(Context &ctx, WizardState &w, formats::TabularKind kind, const QString &notFound,
                 const QString &readError)
{
    std::unique_ptr<formats::TabularConnection> connection;
    std::unique_ptr<formats::TabularRowSet> rows;
    try {
        formats::TabularProvider *provider = ctx.services.tabular;
        if (!provider)
            throw Error(QStringLiteral("Kein Leseprogramm für Arbeitsmappen und Datenbanken."));
        connection = provider->connect(w.EQuelldatei, kind);
        // The list is filled only while it is empty; the file button empties it.
        if (w.CBTabellenItems.isEmpty())
            w.CBTabellenItems = tableList(*connection, kind);
        if (w.CBTabellenText.isEmpty()) {
            if (w.CBTabellenItems.isEmpty())
                throw Error(QStringLiteral("Die Datei enthält keine Tabelle."));
            w.CBTabellenText = w.CBTabellenItems.first();
        }
        rows = connection->openTable(w.CBTabellenText);
    } catch (const std::exception &e) {
        const QString reason = reasonOf(e, w.EQuelldatei);
        // The connection is closed before the user is told.
        rows.reset();
        connection.reset();
        showFailure(ctx, notFound, w.EQuelldatei, reason);
        return;
    }
    try {
        fillGridFromRows(w.SGDatei, *rows);
    } catch (const std::exception &e) {
        const QString reason = reasonOf(e, w.EQuelldatei);
        rows.reset();
        connection.reset();
        showFailure(ctx, readError, w.EQuelldatei, reason);
    }
}

} // namespace

void chooseWizardSourceFile(Context &ctx, WizardState &w)
{
    const std::optional<QString> path = ctx.dialogs().openFile(QString());
    if (!path)
        return;
    w.CBTabellenItems.clear();
    w.CBTabellenText.clear();
    w.EQuelldatei = *path;
    readWizardSource(ctx, w);
}

void chooseWizardTable(Context &ctx, WizardState &w, const QString &table)
{
    w.CBTabellenText = table;
    readWizardSource(ctx, w);
}

void setWizardSeparator(Context &ctx, WizardState &w, Separator separator)
{
    w.separator = separator;
    readWizardSource(ctx, w);
}

void setWizardTitleRow(Context &ctx, WizardState &w, bool on)
{
    w.CBTitelzeile = on;
    readWizardSource(ctx, w);
}

void readWizardSource(Context &ctx, WizardState &w)
{
    if (w.EQuelldatei.isEmpty())
        return;
    // Compared as written: "LISTE.XLS" is no ".xls", but as a compound file it still meets
    // the workbook reader below.
    const QString ext = extensionOf(w.EQuelldatei);
    if (ext == u".xls" || ext == u".xlsx" || ext == u".ods")
        readWizardWorkbookSource(ctx, w);
    else if (ext == u".mdb" || ext == u".accdb")
        readWizardDatabaseSource(ctx, w);
    else if (formats::isContainerFile(w.EQuelldatei))
        readWizardWorkbookSource(ctx, w);
    else
        readWizardTextSource(ctx, w);
}

void readWizardTextSource(Context &ctx, WizardState &w)
{
    const import::DelimitedFormat format{separatorChar(w.separator), 0};
    switch (import::readDelimitedFile(w.EQuelldatei, format, w.SGDatei)) {
    case import::TextReadOutcome::Read:
        break;
    case import::TextReadOutcome::CannotOpen:
        showFailure(ctx, wizardtext::kSourceNotFound, w.EQuelldatei,
                    formats::tabular_errors::cannotOpen(w.EQuelldatei));
        break;
    case import::TextReadOutcome::ReadFailed:
        showFailure(ctx, wizardtext::kSourceReadError, w.EQuelldatei,
                    formats::tabular_errors::unreadable(w.EQuelldatei));
        break;
    }
}

void readWizardWorkbookSource(Context &ctx, WizardState &w)
{
    readTabular(ctx, w, formats::TabularKind::Workbook, wizardtext::kExcelNotFound,
                wizardtext::kExcelReadError);
}

void readWizardDatabaseSource(Context &ctx, WizardState &w)
{
    // Unlike the main window's reader, this one leaves the title row option alone.
    readTabular(ctx, w, formats::TabularKind::Database, wizardtext::kAccessNotFound,
                wizardtext::kAccessReadError);
}

} // namespace ordovan::app
