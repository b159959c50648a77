// The .xls reader (Excel 97-2003, BIFF in an OLE container) through FreeXL. FreeXL reads a
// whole workbook into memory, every sheet as a full rectangle of cells, so opening first
// asks only for the sheet names and sizes (its "info" mode) and the full read happens when
// the rows are first asked for, once the sizes have passed the limits. FreeXL tells dates
// from numbers itself and hands them over as ISO text.
//
// FreeXL skips formula cells and gives boolean and error cells as 1 or 0, so the sheet's
// own records are read as well (xlscells.h) and their formula results, booleans and errors
// laid over FreeXL's cells. When those records cannot be followed at all, FreeXL's view
// stands; when the sheet has such cells that cannot be read, the read fails rather than
// hand over an empty amount or a 1 for an error.
#include "tabularreaders.h"

#include "error.h"
#include "sheetbuffer.h"
#include "tabularerrors.h"
#include "tabularvalues.h"
#include "xlscells.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <freexl.h>

#include <vector>

namespace ordovan::platform {

namespace {

namespace tv = tabular_values;

Q_LOGGING_CATEGORY(lcXls, "ordovan.platform.xls")

constexpr int kMaxCellChars = 32767;

// Closes a FreeXL handle however the read ends.
class Handle
{
public:
    Handle() = default;
    ~Handle()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    const void **out() { return &m_handle; }
    const void *get() const { return m_handle; }

private:
    const void *m_handle = nullptr;
};

QString freexlDetail(int code)
{
    return QStringLiteral("FreeXL %1").arg(code);
}

struct SheetInfo
{
    QString name;
    qint64 rows = 0;
    qint64 columns = 0;
};

QString cellText(const FreeXL_CellValue &value)
{
    switch (value.type) {
    case FREEXL_CELL_INT:
        return QString::number(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return tv::numberText(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return value.value.text_value
                   ? QString::fromUtf8(value.value.text_value).left(kMaxCellChars)
                   : QString();
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return value.value.text_value
                   ? tv::isoDateTimeText(QString::fromUtf8(value.value.text_value))
                   : QString();
    default:
        return {};
    }
}

class XlsConnection : public TabularConnection
{
public:
    XlsConnection(const QString &path, const TabularLimits &limits) : m_path(path), m_limits(limits)
    {
        readInfo();
    }

    QStringList tableNames(bool) const override
    {
        QStringList names;
        for (const SheetInfo &sheet : m_sheets)
            names << sheet.name;
        return names;
    }

    std::unique_ptr<TabularRowSet> openTable(const QString &name) override
    {
        const int index = tv::findTableName(tableNames(true), name);
        if (index < 0)
            throw Error(tabular_errors::noSuchTable(name));
        return std::make_unique<DeferredRowSet>(
            [path = m_path, limits = m_limits, sheets = m_sheets, index] {
                return readSheet(path, limits, sheets, index);
            });
    }

private:
    void readInfo();
    static xls_cells::SheetCells readOverlay(const QString &path, const TabularLimits &limits,
                                             const std::vector<SheetInfo> &sheets, int index);
    static std::unique_ptr<BufferedRowSet> readSheet(const QString &path,
                                                     const TabularLimits &limits,
                                                     const std::vector<SheetInfo> &sheets,
                                                     int index);

    QString m_path;
    TabularLimits m_limits;
    std::vector<SheetInfo> m_sheets;
};

void XlsConnection::readInfo()
{
    const QFileInfo file(m_path);
    if (!file.isFile() || !file.isReadable())
        throw Error(tabular_errors::cannotOpen(m_path));
    if (file.size() > m_limits.maxFileBytes)
        throw Error(tabular_errors::fileTooLarge(m_path));
    Handle handle;
    const QByteArray name = QFile::encodeName(m_path);
    const int rc = freexl_open_info(name.constData(), handle.out());
    if (rc == FREEXL_FILE_NOT_FOUND)
        throw Error(tabular_errors::cannotOpen(m_path), freexlDetail(rc));
    if (rc != FREEXL_OK)
        throw Error(tabular_errors::notAWorkbook(m_path), freexlDetail(rc));
    unsigned int info = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        throw Error(tabular_errors::encrypted(m_path));
    unsigned int count = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        throw Error(tabular_errors::damaged(m_path));
    for (unsigned int i = 0; i < count && i < 65536; ++i) {
        SheetInfo sheet;
        const char *text = nullptr;
        if (freexl_get_worksheet_name(handle.get(), (unsigned short)i, &text) != FREEXL_OK)
            throw Error(tabular_errors::damaged(m_path));
        sheet.name = QString::fromUtf8(text ? text : "");
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(handle.get(), (unsigned short)i) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle.get(), &rows, &columns) != FREEXL_OK)
            throw Error(tabular_errors::damaged(m_path));
        sheet.rows = rows;
        sheet.columns = columns;
        m_sheets.push_back(sheet);
    }
}

xls_cells::SheetCells XlsConnection::readOverlay(const QString &path, const TabularLimits &limits,
                                                 const std::vector<SheetInfo> &sheets, int index)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(tabular_errors::cannotOpen(path), file.errorString());
    if (file.size() > limits.maxFileBytes)
        throw Error(tabular_errors::fileTooLarge(path));
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw Error(tabular_errors::cannotOpen(path), file.errorString());
    QStringList names;
    for (const SheetInfo &sheet : sheets)
        names << sheet.name;
    xls_cells::SheetCells overlay = xls_cells::readSheetCells(bytes, index, names, limits);
    if (overlay.outcome == xls_cells::Outcome::Refused)
        throw Error(tabular_errors::damaged(path), overlay.detail);
    if (overlay.outcome == xls_cells::Outcome::Unreadable)
        qCWarning(lcXls) << "formula cells not read:" << overlay.detail;
    return overlay;
}

std::unique_ptr<BufferedRowSet> XlsConnection::readSheet(const QString &path,
                                                         const TabularLimits &limits,
                                                         const std::vector<SheetInfo> &sheets,
                                                         int index)
{
    // FreeXL holds every cell of every sheet at once: bound that before it allocates.
    qint64 total = 0;
    for (const SheetInfo &sheet : sheets)
        total += sheet.rows * sheet.columns;
    const SheetInfo &wanted = sheets[size_t(index)];
    if (wanted.rows * wanted.columns > limits.maxCells || total > 2 * limits.maxCells)
        throw Error(tabular_errors::tooManyCells(limits.maxCells));
    const xls_cells::SheetCells overlay = readOverlay(path, limits, sheets, index);

    Handle handle;
    const QByteArray name = QFile::encodeName(path);
    const int rc = freexl_open(name.constData(), handle.out());
    if (rc != FREEXL_OK)
        throw Error(tabular_errors::damaged(path), freexlDetail(rc));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle.get(), (unsigned short)index) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle.get(), &rows, &columns) != FREEXL_OK)
        throw Error(tabular_errors::damaged(path));
    if (qint64(rows) * columns > limits.maxCells)
        throw Error(tabular_errors::tooManyCells(limits.maxCells));
    SheetBuilder builder(limits);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            // A cell FreeXL cannot give is left empty, like any unreadable cell.
            if (freexl_get_cell_value(handle.get(), r, c, &value) == FREEXL_OK)
                builder.add(r, c, cellText(value));
        }
    }
    // Added last, so they take the place of FreeXL's 1 and 0; a formula cell outside
    // FreeXL's rectangle still widens the used range.
    for (const xls_cells::Cell &cell : overlay.cells)
        builder.add(cell.row, cell.column, cell.text);
    return builder.finish();
}

} // namespace

std::unique_ptr<TabularConnection> openXlsWorkbook(const QString &path, const TabularLimits &limits)
{
    return std::make_unique<XlsConnection>(path, limits);
}

} // namespace ordovan::platform
