// The .xls reader (Excel 97-2003, BIFF in an OLE container) through FreeXL. FreeXL reads a
// whole workbook into memory, every sheet as a full rectangle of cells, so opening first
// asks only for the sheet names and sizes (its "info" mode) and the full read happens when
// the rows are first asked for, once the sizes have passed the limits. FreeXL trusts the
// file: a damaged workbook can make it crash, so every FreeXL call runs in a child process
// (childprocess.h) that sends its results through a pipe.
//
// FreeXL skips formula cells, gives boolean and error cells as 1 or 0, and takes a number
// for a date when its format merely quotes a text with a "d" or "m" in it. So the sheet's
// own records are read as well (xlscells.h) and their numbers, formula results, booleans
// and errors laid over FreeXL's cells. When those records cannot be followed at all,
// FreeXL's view stands; when the sheet has such cells that cannot be read, the read fails
// rather than hand over an empty amount or a 1 for an error.
#include "tabularreaders.h"

#include "childprocess.h"
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

// What the child reports when FreeXL refuses the file ('F', the kind, FreeXL's code).
enum FailureKind : char
{
    kNotFound = 1,
    kNotAWorkbook,
    kEncrypted,
    kDamaged,
};

void writeFailure(ChildPipe &pipe, FailureKind kind, int code)
{
    pipe.writeByte('F');
    pipe.writeByte(kind);
    pipe.writeUInt32(quint32(code));
}

// The child's side of opening: per sheet 'S', its name, rows and columns; at the end 'E'.
void writeInfo(const QByteArray &name, ChildPipe &pipe)
{
    Handle handle;
    const int rc = freexl_open_info(name.constData(), handle.out());
    if (rc != FREEXL_OK)
        return writeFailure(pipe, rc == FREEXL_FILE_NOT_FOUND ? kNotFound : kNotAWorkbook, rc);
    unsigned int info = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        return writeFailure(pipe, kEncrypted, 0);
    unsigned int count = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        return writeFailure(pipe, kDamaged, 0);
    for (unsigned int i = 0; i < count && i < 65536; ++i) {
        const char *text = nullptr;
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_get_worksheet_name(handle.get(), (unsigned short)i, &text) != FREEXL_OK ||
            freexl_select_active_worksheet(handle.get(), (unsigned short)i) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle.get(), &rows, &columns) != FREEXL_OK)
            return writeFailure(pipe, kDamaged, 0);
        pipe.writeByte('S');
        pipe.writeText(QByteArray(text ? text : ""));
        pipe.writeUInt32(rows);
        pipe.writeUInt32(columns);
    }
    pipe.writeByte('E');
}

// The child's side of a sheet: 'D' with rows and columns, per cell with a value 'V', row,
// column and text; at the end 'E'. With textsOnly only text cells are sent: the sheet's own
// records have given every other cell already.
void writeSheet(const QByteArray &name, int index, bool textsOnly, ChildPipe &pipe)
{
    Handle handle;
    const int rc = freexl_open(name.constData(), handle.out());
    if (rc != FREEXL_OK)
        return writeFailure(pipe, kDamaged, rc);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle.get(), (unsigned short)index) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle.get(), &rows, &columns) != FREEXL_OK)
        return writeFailure(pipe, kDamaged, 0);
    pipe.writeByte('D');
    pipe.writeUInt32(rows);
    pipe.writeUInt32(columns);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            // A cell FreeXL cannot give is left empty, like any unreadable cell.
            if (freexl_get_cell_value(handle.get(), r, c, &value) != FREEXL_OK)
                continue;
            if (textsOnly && value.type != FREEXL_CELL_TEXT && value.type != FREEXL_CELL_SST_TEXT)
                continue;
            const QString text = cellText(value);
            if (text.isEmpty())
                continue;
            pipe.writeByte('V');
            pipe.writeUInt32(r);
            pipe.writeUInt32(c);
            pipe.writeText(text.toUtf8());
        }
    }
    pipe.writeByte('E');
}

