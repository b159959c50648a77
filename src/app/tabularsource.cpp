// readWorkbookSource and readDatabaseSource: a sheet of a workbook or a table of a database,
// through the tabular provider of the services, into the source grid SGDatei (one grid
// column per row, one grid row per field). The sheet or table is the text of CBTabellen;
// its item list is filled from the file while it is empty. The outcome goes to the log and
// the run status: 2 when the file, the sheet or the table cannot be opened, 5 when its rows
// cannot be read. After a failure the grid keeps what it held.
#include "tabularsource.h"
#include "batchrun.h"
#include "context.h"
#include "logging.h"
#include "operations.h"

#include "base/error.h"
#include "formats/tabular.h"

#include <QLoggingCategory>

#include <exception>
#include <memory>

namespace ordovan::app {

namespace {

struct ReaderTexts
{
    const QString &start;
    const QString &end;
    const QString &notFound;
    const QString &readError;
    const QString &openError;
};

// Logs the technical detail and keeps the German message for the run's caller.
void noteFailure(Context &ctx, const char *phase, const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e)) {
        qCWarning(lcApp) << phase << error->message() << error->detail();
        ctx.state.run.RunSourceError = error->message();
    } else {
        qCWarning(lcApp) << phase << e.what();
        ctx.state.run.RunSourceError = QString::fromLocal8Bit(e.what());
    }
}

void readTabularSource(Context &ctx, formats::TabularKind kind, const ReaderTexts &texts)
{
    auto &state = ctx.state;
    try {
        formats::TabularProvider *provider = ctx.services.tabular;
        if (!provider)
            throw Error(QStringLiteral("Kein Leseprogramm für Arbeitsmappen und Datenbanken."));

        std::unique_ptr<formats::TabularConnection> connection;
        std::unique_ptr<formats::TabularRowSet> rows;
        try {
            connection = provider->connect(state.main.EQuelldatei, kind);
            if (state.source.CBTabellenItems.isEmpty())
                state.source.CBTabellenItems =
                    connection->tableNames(kind == formats::TabularKind::Workbook);
            if (state.source.CBTabellenText.isEmpty()) {
                // A file without any sheet or table has no first item to take.
                if (state.source.CBTabellenItems.isEmpty())
                    throw Error(QStringLiteral("Die Datei enthält keine Tabelle."));
                state.source.CBTabellenText = state.source.CBTabellenItems.first();
            }
            rows = connection->openTable(state.source.CBTabellenText);
        } catch (const std::bad_alloc &) {
            throw;
        } catch (const std::exception &e) {
            noteFailure(ctx, "open", e);
            ctx.appendLogLine(texts.notFound);
            state.run.runStatus = RunStatus::SourceNotFound;
            return;
        }

        try {
            fillGridFromRows(ctx, *rows);
        } catch (const std::exception &e) {
            noteFailure(ctx, "read", e);
            ctx.appendLogLine(texts.readError);
            state.run.runStatus = RunStatus::SourceUnreadable;
            return;
        }
        ctx.appendLogLine(texts.end);
    } catch (const std::exception &e) {
        noteFailure(ctx, "other", e);
        ctx.appendLogLine(texts.openError);
        state.run.runStatus = RunStatus::SourceUnreadable;
    }
}

} // namespace

void readWorkbookSource(Context &ctx)
{
    using namespace tabular_log;
    ctx.appendLogLine(kExcelStart);
    readTabularSource(ctx, formats::TabularKind::Workbook,
                      {kExcelStart, kExcelEnd, kExcelNotFound, kExcelReadError, kExcelOpenError});
}

void readDatabaseSource(Context &ctx)
{
    using namespace tabular_log;
    ctx.appendLogLine(kAccessStart);
    // A database table has no title row. Switching the option off is a change of it like
    // any other, so the option handler runs (and reads the source once more).
    if (ctx.state.source.CBTitelzeile) {
        ctx.state.source.CBTitelzeile = false;
        sourceOptionsChanged(ctx);
    }
    readTabularSource(
        ctx, formats::TabularKind::Database,
        {kAccessStart, kAccessEnd, kAccessNotFound, kAccessReadError, kAccessOpenError});
}

void fillGridFromRows(import::SourceGrid &grid, formats::TabularRowSet &rows,
                      const std::function<void(int, int)> &progress)
{
    const int fields = rows.fieldCount();
    grid.setRowCount(fields);
    grid.setColumnCount(rows.rowCount());
    rows.first();
    while (!rows.eof()) {
        const int column = rows.recNo() - 1;
        for (int i = 0; i < fields; ++i) {
            // One cell that cannot be had leaves that cell as it was.
            try {
                grid.setCell(column, i, rows.text(i));
            } catch (const std::exception &e) {
                // The rest of the row is still worth having; the log says which cell failed.
                qCWarning(lcApp) << "cell" << column << i << e.what();
            }
        }
        rows.next();
        if (progress && (column & 63) == 0)
            progress(column + 1, grid.columnCount());
    }
}

void fillGridFromRows(Context &ctx, formats::TabularRowSet &rows)
{
    fillGridFromRows(ctx.state.source.SGDatei, rows, [&ctx](int done, int total) {
        ctx.reportProgress(batchtexts::stepReading, done, total);
    });
}

} // namespace ordovan::app
