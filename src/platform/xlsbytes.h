#pragma once

#include <QByteArrayView>

// Little-endian reads of the binary workbook formats. Every read is checked against the
// buffer; what does not fit throws XlsBroken, which the readers turn into a failed read.

namespace ordovan::platform::xls_bytes {

struct XlsBroken
{};

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

} // namespace ordovan::platform::xls_bytes
