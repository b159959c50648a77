#include "sheetbuffer.h"

#include "base/error.h"
#include "tabularerrors.h"

#include <algorithm>
#include <limits>

namespace ordovan::formats {

SheetBuilder::SheetBuilder(const TabularLimits &limits) : m_limits(limits) {}

void SheetBuilder::checkArea() const
{
    if (m_maxRow < 0)
        return;
    const qint64 rows = std::max(m_maxRow - m_minRow + 1, m_minRows);
    const qint64 firstColumn =
        m_firstTouchedColumn >= 0 ? std::min(m_minColumn, m_firstTouchedColumn) : m_minColumn;
    const qint64 fields = std::max<qint64>(m_maxColumn - firstColumn + 1, m_minFields);
    if (rows > m_limits.maxCells || fields > m_limits.maxCells || rows * fields > m_limits.maxCells)
        throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
    if (rows > m_limits.maxRows)
        throw Error(tabular_errors::tooManyRows(m_limits.maxRows));
}

void SheetBuilder::add(qint64 row, qint64 column, QString text)
{
    if (text.isEmpty())
        return;
    constexpr qint64 kMaxPosition = std::numeric_limits<qint32>::max() - 1;
    if (row < 0 || column < 0 || row > kMaxPosition || column > kMaxPosition)
        throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
    m_textChars += text.size();
    if (m_textChars > m_limits.maxTextChars)
        throw Error(tabular_errors::tooMuchText());
    if (m_maxRow < 0) {
        m_minRow = m_maxRow = row;
        m_minColumn = m_maxColumn = column;
    } else {
        m_minRow = std::min(m_minRow, row);
        m_maxRow = std::max(m_maxRow, row);
        m_minColumn = std::min(m_minColumn, column);
        m_maxColumn = std::max(m_maxColumn, column);
    }
    checkArea();
    if (m_sorted && !m_cells.empty()) {
        const Cell &last = m_cells.back();
        if (row < last.row || (row == last.row && column <= last.column))
            m_sorted = false;
    }
    m_cells.push_back({qint32(row), qint32(column), std::move(text)});
}

void SheetBuilder::setMinimumRowCount(qint64 count)
{
    m_minRows = count;
    if (m_minRows > m_limits.maxCells ||
        (m_minFields > 0 && m_minRows * m_minFields > m_limits.maxCells))
        throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
    checkArea();
}

void SheetBuilder::touch(qint64 column)
{
    if (column >= 0 && (m_firstTouchedColumn < 0 || column < m_firstTouchedColumn)) {
        m_firstTouchedColumn = column;
        checkArea();
    }
}

std::unique_ptr<BufferedRowSet> SheetBuilder::finish()
{
    auto set = std::unique_ptr<BufferedRowSet>(new BufferedRowSet);
    // Database rows start at row 0 and column 0 whatever they hold; a sheet's used range
    // starts at its first value.
    const bool wholeTable = m_minRows > 0 || m_minFields > 0;
    const qint64 firstRow = wholeTable ? 0 : std::max<qint64>(m_minRow, 0);
    qint64 firstColumn = wholeTable ? 0 : std::max<qint64>(m_minColumn, 0);
    if (!wholeTable && m_maxRow >= 0 && m_firstTouchedColumn >= 0)
        firstColumn = std::min(firstColumn, m_firstTouchedColumn);
    const qint64 rows = std::max(m_maxRow < 0 ? 0 : m_maxRow - firstRow + 1, m_minRows);
    const qint64 fields =
        std::max<qint64>(m_maxColumn < 0 ? 0 : m_maxColumn - firstColumn + 1, m_minFields);
    set->m_rows = int(rows);
    set->m_fields = int(fields);

    if (!m_sorted) {
        // Later values at the same position win, so sort stably and keep the last of a run.
        std::stable_sort(m_cells.begin(), m_cells.end(), [](const Cell &a, const Cell &b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
        auto out = m_cells.begin();
        for (auto it = m_cells.begin(); it != m_cells.end(); ++it) {
            auto next = it + 1;
            if (next != m_cells.end() && next->row == it->row && next->column == it->column)
                continue;
            if (out != it)
                *out = std::move(*it);
            ++out;
        }
        m_cells.erase(out, m_cells.end());
    }

    set->m_texts.reserve(m_cells.size());
    set->m_columns.reserve(m_cells.size());
    set->m_rowStarts.assign(size_t(rows) + 1, 0);
    size_t index = 0;
    for (qint64 r = 0; r < rows; ++r) {
        set->m_rowStarts[size_t(r)] = quint32(set->m_texts.size());
        while (index < m_cells.size() && m_cells[index].row - firstRow == r) {
            set->m_columns.push_back(qint32(m_cells[index].column - firstColumn));
            set->m_texts.push_back(std::move(m_cells[index].text));
            ++index;
        }
    }
    set->m_rowStarts[size_t(rows)] = quint32(set->m_texts.size());
    m_cells.clear();
    m_cells.shrink_to_fit();
    set->first();
    return set;
}

void BufferedRowSet::first()
{
    m_current = 0;
    loadCurrent();
}

void BufferedRowSet::next()
{
    if (m_current < m_rows)
        ++m_current;
    loadCurrent();
}

void BufferedRowSet::loadCurrent()
{
    m_row.assign(size_t(m_fields), QString());
    if (m_current >= m_rows)
        return;
    const quint32 end = m_rowStarts[size_t(m_current) + 1];
    for (quint32 i = m_rowStarts[size_t(m_current)]; i < end; ++i)
        m_row[size_t(m_columns[i])] = m_texts[i];
}

QString BufferedRowSet::text(int field) const
{
    if (field < 0 || size_t(field) >= m_row.size())
        return {};
    return m_row[size_t(field)];
}

BufferedRowSet &DeferredRowSet::rows() const
{
    if (!m_rows) {
        if (!m_loader)
            throw Error(QStringLiteral("Die Tabelle kann nicht gelesen werden."));
        auto loader = std::move(m_loader);
        m_rows = loader();
    }
    return *m_rows;
}

} // namespace ordovan::formats
