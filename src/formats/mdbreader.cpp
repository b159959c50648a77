// The .mdb/.accdb reader through mdbtools' libmdb. The catalog lists the tables; a table's
// rows are fetched one by one into bound text buffers. libmdb trusts the file: a damaged
// database can make it loop while it allocates without end, so every libmdb call runs in a
// child process (childprocess.h) that sends its results through a pipe, and the parent
// builds the rows within the limits. Numbers, money and dates are taken from the row's raw
// bytes instead of libmdb's own text (which follows the C locale and cannot show dates
// outside 1900..2099), so they come out in the German notation; yes/no fields become
// "WAHR"/"FALSCH"; binary and OLE fields stay empty.
#include "tabularreaders.h"

#include "base/error.h"
#include "childprocess.h"
#include "mdbmessages.h"
#include "sheetbuffer.h"
#include "tabularerrors.h"
#include "tabularvalues.h"

#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <cstring>
#include <vector>

namespace ordovan::formats {

namespace {

namespace tv = tabular_values;

constexpr size_t kBindSize = 64 * 1024;

// Jet writes whole pages: 2048 bytes (Jet 3) or 4096 (Jet 4 and .accdb), the version byte
// at offset 0x14 tells which. A file cut off within a page is damaged; refusing it here
// spares the child process a loop that only its time or memory limit would end.
bool wholePages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(0x15);
    if (head.size() < 0x15)
        return false;
    const qint64 page = head[0x14] == 0 ? 2048 : 4096;
    return file.size() >= 2 * page && file.size() % page == 0;
}

// Money is a 64-bit count of ten-thousandths: written exactly, without a detour via double.
QString moneyText(const unsigned char *bytes)
{
    qint64 raw = 0;
    std::memcpy(&raw, bytes, sizeof raw); // little-endian on disk, as on this platform
    const bool negative = raw < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(raw) : quint64(raw);
    const QString plain = QStringLiteral("%1%2.%3")
                              .arg(negative ? QStringLiteral("-") : QString())
                              .arg(magnitude / 10000)
                              .arg(magnitude % 10000, 4, 10, QChar(u'0'));
    return tv::decimalText(plain);
}

QString fieldText(MdbHandle *mdb, const MdbColumn *col, const char *bound)
{
    if (col->col_type == MDB_BOOL)
        return tv::booleanText(std::strcmp(bound, "1") == 0);
    if (col->cur_value_len <= 0)
        return {}; // null
    const int start = col->cur_value_start;
    const auto fits = [&](int size) { return start >= 0 && start + size <= int(MDB_PGSIZE); };
    switch (col->col_type) {
    case MDB_MONEY:
        return fits(8) ? moneyText(mdb->pg_buf + start) : QString();
    case MDB_FLOAT:
        return fits(4) ? tv::numberText(mdb_get_single(mdb->pg_buf, start), 7) : QString();
    case MDB_DOUBLE:
        return fits(8) ? tv::numberText(mdb_get_double(mdb->pg_buf, start)) : QString();
    case MDB_DATETIME:
        return fits(8) ? tv::serialDateTimeText(mdb_get_double(mdb->pg_buf, start)) : QString();
    case MDB_NUMERIC:
        return tv::decimalText(QString::fromUtf8(bound));
    case MDB_BINARY:
    case MDB_OLE:
    case MDB_COMPLEX:
        return {};
    default:
        return QString::fromUtf8(bound);
    }
}

// The child's side: opens the database afresh (a handle cannot cross the fork), quietly.
MdbHandle *openInChild(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    MdbHandle *mdb = mdb_open(name.constData(), MDB_NOFLAGS);
    if (!mdb)
        throw Error(tabular_errors::notADatabase(path));
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_boolean_fmt_numbers(mdb);
    return mdb;
}

// Catalog: 'T', the system flag, the name; at the end 'E'.
void writeCatalog(const QString &path, ChildPipe &pipe)
{
    MdbHandle *mdb = openInChild(path);
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        throw Error(tabular_errors::damaged(path));
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE)
            continue;
        pipe.writeByte('T');
        pipe.writeByte(mdb_is_user_table(entry) ? 0 : 1);
        pipe.writeText(QByteArray(entry->object_name));
    }
    pipe.writeByte('E');
    mdb_close(mdb);
}

