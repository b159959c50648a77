#include "zipreader.h"

#include "base/error.h"
#include "tabularerrors.h"

#include <QFile>

#include <zip.h>

namespace ordovan::formats {

namespace {

QString normalizedName(QString name)
{
    name.replace(u'\\', u'/');
    while (name.startsWith(u'/'))
        name.remove(0, 1);
    return name;
}

} // namespace

ZipArchive::ZipArchive(const QString &path) : m_path(path)
{
    int code = 0;
    const QByteArray name = QFile::encodeName(path);
    m_archive = zip_open(name.constData(), ZIP_RDONLY, &code);
    if (!m_archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString detail = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        if (code == ZIP_ER_NOENT || code == ZIP_ER_OPEN || code == ZIP_ER_READ)
            throw Error(tabular_errors::cannotOpen(path), detail);
        // It starts like a zip archive (that is how it got here) but cannot be read as one:
        // cut short, or its directory destroyed.
        throw Error(tabular_errors::damaged(path), detail);
    }
    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    if (count > kMaxEntries) {
        zip_discard(m_archive);
        m_archive = nullptr;
        throw Error(tabular_errors::damaged(path), QStringLiteral("%1 Teile").arg(count));
    }
    // The first of two parts with the same name wins, as it does in libzip's own lookup.
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(m_archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!raw)
            continue;
        const QString entry = normalizedName(QString::fromUtf8(raw));
        if (!m_names.contains(entry))
            m_names.insert(entry, i);
        const QString folded = entry.toCaseFolded();
        if (!m_folded.contains(folded))
            m_folded.insert(folded, i);
    }
}

ZipArchive::~ZipArchive()
{
    if (m_archive)
        zip_discard(m_archive);
}

qint64 ZipArchive::locate(const QString &name) const
{
    const QString wanted = normalizedName(name);
    const auto exact = m_names.constFind(wanted);
    if (exact != m_names.cend())
        return *exact;
    return m_folded.value(wanted.toCaseFolded(), -1);
}

std::unique_ptr<ZipArchive::Stream> ZipArchive::open(const QString &name, qint64 limit) const
{
    const qint64 index = locate(name);
    if (index < 0)
        throw Error(tabular_errors::damaged(m_path), QStringLiteral("%1 fehlt").arg(name));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_archive, zip_uint64_t(index), 0, &stat) != 0)
        throw Error(tabular_errors::damaged(m_path), QString::fromUtf8(zip_strerror(m_archive)));
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(limit))
        throw Error(tabular_errors::partTooLarge(name),
                    QStringLiteral("%1 Bytes angegeben").arg(stat.size));
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        throw Error(tabular_errors::encrypted(m_path));
    zip_file *file = zip_fopen_index(m_archive, zip_uint64_t(index), 0);
    if (!file) {
        const int code = zip_error_code_zip(zip_get_error(m_archive));
        const QString detail = QString::fromUtf8(zip_strerror(m_archive));
        if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD)
            throw Error(tabular_errors::encrypted(m_path), detail);
        throw Error(tabular_errors::damaged(m_path), detail);
    }
    return std::unique_ptr<Stream>(new Stream(file, name, m_path, limit));
}

QByteArray ZipArchive::read(const QString &name, qint64 limit) const
{
    auto stream = open(name, limit);
    QByteArray all;
    for (;;) {
        const QByteArray chunk = stream->readChunk();
        if (chunk.isEmpty())
            break;
        all += chunk;
    }
    return all;
}

ZipArchive::Stream::Stream(zip_file *file, QString name, QString path, qint64 limit)
    : m_file(file), m_name(std::move(name)), m_path(std::move(path)), m_limit(limit)
{}

ZipArchive::Stream::~Stream()
{
    zip_fclose(m_file);
}

QByteArray ZipArchive::Stream::readChunk(qint64 size)
{
    if (m_atEnd)
        return {};
    QByteArray chunk(size, Qt::Uninitialized);
    const zip_int64_t n = zip_fread(m_file, chunk.data(), zip_uint64_t(size));
    if (n < 0) {
        m_atEnd = true;
        throw Error(tabular_errors::damaged(m_path), QString::fromUtf8(zip_file_strerror(m_file)));
    }
    if (n == 0) {
        m_atEnd = true;
        return {};
    }
    m_read += n;
    // The stated size may lie: count what really comes out.
    if (m_read > m_limit) {
        m_atEnd = true;
        throw Error(tabular_errors::partTooLarge(m_name),
                    QStringLiteral("mehr als %1 Bytes").arg(m_limit));
    }
    chunk.truncate(n);
    return chunk;
}

} // namespace ordovan::formats
