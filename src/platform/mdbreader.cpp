// The .mdb/.accdb reader through mdbtools' libmdb. The catalog lists the tables; a table's
// rows are fetched one by one into bound text buffers. Numbers, money and dates are taken
// from the row's raw bytes instead of libmdb's own text (which follows the C locale and
// cannot show dates outside 1900..2099), so they come out in the German notation; yes/no
// fields become "WAHR"/"FALSCH"; binary and OLE fields stay empty.
#include "tabularreaders.h"

#include "error.h"
#include "sheetbuffer.h"
#include "tabularerrors.h"
#include "tabularvalues.h"

#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <cstring>
#include <vector>

namespace ordovan::platform {

namespace {

namespace tv = tabular_values;

constexpr size_t kBindSize = 64 * 1024;

// Jet writes whole pages: 2048 bytes (Jet 3) or 4096 (Jet 4 and .accdb), the version byte
// at offset 0x14 tells which. A file cut off within a page is damaged, and libmdb can loop
// without end over such a file, so it never gets it.
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

// Owns the database handle; shared by the connection and its row sets.
class Database
{
public:
    explicit Database(MdbHandle *handle) : m_handle(handle) {}
    ~Database() { mdb_close(m_handle); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;
    MdbHandle *get() const { return m_handle; }

private:
    MdbHandle *m_handle;
};

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
        const QByteArray name = QFile::encodeName(path);
        MdbHandle *handle = mdb_open(name.constData(), MDB_NOFLAGS);
        if (!handle)
            throw Error(tabular_errors::notADatabase(path));
        m_db = std::make_shared<Database>(handle);
        mdb_set_bind_size(handle, kBindSize);
        mdb_set_boolean_fmt_numbers(handle);
        if (!mdb_read_catalog(handle, MDB_TABLE))
            throw Error(tabular_errors::damaged(path));
        for (unsigned int i = 0; i < handle->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(handle->catalog, i));
            if (entry->object_type != MDB_TABLE)
                continue;
            m_names << QString::fromUtf8(entry->object_name);
            m_system << (mdb_is_user_table(entry) == 0);
        }
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
            [db = m_db, limits = m_limits, table = m_names[index], path = m_path] {
                return readTable(*db, limits, table, path);
            });
    }

private:
    static std::unique_ptr<BufferedRowSet> readTable(const Database &db,
                                                     const TabularLimits &limits,
                                                     const QString &name, const QString &path);

    QString m_path;
    TabularLimits m_limits;
    std::shared_ptr<Database> m_db;
    QStringList m_names;
    QList<bool> m_system;
};

std::unique_ptr<BufferedRowSet> AccessConnection::readTable(const Database &db,
                                                            const TabularLimits &limits,
                                                            const QString &name,
                                                            const QString &path)
{
    MdbHandle *mdb = db.get();
    QByteArray tableName = name.toUtf8();
    MdbTableDef *table = mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE);
    if (!table)
        throw Error(tabular_errors::damaged(path), name);
    struct TableGuard
    {
        MdbTableDef *table;
        ~TableGuard() { mdb_free_tabledef(table); }
    } guard{table};
    if (!mdb_read_columns(table))
        throw Error(tabular_errors::damaged(path), name);

    const unsigned int columns = table->num_cols;
    std::vector<std::vector<char>> buffers(columns, std::vector<char>(kBindSize + 1, 0));
    std::vector<int> lengths(columns, 0);
    for (unsigned int c = 0; c < columns; ++c)
        mdb_bind_column(table, int(c) + 1, buffers[c].data(), &lengths[c]);

    SheetBuilder builder(limits);
    builder.setMinimumFieldCount(int(columns));
    mdb_rewind_table(table);
    qint64 row = 0;
    while (mdb_fetch_row(table)) {
        for (unsigned int c = 0; c < columns; ++c) {
            const auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c));
            builder.add(row, c, fieldText(mdb, col, buffers[c].data()));
        }
        builder.setMinimumRowCount(++row);
    }
    return builder.finish();
}

} // namespace

std::unique_ptr<TabularConnection> openAccessDatabase(const QString &path,
                                                      const TabularLimits &limits)
{
    return std::make_unique<AccessConnection>(path, limits);
}

} // namespace ordovan::platform
