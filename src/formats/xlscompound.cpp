#include "xlscompound.h"
#include "xlsbytes.h"

#include <algorithm>
#include <vector>

namespace ordovan::formats {

namespace {

constexpr quint32 kNoStream = 0xFFFFFFFF;   // free sector, or no directory entry
constexpr quint32 kEndOfChain = 0xFFFFFFFE; // last sector of a chain
constexpr qsizetype kHeaderSize = 512;
constexpr int kHeaderFatEntries = 109;
constexpr qsizetype kDirEntrySize = 128;
constexpr qsizetype kMiniSectorSize = 64;
constexpr qint64 kMiniStreamCutoff = 4096;

// Caught inside this file: whatever does not fit ends the read with nullopt.
using Broken = xls_bytes::XlsBroken;
using xls_bytes::u16At;
using xls_bytes::u32At;

} // namespace

bool CompoundFile::hasSignature(QByteArrayView file)
{
    return file.startsWith(QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

CompoundFile::CompoundFile(QByteArrayView file) : m_file(file)
{
    if (file.size() < kHeaderSize || !hasSignature(file))
        throw Broken{};
    const quint32 shift = u16At(file, 0x1E);
    if ((shift != 9 && shift != 12) || u16At(file, 0x20) != 6 || u16At(file, 0x1C) != 0xFFFE)
        throw Broken{};
    m_sectorSize = qsizetype(1) << shift;
    m_wideSizes = shift == 12;
    // The header fills the first sector's place.
    const qint64 body = file.size() - m_sectorSize;
    m_sectorCount = body > 0 ? quint32((body + m_sectorSize - 1) / m_sectorSize) : 0;

    // Where the allocation table lies: the first entries in the header, the rest in a chain
    // of extension sectors, each ending with the number of the next.
    const quint32 fatSectors = u32At(file, 0x2C);
    if (fatSectors > m_sectorCount)
        throw Broken{};
    std::vector<quint32> fatPlaces;
    fatPlaces.reserve(fatSectors);
    for (int i = 0; i < kHeaderFatEntries && fatPlaces.size() < fatSectors; ++i)
        fatPlaces.push_back(u32At(file, 0x4C + 4 * i));
    quint32 next = u32At(file, 0x44);
    std::vector<bool> seen(m_sectorCount, false);
    const qsizetype perSector = m_sectorSize / 4 - 1;
    while (fatPlaces.size() < fatSectors) {
        if (next >= m_sectorCount || seen[next])
            throw Broken{};
        seen[next] = true;
        const QByteArrayView extension = sector(next);
        if (extension.size() < m_sectorSize)
            throw Broken{};
        for (qsizetype i = 0; i < perSector && fatPlaces.size() < fatSectors; ++i)
            fatPlaces.push_back(u32At(extension, 4 * i));
        next = u32At(extension, 4 * perSector);
    }
    m_fat.reserve(size_t(fatSectors) * size_t(m_sectorSize / 4));
    for (const quint32 place : fatPlaces) {
        const QByteArrayView part = place < m_sectorCount ? sector(place) : QByteArrayView();
        if (part.size() < m_sectorSize)
            throw Broken{};
        for (qsizetype i = 0; i < m_sectorSize; i += 4)
            m_fat.push_back(u32At(part, i));
    }

    m_entries = readDirectory(u32At(file, 0x30));
    m_streams = rootStreams();
    const quint32 miniFatSectors = u32At(file, 0x40);
    const quint32 miniFatStart = u32At(file, 0x3C);
    if (miniFatSectors > 0 && miniFatStart != kEndOfChain) {
        if (miniFatSectors > m_sectorCount)
            throw Broken{};
        m_miniFat = readTable(miniFatStart, miniFatSectors);
    }
}

QByteArrayView CompoundFile::sector(quint32 index) const
{
    if (index >= m_sectorCount)
        throw Broken{};
    const qint64 offset = (qint64(index) + 1) * m_sectorSize;
    return m_file.sliced(offset, std::min<qint64>(m_sectorSize, m_file.size() - offset));
}

QByteArray CompoundFile::readChain(quint32 start, qint64 count, const std::vector<quint32> &table,
                                   qsizetype unit, bool mini) const
{
    QByteArray out;
    if (count > 0)
        out.reserve(qsizetype(count));
    std::vector<bool> seen(table.size(), false);
    quint32 current = start;
    while (count < 0 || out.size() < count) {
        if (current == kEndOfChain && count < 0)
            break;
        // A chain never visits a sector twice: a repeat is a loop.
        if (current >= table.size() || seen[current])
            throw Broken{};
        seen[current] = true;
        const qsizetype take =
            count < 0 ? unit : qsizetype(std::min<qint64>(unit, count - out.size()));
        QByteArrayView bytes;
        if (mini) {
            const qint64 offset = qint64(current) * unit;
            if (offset + take > m_miniStream.size())
                throw Broken{};
            bytes = QByteArrayView(m_miniStream).sliced(offset, take);
        } else {
            bytes = sector(current);
            if (bytes.size() < take)
                throw Broken{};
            bytes = bytes.first(take);
        }
        out.append(bytes.data(), bytes.size());
        current = table[current];
    }
    return out;
}

std::vector<quint32> CompoundFile::readTable(quint32 start, quint32 sectors) const
{
    const QByteArray bytes =
        readChain(start, qint64(sectors) * m_sectorSize, m_fat, m_sectorSize, false);
    std::vector<quint32> table;
    table.reserve(size_t(bytes.size() / 4));
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4)
        table.push_back(u32At(bytes, i));
    return table;
}

std::vector<CompoundFile::Entry> CompoundFile::readDirectory(quint32 start) const
{
    const QByteArray bytes = readChain(start, -1, m_fat, m_sectorSize, false);
    std::vector<Entry> entries;
    entries.reserve(size_t(bytes.size() / kDirEntrySize));
    for (qsizetype at = 0; at + kDirEntrySize <= bytes.size(); at += kDirEntrySize) {
        const QByteArrayView raw = QByteArrayView(bytes).sliced(at, kDirEntrySize);
        Entry entry;
        const quint32 nameBytes = u16At(raw, 64);
        if (nameBytes >= 2 && nameBytes <= 64) {
            const qsizetype chars = qsizetype(nameBytes / 2 - 1);
            entry.name.resize(chars);
            for (qsizetype i = 0; i < chars; ++i)
                entry.name[i] = QChar(char16_t(u16At(raw, 2 * i)));
        }
        entry.type = uchar(raw[66]);
        entry.left = u32At(raw, 68);
        entry.right = u32At(raw, 72);
        entry.child = u32At(raw, 76);
        entry.start = u32At(raw, 116);
        // Version 3 leaves the upper half of the size undefined.
        entry.size = qint64(u32At(raw, 120));
        if (m_wideSizes && u32At(raw, 124) != 0)
            entry.size = -1;
        entries.push_back(std::move(entry));
    }
    if (entries.empty() || entries.front().type != 5)
        throw Broken{};
    return entries;
}

std::vector<quint32> CompoundFile::rootStreams() const
{
    // The root's children form a tree through left and right; walked with a visited mark,
    // so a directory that points in circles still ends.
    std::vector<quint32> streams;
    std::vector<bool> seen(m_entries.size(), false);
    std::vector<quint32> pending{m_entries.front().child};
    while (!pending.empty()) {
        const quint32 id = pending.back();
        pending.pop_back();
        if (id == kNoStream)
            continue;
        if (id >= m_entries.size() || seen[id])
            throw Broken{};
        seen[id] = true;
        if (m_entries[id].type == 2)
            streams.push_back(id);
        pending.push_back(m_entries[id].left);
        pending.push_back(m_entries[id].right);
    }
    return streams;
}

std::optional<QByteArray> CompoundFile::stream(const QStringList &names, qint64 maxBytes)
{
    for (const QString &wanted : names) {
        for (const quint32 id : m_streams) {
            const Entry &entry = m_entries[id];
            if (entry.name.compare(wanted, Qt::CaseInsensitive) != 0)
                continue;
            // No stream is larger than the file that holds it.
            if (entry.size < 0 || entry.size > maxBytes || entry.size > m_file.size())
                throw Broken{};
            if (entry.size >= kMiniStreamCutoff)
                return readChain(entry.start, entry.size, m_fat, m_sectorSize, false);
            const Entry &root = m_entries.front();
            if (root.size < 0 || root.size > m_file.size())
                throw Broken{};
            if (m_miniStream.isEmpty() && root.size > 0)
                m_miniStream = readChain(root.start, root.size, m_fat, m_sectorSize, false);
            return readChain(entry.start, entry.size, m_miniFat, kMiniSectorSize, true);
        }
    }
    return std::nullopt;
}

QStringList CompoundFile::streamNames() const
{
    QStringList names;
    for (const quint32 id : m_streams)
        names << m_entries[id].name;
    return names;
}

std::optional<QByteArray> readCompoundStream(QByteArrayView file, const QStringList &names,
                                             qint64 maxBytes)
{
    try {
        CompoundFile compound(file);
        return compound.stream(names, maxBytes);
    } catch (const Broken &) {
        return std::nullopt;
    }
}

} // namespace ordovan::formats
