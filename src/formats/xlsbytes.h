#pragma once

#include <QByteArrayView>
#include <QString>

// Little-endian reads of the binary workbook formats and the walk over BIFF records. Every
// read is checked against the buffer; what does not fit throws XlsBroken, which the readers
// turn into a refused file.

namespace ordovan::formats::xls_bytes {

// The bytes do not hold what their structure promises.
struct XlsBroken
{
    QString detail = QStringLiteral("records cut short");
};

// The workbook is encrypted: nothing after the marker can be read without the password.
struct XlsEncrypted
{};

inline quint32 u8At(QByteArrayView b, qsizetype at)
{
    if (at < 0 || at >= b.size())
        throw XlsBroken{};
    return uchar(b[at]);
}

inline quint32 u16At(QByteArrayView b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        throw XlsBroken{};
    return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8;
}

inline quint32 u32At(QByteArrayView b, qsizetype at)
{
    return u16At(b, at) | u16At(b, at + 2) << 16;
}

struct Record
{
    quint32 type = 0;
    QByteArrayView data;
};

// The records of a BIFF stream from an offset on: a type, a size and that many bytes each.
class Records
{
public:
    Records(QByteArrayView stream, qint64 at) : m_stream(stream), m_at(at)
    {
        if (at < 0 || at > stream.size())
            throw XlsBroken{QStringLiteral("record offset outside the stream")};
    }
    // False at the end of the stream; a record that runs past it is broken.
    bool next(Record &record)
    {
        if (m_at == m_stream.size())
            return false;
        record.type = u16At(m_stream, m_at);
        const qint64 size = u16At(m_stream, m_at + 2);
        if (m_at + 4 + size > m_stream.size())
            throw XlsBroken{};
        record.data = m_stream.sliced(m_at + 4, size);
        m_at += 4 + size;
        return true;
    }
    // The type of the record next() would give; 0 at the end of the stream.
    quint32 peekType() const { return m_at + 2 <= m_stream.size() ? u16At(m_stream, m_at) : 0; }
    qint64 position() const { return m_at; }

private:
    QByteArrayView m_stream;
    qint64 m_at;
};

} // namespace ordovan::formats::xls_bytes
