#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <optional>
#include <vector>

namespace ordovan::formats {

// An OLE2 compound document, the container of .xls files (and of encrypted .xlsx files): the
// header, the sector allocation table (with its extension sectors), the directory, and the
// mini stream for small streams. Every sector number, size and chain is checked against the
// file, and a chain that loops or leaves the file ends the read, so a hostile file costs at
// most about its own size in memory. What does not fit throws xls_bytes::XlsBroken.
class CompoundFile
{
public:
    static bool hasSignature(QByteArrayView file);

    explicit CompoundFile(QByteArrayView file); // the file must outlive this object

    // The names of the streams of the root storage.
    QStringList streamNames() const;
    // The first of names (compared regardless of case) found among the streams of the root
    // storage; nullopt when it holds none of them. A stream larger than maxBytes throws.
    std::optional<QByteArray> stream(const QStringList &names, qint64 maxBytes);

private:
    struct Entry
    {
        QString name;
        int type = 0;
        quint32 left = 0xFFFFFFFF, right = 0xFFFFFFFF, child = 0xFFFFFFFF;
        quint32 start = 0xFFFFFFFE;
        qint64 size = 0;
    };

    // Bytes of one sector of the file; short only when the file ends inside it.
    QByteArrayView sector(quint32 index) const;
    // The bytes of a chain: count bytes (all of it when count < 0) from start on, through
    // table, in units of unit bytes taken from the file or the mini stream.
    QByteArray readChain(quint32 start, qint64 count, const std::vector<quint32> &table,
                         qsizetype unit, bool mini) const;
    std::vector<quint32> readTable(quint32 start, quint32 sectors) const;
    std::vector<Entry> readDirectory(quint32 start) const;
    std::vector<quint32> rootStreams() const;

    QByteArrayView m_file;
    QByteArray m_miniStream;
    qsizetype m_sectorSize = 512;
    quint32 m_sectorCount = 0; // sectors the file holds, the last one possibly short
    bool m_wideSizes = false;  // version 4 keeps 64-bit stream sizes
    std::vector<quint32> m_fat, m_miniFat;
    std::vector<Entry> m_entries;
    std::vector<quint32> m_streams; // directory entries of the root's streams
};

// The first of names found in the compound document file; nullopt when the container cannot
// be read, holds none of them, or the stream is larger than maxBytes.
std::optional<QByteArray> readCompoundStream(QByteArrayView file, const QStringList &names,
                                             qint64 maxBytes);

} // namespace ordovan::formats
