#include "sourcegrid.h"

#include "base/codec.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace ordovan::import {

namespace {

constexpr qsizetype kMaxColumnText = std::numeric_limits<quint32>::max();

// The Windows-1252 bytes of the text, or false when a character has none.
bool encodeCp1252(QStringView text, QByteArray &out)
{
    out.resize(text.size());
    char *p = out.data();
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            *p++ = char(u);
            continue;
        }
        const unsigned char b = codec::unicodeToCp1252(u);
        if (b == '?')
            return false;
        *p++ = char(b);
    }
    return true;
}

void decodeCp1252(QByteArrayView bytes, QString &out)
{
    out.resize(bytes.size());
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const auto *src = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = codec::cp1252ToUnicode(src[i]);
}

} // namespace

void SourceGrid::setColumnCount(int count)
{
    m_columnCount = count < 1 ? 1 : count;
    if (m_columns.size() > size_t(m_columnCount))
        m_columns.resize(m_columnCount);
}

void SourceGrid::setRowCount(int count)
{
    m_rowCount = count < 1 ? 1 : count;
    for (Column &column : m_columns) {
        if (column.cells.size() <= size_t(m_rowCount))
            continue;
        for (size_t r = size_t(m_rowCount); r < column.cells.size(); ++r)
            column.dead += column.cells[r].length;
        column.cells.resize(m_rowCount);
        if (column.dead > column.size() / 2)
            compact(column);
    }
}

QString SourceGrid::cell(int column, int row) const
{
    QString text;
    const QStringView view = cellText(column, row, text);
    return view.data() == text.constData() ? text : view.toString();
}

QStringView SourceGrid::cellText(int column, int row, QString &scratch) const
{
    if (column < 0 || row < 0 || size_t(column) >= m_columns.size())
        return {};
    const Column &c = m_columns[column];
    if (size_t(row) >= c.cells.size())
        return {};
    const Span s = c.cells[row];
    if (c.isWide)
        return QStringView(c.wide.constData() + s.offset, qsizetype(s.length));
    decodeCp1252(QByteArrayView(c.narrow.constData() + s.offset, qsizetype(s.length)), scratch);
    return scratch;
}

std::optional<QByteArrayView> SourceGrid::cellCp1252(int column, int row) const
{
    if (column < 0 || row < 0 || size_t(column) >= m_columns.size())
        return QByteArrayView();
    const Column &c = m_columns[column];
    if (c.isWide)
        return std::nullopt;
    if (size_t(row) >= c.cells.size())
        return QByteArrayView();
    const Span s = c.cells[row];
    return QByteArrayView(c.narrow.constData() + s.offset, qsizetype(s.length));
}

SourceGrid::Column &SourceGrid::columnAt(int column)
{
    if (size_t(column) >= m_columns.size())
        m_columns.resize(size_t(column) + 1);
    return m_columns[column];
}

void SourceGrid::setCell(int column, int row, QStringView text)
{
    if (column < 0 || row < 0)
        return;
    Column &c = columnAt(column);
    // Encode or copy first: the text may be a view into this very column.
    QByteArray bytes;
    QString copy;
    if (!c.isWide && !encodeCp1252(text, bytes))
        widen(c);
    if (c.isWide)
        copy = text.toString();
    const qsizetype added = c.isWide ? copy.size() : bytes.size();
    if (c.size() + added > kMaxColumnText)
        throw std::bad_alloc();
    if (size_t(row) >= c.cells.size())
        c.cells.resize(size_t(row) + 1, Span{quint32(c.size()), 0});
    Span &s = c.cells[row];
    c.dead += s.length;
    s = Span{quint32(c.size()), quint32(added)};
    if (c.isWide)
        c.wide.append(copy);
    else
        c.narrow.append(bytes);
    if (c.dead > 4096 && c.dead > c.size() / 2)
        compact(c);
}

void SourceGrid::setColumnFields(int column, QByteArray &&cp1252, const std::vector<quint32> &ends)
{
    if (column < 0)
        return;
    Column &c = columnAt(column);
    // Surviving UTF-16 cells beyond the new fields make the whole column UTF-16.
    if (c.isWide && c.cells.size() > ends.size()) {
        QString text;
        decodeCp1252(cp1252, text);
        replaceFields(c, std::move(text), ends);
        return;
    }
    replaceFields(c, std::move(cp1252), ends);
}

void SourceGrid::setColumnFields(int column, QString &&text, const std::vector<quint32> &ends)
{
    if (column < 0)
        return;
    replaceFields(columnAt(column), std::move(text), ends);
}

template<typename Buffer>
void SourceGrid::replaceFields(Column &c, Buffer &&text, const std::vector<quint32> &ends)
{
    constexpr bool wide = std::is_same_v<std::decay_t<Buffer>, QString>;
    if constexpr (wide) {
        if (!c.isWide)
            widen(c);
    }
    Column fresh;
    fresh.isWide = wide;
    Buffer &buffer = [&fresh]() -> Buffer & {
        if constexpr (wide)
            return fresh.wide;
        else
            return fresh.narrow;
    }();
    buffer = std::move(text);
    fresh.cells.reserve(std::max(ends.size(), c.cells.size()));
    quint32 start = 0;
    for (quint32 end : ends) {
        fresh.cells.push_back(Span{start, end - start});
        start = end;
    }
    // Cells past the new fields survive, as a reader writes only the fields it finds.
    for (size_t r = ends.size(); r < c.cells.size(); ++r) {
        const Span old = c.cells[r];
        if (buffer.size() + old.length > kMaxColumnText)
            throw std::bad_alloc();
        fresh.cells.push_back(Span{quint32(buffer.size()), old.length});
        if constexpr (wide)
            buffer.append(QStringView(c.wide.constData() + old.offset, qsizetype(old.length)));
        else
            buffer.append(QByteArrayView(c.narrow.constData() + old.offset, qsizetype(old.length)));
    }
    c = std::move(fresh);
}

void SourceGrid::clearCells()
{
    // An empty cell and a cell never written read the same.
    m_columns.clear();
}

void SourceGrid::widen(Column &column)
{
    // Every Windows-1252 byte is one UTF-16 unit, so the spans stay as they are.
    decodeCp1252(column.narrow, column.wide);
    column.narrow = QByteArray();
    column.isWide = true;
}

void SourceGrid::compact(Column &column)
{
    // The live spans copied to a fresh buffer of the same kind, in cell order.
    const auto repack = [&column](auto &buffer) {
        std::remove_reference_t<decltype(buffer)> packed;
        packed.reserve(buffer.size() - column.dead);
        for (Span &s : column.cells) {
            const quint32 offset = quint32(packed.size());
            packed.append(buffer.sliced(qsizetype(s.offset), qsizetype(s.length)));
            s.offset = offset;
        }
        buffer = std::move(packed);
    };
    if (column.isWide)
        repack(column.wide);
    else
        repack(column.narrow);
    column.dead = 0;
}

} // namespace ordovan::import