// The parent's side of a failure message; false while it is not all there.
bool takeFailure(PipeMessages &in, const QString &path)
{
    if (in.available() < 6)
        return false;
    const auto kind = FailureKind(in.at(1));
    const QString detail = freexlDetail(int(in.uint32At(2)));
    in.consume(6);
    switch (kind) {
    case kNotFound:
        throw Error(tabular_errors::cannotOpen(path), detail);
    case kNotAWorkbook:
        throw Error(tabular_errors::notAWorkbook(path), detail);
    case kEncrypted:
        throw Error(tabular_errors::encrypted(path));
    default:
        throw Error(tabular_errors::damaged(path), detail);
    }
}

ChildLimits childLimits(const TabularLimits &limits)
{
    return ChildLimits{limits.childMemoryBytes, limits.childIdleMs};
}

void XlsConnection::readInfo()
{
    const QFileInfo file(m_path);
    if (!file.isFile() || !file.isReadable())
        throw Error(tabular_errors::cannotOpen(m_path));
    if (file.size() > m_limits.maxFileBytes)
        throw Error(tabular_errors::fileTooLarge(m_path));
    const QByteArray name = QFile::encodeName(m_path);
    PipeMessages in;
    bool complete = false;
    const auto take = [&] {
        while (in.available() > 0 && !complete) {
            const char tag = in.peek();
            if (tag == 'E') {
                complete = true;
                in.consume(1);
            } else if (tag == 'F') {
                if (!takeFailure(in, m_path))
                    return;
            } else if (tag == 'S') {
                const qint64 text = in.textSize(1);
                if (text < 0 || in.available() < 1 + text + 8)
                    return;
                m_sheets.push_back(
                    {in.textAt(1), in.uint32At(1 + text), in.uint32At(1 + text + 4)});
                in.consume(1 + text + 8);
            } else {
                throw Error(tabular_errors::damaged(m_path));
            }
        }
    };
    runInChild([&](ChildPipe &pipe) { writeInfo(name, pipe); },
               [&](const char *data, qint64 size) {
                   in.append(data, size);
                   take();
               },
               childLimits(m_limits), tabular_errors::notAWorkbook(m_path));
    if (!complete)
        throw Error(tabular_errors::damaged(m_path));
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

    SheetBuilder builder(limits);
    const QByteArray name = QFile::encodeName(path);
    PipeMessages in;
    bool sized = false, complete = false;
    const auto take = [&] {
        while (in.available() > 0 && !complete) {
            const char tag = in.peek();
            if (tag == 'E' && sized) {
                complete = true;
                in.consume(1);
            } else if (tag == 'F') {
                if (!takeFailure(in, path))
                    return;
            } else if (tag == 'D' && !sized) {
                if (in.available() < 9)
                    return;
                if (qint64(in.uint32At(1)) * in.uint32At(5) > limits.maxCells)
                    throw Error(tabular_errors::tooManyCells(limits.maxCells));
                sized = true;
                in.consume(9);
            } else if (tag == 'V' && sized) {
                const qint64 text = in.textSize(9);
                if (text < 0)
                    return;
                builder.add(in.uint32At(1), in.uint32At(5), in.textAt(9));
                in.consume(9 + text);
            } else {
                throw Error(tabular_errors::damaged(path));
            }
        }
    };
    const bool textsOnly = overlay.outcome == xls_cells::Outcome::Read;
    runInChild([&](ChildPipe &pipe) { writeSheet(name, index, textsOnly, pipe); },
               [&](const char *data, qint64 size) {
                   in.append(data, size);
                   take();
               },
               childLimits(limits), tabular_errors::damaged(path));
    if (!complete)
        throw Error(tabular_errors::damaged(path));
    // Added last, so they take the place of FreeXL's cells; a formula cell outside
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
