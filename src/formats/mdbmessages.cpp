#include "mdbmessages.h"

#include "base/error.h"
#include "sheetbuffer.h"
#include "tabularerrors.h"

namespace ordovan::formats {

void CatalogMessages::feed(const char *data, qint64 size)
{
    m_in.append(data, size);
    while (m_in.available() > 0 && !m_complete) {
        if (m_in.peek() == 'E') {
            m_complete = true;
            m_in.consume(1);
            break;
        }
        const qint64 text = m_in.textSize(2);
        if (m_in.peek() != 'T' || text < 0)
            break;
        m_system << (m_in.at(1) != 0);
        m_names << m_in.textAt(2);
        m_in.consume(2 + text);
        if (m_names.size() > 100000)
            throw Error(tabular_errors::damaged(m_path));
    }
}

void TableMessages::feed(const char *data, qint64 size)
{
    m_in.append(data, size);
    while (m_in.available() > 0 && !m_complete) {
        const char tag = m_in.peek();
        if (tag == 'E' && m_columns >= 0) {
            m_complete = true;
            m_in.consume(1);
        } else if (tag == 'C' && m_columns < 0) {
            if (m_in.available() < 5)
                return;
            m_columns = m_in.uint32At(1);
            if (m_columns > 4096)
                throw Error(tabular_errors::damaged(m_path));
            m_builder.setMinimumFieldCount(int(m_columns));
            m_in.consume(5);
        } else if (tag == 'R' && m_columns >= 0) {
            // Only a row that is all there is taken.
            qint64 offset = 1;
            for (qint64 c = 0; c < m_columns; ++c) {
                const qint64 size = m_in.textSize(offset);
                if (size < 0)
                    return;
                offset += size;
            }
            offset = 1;
            for (qint64 c = 0; c < m_columns; ++c) {
                m_builder.add(m_row, c, m_in.textAt(offset));
                offset += m_in.textSize(offset);
            }
            m_builder.setMinimumRowCount(++m_row);
            m_in.consume(offset);
        } else {
            throw Error(tabular_errors::damaged(m_path));
        }
    }
}

} // namespace ordovan::formats