// Table: 'C' and the field count, then per row 'R' and every field's text; at the end 'E'.
void writeTable(const QString &path, const QString &name, ChildPipe &pipe)
{
    MdbHandle *mdb = openInChild(path);
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        throw Error(tabular_errors::damaged(path));
    QByteArray tableName = name.toUtf8();
    MdbTableDef *table = mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE);
    if (!table || !mdb_read_columns(table))
        throw Error(tabular_errors::damaged(path), name);
    const unsigned int columns = table->num_cols;
    std::vector<std::vector<char>> buffers(columns, std::vector<char>(kBindSize + 1, 0));
    std::vector<int> lengths(columns, 0);
    for (unsigned int c = 0; c < columns; ++c)
        mdb_bind_column(table, int(c) + 1, buffers[c].data(), &lengths[c]);
    pipe.writeByte('C');
    pipe.writeUInt32(columns);
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        pipe.writeByte('R');
        for (unsigned int c = 0; c < columns; ++c) {
            const auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c));
            pipe.writeText(fieldText(mdb, col, buffers[c].data()).toUtf8());
        }
    }
    pipe.writeByte('E');
    mdb_free_tabledef(table);
    mdb_close(mdb);
}

class AccessConnection : public TabularConnection
{
public:
    AccessConnection(const QString &path, const TabularLimits &limits)
        : m_path(path), m_limits(limits)
    {
        const QFileInfo file(path);
        if (!file.isFile() || !file.isReadable())
            throw Error(tabular_errors::cannotOpen(path));
        if (!wholePages(path))
            throw Error(tabular_errors::notADatabase(path), QStringLiteral("Seitengröße"));
        CatalogMessages catalog(path);
        runInChild([&](ChildPipe &pipe) { writeCatalog(path, pipe); },
                   [&](const char *data, qint64 size) { catalog.feed(data, size); },
                   ChildLimits{m_limits.childMemoryBytes, m_limits.childIdleMs},
                   tabular_errors::notADatabase(path));
        if (!catalog.complete())
            throw Error(tabular_errors::damaged(path));
        m_names = catalog.names();
        m_system = catalog.system();
    }

    QStringList tableNames(bool includeSystemTables) const override
    {
        QStringList names;
        for (int i = 0; i < m_names.size(); ++i) {
            if (includeSystemTables || !m_system[i])
                names << m_names[i];
        }
        return names;
    }

    std::unique_ptr<TabularRowSet> openTable(const QString &name) override
    {
        const int index = tv::findTableName(m_names, name);
        if (index < 0)
            throw Error(tabular_errors::noSuchTable(name));
        return std::make_unique<DeferredRowSet>(
            [limits = m_limits, table = m_names[index], path = m_path] {
                return readTable(path, table, limits);
            });
    }

private:
    static std::unique_ptr<BufferedRowSet> readTable(const QString &path, const QString &name,
                                                     const TabularLimits &limits);

    QString m_path;
    TabularLimits m_limits;
    QStringList m_names;
    QList<bool> m_system;
};

std::unique_ptr<BufferedRowSet>
AccessConnection::readTable(const QString &path, const QString &name, const TabularLimits &limits)
{
    SheetBuilder builder(limits);
    TableMessages table(path, builder);
    runInChild([&](ChildPipe &pipe) { writeTable(path, name, pipe); },
               [&](const char *data, qint64 size) { table.feed(data, size); },
               ChildLimits{limits.childMemoryBytes, limits.childIdleMs},
               tabular_errors::damaged(path));
    if (!table.complete())
        throw Error(tabular_errors::damaged(path));
    return builder.finish();
}

} // namespace

std::unique_ptr<TabularConnection> openAccessDatabase(const QString &path,
                                                      const TabularLimits &limits)
{
    return std::make_unique<AccessConnection>(path, limits);
}

} // namespace ordovan::formats
