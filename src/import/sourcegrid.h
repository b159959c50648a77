#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace ordovan::import {

// The source grid SGDatei: every source ends as text cells, one column per source record and
// one row per source field (the transpose of the file). A cell never written reads as empty.
// The grid never has fewer than one column and one row. Cells may be written beyond the
// current counts (readers size the grid at the end); setting a count drops the cells beyond
// it in that direction only, so a reader may set the row count before the column count.
//
// A source of 100,000 records has millions of cells, so a column keeps the texts of all its
// cells in one buffer with an (offset, length) span per cell instead of one string each.
// While every text of a column can be written in Windows-1252 (the case for Windows-1252
// sources, and the form the payment table stores), the buffer holds those bytes, half the
// memory of UTF-16; a text outside it turns the column to UTF-16. Overwriting a cell appends
// its new text to the buffer; the buffer is compacted when more than half of it is dead.
class SourceGrid
{
public:
    int columnCount() const { return m_columnCount; }
    int rowCount() const { return m_rowCount; }
    void setColumnCount(int count);
    void setRowCount(int count);

    QString cell(int column, int row) const;
    // The cell as text: a view into the grid, or into scratch for a Windows-1252 column.
    // Valid until the next change of that column or of scratch.
    QStringView cellText(int column, int row, QString &scratch) const;
    // The cell's Windows-1252 bytes when its column keeps them so; nothing for a UTF-16
    // column. Valid until the next change of that column.
    std::optional<QByteArrayView> cellCp1252(int column, int row) const;

    void setCell(int column, int row, QStringView text);
    void setCell(int column, int row, const QString &text)
    {
        setCell(column, row, QStringView(text));
    }
    // Writes the empty text into every cell of the current counts.
    void clearCells();

    // The way readers hand over a whole record: the texts of fields 0 .. ends.size()-1,
    // concatenated, with the end offset of each (as Windows-1252 bytes or as UTF-16). Cells
    // of the column beyond those fields keep what they held. Throws std::bad_alloc when a
    // column outgrows the 32-bit offsets.
    void setColumnFields(int column, QByteArray &&cp1252, const std::vector<quint32> &ends);
    void setColumnFields(int column, QString &&text, const std::vector<quint32> &ends);

    // The line the user selected on screen (a source field), for the column mapping.
    int selectedRow = 0;

private:
    struct Span
    {
        quint32 offset = 0;
        quint32 length = 0;
    };
    struct Column
    {
        QByteArray narrow; // Windows-1252 text of the cells, until the column turns wide
        QString wide;      // UTF-16 text of the cells, once wide
        bool isWide = false;
        std::vector<Span> cells;
        qsizetype dead = 0; // characters of the buffer no span refers to any more

        qsizetype size() const { return isWide ? wide.size() : narrow.size(); }
    };

    Column &columnAt(int column);
    static void widen(Column &column);
    static void compact(Column &column);
    template<typename Buffer>
    static void replaceFields(Column &column, Buffer &&text, const std::vector<quint32> &ends);

    int m_columnCount = 1;
    int m_rowCount = 1;
    std::vector<Column> m_columns;
};

} // namespace ordovan::import
