#pragma once

#include "tabular.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace ordovan::formats {

// The rows of one sheet or table, held in memory. Readers hand their values to a SheetBuilder
// in any order; it keeps the used range (the rectangle from the first to the last non-empty
// value; empty rows and columns inside it are kept, a trailing run of formatted but empty
// rows is not) and stops with Error when the limits are passed. finish() gives the row set.

class BufferedRowSet;

class SheetBuilder
{
public:
    explicit SheetBuilder(const TabularLimits &limits);

    // One value at its 0-based position. Empty text is no value: it neither extends the used
    // range nor takes room. A second value at the same position replaces the first.
    void add(qint64 row, qint64 column, QString text);
    // A cell the file holds whose value is empty text (a formula giving "", an empty text):
    // no value, but the used range starts no further right than its column, so that a
    // column that happens to be empty moves no field to the left. Rows are not extended.
    void touch(qint64 column);
    // A whole-table reader (database) names its field count itself, values or not.
    void setMinimumFieldCount(int count) { m_minFields = count; }
    // Rows of a table whose values may all be empty still count (database rows).
    void setMinimumRowCount(qint64 count);
    std::unique_ptr<BufferedRowSet> finish();

private:
    struct Cell
    {
        qint32 row;
        qint32 column;
        QString text;
    };
    void checkArea() const;

    TabularLimits m_limits;
    std::vector<Cell> m_cells;
    bool m_sorted = true;
    qint64 m_textChars = 0;
    qint64 m_minRow = -1, m_maxRow = -1, m_minColumn = -1, m_maxColumn = -1;
    qint64 m_minRows = 0;
    qint64 m_firstTouchedColumn = -1;
    int m_minFields = 0;

    friend class BufferedRowSet;
};

class BufferedRowSet : public TabularRowSet
{
public:
    int fieldCount() const override { return m_fields; }
    int rowCount() const override { return m_rows; }
    void first() override;
    bool eof() const override { return m_current >= m_rows; }
    int recNo() const override { return m_current + 1; }
    void next() override;
    QString text(int field) const override;

private:
    friend class SheetBuilder;
    void loadCurrent();

    int m_fields = 0;
    int m_rows = 0;
    int m_current = 0;
    std::vector<QString> m_texts;     // by row, then column
    std::vector<qint32> m_columns;    // field index of each text
    std::vector<quint32> m_rowStarts; // first text of each row; one more entry at the end
    std::vector<QString> m_row;       // the current row, every field
};

// A row set that reads its rows only when first asked, so that opening a sheet stays cheap
// and a failure while reading shows as a read error, not as a missing sheet.
class DeferredRowSet : public TabularRowSet
{
public:
    using Loader = std::function<std::unique_ptr<BufferedRowSet>()>;
    explicit DeferredRowSet(Loader loader) : m_loader(std::move(loader)) {}

    int fieldCount() const override { return rows().fieldCount(); }
    int rowCount() const override { return rows().rowCount(); }
    void first() override { rows().first(); }
    bool eof() const override { return rows().eof(); }
    int recNo() const override { return rows().recNo(); }
    void next() override { rows().next(); }
    QString text(int field) const override { return rows().text(field); }

private:
    BufferedRowSet &rows() const;

    Loader m_loader;
    mutable std::unique_ptr<BufferedRowSet> m_rows;
};

} // namespace ordovan::formats
