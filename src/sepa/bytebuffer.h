#pragma once

#include <QByteArray>
#include <QStringView>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

namespace ordovan::sepa {

// A growable byte buffer for writing large documents: appends are inline copies without the
// bookkeeping of QByteArray, which made up most of the time of a 100,000 transaction file.
class ByteBuffer
{
public:
    void clear() { m_size = 0; }
    void reserve(size_t capacity)
    {
        if (capacity > m_capacity)
            reallocate(capacity);
    }
    size_t size() const { return m_size; }
    const char *data() const { return m_data.get(); }
    QByteArray toByteArray() const { return QByteArray(data(), qsizetype(m_size)); }

    // Room for n more bytes; the caller writes them and then calls commit() with how many
    // it wrote.
    char *room(size_t n)
    {
        if (m_size + n > m_capacity)
            reallocate(std::max(m_capacity * 2, m_size + n + 4096));
        return m_data.get() + m_size;
    }
    void commit(size_t n) { m_size += n; }

    void append(const char *s, size_t n)
    {
        std::memcpy(room(n), s, n);
        m_size += n;
    }
    void append(char c) { *room(1) = c, ++m_size; }
    template<size_t N>
    void literal(const char (&s)[N])
    {
        append(s, N - 1);
    }

    // The text as UTF-8 with &, <, > escaped and CR, LF as character references; what XML 1.0
    // cannot carry (other control characters, lone surrogates, U+FFFE, U+FFFF) is left out.
    void appendXmlText(QStringView text);

private:
    void reallocate(size_t capacity)
    {
        std::unique_ptr<char[]> bigger(new char[capacity]);
        if (m_size)
            std::memcpy(bigger.get(), m_data.get(), m_size);
        m_data = std::move(bigger);
        m_capacity = capacity;
    }

    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

} // namespace ordovan::sepa
