// The .xls reader: Excel 5.0/95 (BIFF5) and Excel 97-2003 (BIFF8) workbooks, BIFF records in
// an OLE compound document. Opening reads the file, takes the workbook stream out of the
// container ("Workbook", or "Book" for Excel 95, in any letter case, in sectors or in the
// mini stream) and reads the globals for the sheet list; the shared strings and the sheet's
// cells are read when the rows are first asked for. The connection and its row sets share
// the stream. Every record is checked against the stream, so the reader runs in the
// program itself; a workbook it cannot read whole is refused, never read in part.
#include "tabularreaders.h"

#include "base/error.h"
#include "sheetbuffer.h"
#include "tabularerrors.h"
#include "tabularvalues.h"
#include "xlsbytes.h"
#include "xlscells.h"
#include "xlscompound.h"

#include <QFile>

#include <optional>

namespace ordovan::formats {

namespace {

namespace tv = tabular_values;
using xls_bytes::XlsBroken;
using xls_bytes::XlsEncrypted;

// What the connection and its row sets share.
struct XlsBook
{
    QString path;
    TabularLimits limits;
    QByteArray stream;
    xls_cells::Workbook globals;
    std::optional<std::vector<QString>> strings; // read with the first sheet
};

QByteArray readWhole(const QString &path, const TabularLimits &limits)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(tabular_errors::cannotOpen(path), file.errorString());
    if (file.size() > limits.maxFileBytes)
        throw Error(tabular_errors::fileTooLarge(path));
    QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw Error(tabular_errors::cannotOpen(path), file.errorString());
    return bytes;
}

// The workbook stream of the container. Office suites encrypt an .xlsx into an OLE container
// of its own kind, so that one is refused as encrypted, not as a foreign file.
QByteArray workbookStream(const QString &path, const QByteArray &file, qint64 maxBytes)
{
    CompoundFile compound(file);
    const QStringList streams = compound.streamNames();
    if (streams.contains(QStringLiteral("EncryptedPackage"), Qt::CaseInsensitive) ||
        streams.contains(QStringLiteral("EncryptionInfo"), Qt::CaseInsensitive))
        throw XlsEncrypted{};
    std::optional<QByteArray> stream =
        compound.stream({QStringLiteral("Workbook"), QStringLiteral("Book")}, maxBytes);
    if (!stream)
        throw Error(tabular_errors::notAWorkbook(path), streams.join(u','));
    return *std::move(stream);
}

std::unique_ptr<BufferedRowSet> readRows(XlsBook &book, int index)
{
    try {
        if (!book.strings)
            book.strings = xls_cells::readSharedStrings(book.stream, book.globals, book.limits);
        SheetBuilder builder(book.limits);
        xls_cells::readSheet(book.stream, book.globals, *book.strings, index, builder, book.limits);
        return builder.finish();
    } catch (const XlsBroken &broken) {
        throw Error(tabular_errors::damaged(book.path), broken.detail);
    } catch (const XlsEncrypted &) {
        throw Error(tabular_errors::encrypted(book.path));
    }
}

class XlsConnection : public TabularConnection
{
public:
    XlsConnection(const QString &path, const TabularLimits &limits)
        : m_book(std::make_shared<XlsBook>())
    {
        m_book->path = path;
        m_book->limits = limits;
        try {
            m_book->stream = workbookStream(path, readWhole(path, limits), limits.maxFileBytes);
            m_book->globals = xls_cells::readWorkbook(m_book->stream);
        } catch (const XlsBroken &broken) {
            throw Error(tabular_errors::damaged(path), broken.detail);
        } catch (const XlsEncrypted &) {
            throw Error(tabular_errors::encrypted(path));
        }
        m_names = m_book->globals.worksheetNames();
    }

    QStringList tableNames(bool) const override { return m_names; }

    std::unique_ptr<TabularRowSet> openTable(const QString &name) override
    {
        const int index = tv::findTableName(m_names, name);
        if (index < 0)
            throw Error(tabular_errors::noSuchTable(name));
        return std::make_unique<DeferredRowSet>(
            [book = m_book, index] { return readRows(*book, index); });
    }

private:
    std::shared_ptr<XlsBook> m_book;
    QStringList m_names;
};

} // namespace

std::unique_ptr<TabularConnection> openXlsWorkbook(const QString &path, const TabularLimits &limits)
{
    return std::make_unique<XlsConnection>(path, limits);
}

} // namespace ordovan::formats
