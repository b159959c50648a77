#include "sourcegrid.h"

#include <algorithm>
#include <limits>
#include <new>

namespace ordovan::import {

namespace {

constexpr qsizetype kMaxColumnText = std::numeric_limits<quint32>::max();

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
        if (column.dead > column.text.size() / 2)
            compact(column);
    }
}

QStringView SourceGrid::cellView(int column, int row) const
{
    if (column < 0 || row < 0 || size_t(column) >= m_columns.size())
        return {};
    const Column &c = m_columns[column];
    if (size_t(row) >= c.cells.size())
        return {};
    const Span s = c.cells[row];
    return QStringView(c.text.constData() + s.offset, qsizetype(s.length));
}

void SourceGrid::setCell(int column, int row, QStringView text)
{
    if (column < 0 || row < 0)
        return;
    if (size_t(column) >= m_columns.size())
        m_columns.resize(size_t(column) + 1);
    Column &c = m_columns[column];
    if (size_t(row) >= c.cells.size())
        c.cells.resize(size_t(row) + 1, Span{quint32(c.text.size()), 0});
    // The text may be a view into this very column: copy it before the buffer can move.
    const QString copy = text.toString();
    if (c.text.size() + copy.size() > kMaxColumnText)
        throw std::bad_alloc();
    Span &s = c.cells[row];
    c.dead += s.length;
    s = Span{quint32(c.text.size()), quint32(copy.size())};
    c.text.append(copy);
    if (c.dead > 4096 && c.dead > c.text.size() / 2)
        compact(c);
}

void SourceGrid::setColumnFields(int column, QString &&text, const std::vector<quint32> &ends)
{
    if (column < 0)
        return;
    if (size_t(column) >= m_columns.size())
        m_columns.resize(size_t(column) + 1);
    Column &c = m_columns[column];
    Column fresh;
    fresh.text = std::move(text);
    fresh.cells.reserve(std::max(ends.size(), c.cells.size()));
    quint32 start = 0;
    for (quint32 end : ends) {
        fresh.cells.push_back(Span{start, end - start});
        start = end;
    }
    // Cells past the new fields survive, as a reader writes only the fields it finds.
    for (size_t r = ends.size(); r < c.cells.size(); ++r) {
        const Span old = c.cells[r];
        if (fresh.text.size() + old.length > kMaxColumnText)
            throw std::bad_alloc();
        fresh.cells.push_back(Span{quint32(fresh.text.size()), old.length});
        fresh.text.append(QStringView(c.text.constData() + old.offset, qsizetype(old.length)));
    }
    c = std::move(fresh);
}

void SourceGrid::clearCells()
{
    // An empty cell and a cell never written read the same.
    m_columns.clear();
}

void SourceGrid::compact(Column &column)
{
    QString text;
    text.reserve(column.text.size() - column.dead);
    for (Span &s : column.cells) {
        const quint32 offset = quint32(text.size());
        text.append(QStringView(column.text.constData() + s.offset, qsizetype(s.length)));
        s.offset = offset;
    }
    column.text = std::move(text);
    column.dead = 0;
}

} // namespace ordovan::import
