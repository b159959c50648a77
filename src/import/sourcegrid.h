#pragma once

#include <QString>

#include <vector>

namespace ordovan::import {

// The source grid SGDatei: every source ends as text cells, one column per source record and
// one row per source field (the transpose of the file). A cell never written reads as empty.
// The grid never has fewer than one column and one row. Cells may be written beyond the
// current counts (readers size the grid at the end); shrinking a count drops the cells
// beyond it.
class SourceGrid
{
public:
    int columnCount() const { return m_columnCount; }
    int rowCount() const { return m_rowCount; }
    void setColumnCount(int count);
    void setRowCount(int count);

    const QString &cell(int column, int row) const;
    void setCell(int column, int row, const QString &text);
    void setCell(int column, int row, QString &&text);
    // Writes the empty text into every cell of the current counts.
    void clearCells();

    // The line the user selected on screen (a source field), for the column mapping.
    int selectedRow = 0;

private:
    void trim();

    int m_columnCount = 1;
    int m_rowCount = 1;
    std::vector<std::vector<QString>> m_columns;
};

} // namespace ordovan::import
