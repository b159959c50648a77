#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

struct zip;
struct zip_file;

namespace ordovan::formats {

// Read access to the parts of a zip container (.xlsx, .ods) through libzip. Every part is
// read with a cap on its inflated size, checked against the size the archive states and
// against the bytes that really come out, so a zip bomb ends in an Error after at most
// that many bytes; an archive of more than kMaxEntries parts is refused. Errors carry the
// German messages of tabularerrors.h.
//
// The archive is opened without libzip's consistency check of every local header against
// the central directory: sound archives of several packaging libraries fail it, while a
// part that is really damaged still fails when it is read. Part names match with "/" or
// "\" as the separator (some Windows exporters write "xl\workbook.xml").
class ZipArchive
{
public:
    static constexpr qint64 kMaxEntries = 100000;

    explicit ZipArchive(const QString &path); // throws Error when it is no readable zip
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    const QString &path() const { return m_path; }
    // The index of a part by its name (exact, then regardless of case, either separator);
    // -1 when missing.
    qint64 locate(const QString &name) const;
    bool contains(const QString &name) const { return locate(name) >= 0; }
    // The whole part; throws Error when it is missing, damaged or larger than limit.
    QByteArray read(const QString &name, qint64 limit) const;

    // A part read piece by piece.
    class Stream
    {
    public:
        ~Stream();
        Stream(const Stream &) = delete;
        Stream &operator=(const Stream &) = delete;
        // The next piece; empty at the end. Throws Error past the limit or on damage.
        QByteArray readChunk(qint64 size = 256 * 1024);
        bool atEnd() const { return m_atEnd; }

    private:
        friend class ZipArchive;
        Stream(zip_file *file, QString name, QString path, qint64 limit);
        zip_file *m_file;
        QString m_name;
        QString m_path;
        qint64 m_limit;
        qint64 m_read = 0;
        bool m_atEnd = false;
    };
    std::unique_ptr<Stream> open(const QString &name, qint64 limit) const;

private:
    QString m_path;
    zip *m_archive = nullptr;
    QHash<QString, qint64> m_names;  // by the name with "/" as separator
    QHash<QString, qint64> m_folded; // the same, case-folded
};

} // namespace ordovan::formats
