#include "sourcegrid.h"

namespace ordovan::import {

namespace {
const QString kEmpty;
}

void SourceGrid::setColumnCount(int count)
{
    m_columnCount = count < 1 ? 1 : count;
    trim();
}

void SourceGrid::setRowCount(int count)
{
    m_rowCount = count < 1 ? 1 : count;
    trim();
}

void SourceGrid::trim()
{
    if (m_columns.size() > size_t(m_columnCount))
        m_columns.resize(m_columnCount);
    for (auto &column : m_columns) {
        if (column.size() > size_t(m_rowCount))
            column.resize(m_rowCount);
    }
}

const QString &SourceGrid::cell(int column, int row) const
{
    if (column < 0 || row < 0 || size_t(column) >= m_columns.size())
        return kEmpty;
    const auto &c = m_columns[column];
    return size_t(row) < c.size() ? c[row] : kEmpty;
}

void SourceGrid::setCell(int column, int row, const QString &text)
{
    setCell(column, row, QString(text));
}

void SourceGrid::setCell(int column, int row, QString &&text)
{
    if (column < 0 || row < 0)
        return;
    if (size_t(column) >= m_columns.size())
        m_columns.resize(size_t(column) + 1);
    auto &c = m_columns[column];
    if (size_t(row) >= c.size())
        c.resize(size_t(row) + 1);
    c[row] = std::move(text);
}

void SourceGrid::clearCells()
{
    for (auto &column : m_columns) {
        for (QString &cell : column)
            cell.clear();
    }
}

} // namespace ordovan::import
