#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVariant>

#include <cstring>
#include <string_view>

namespace ordovan::store {

// The stored form of a table's values, as rows keep them and the table files carry them.
// Values are held compactly: text as Windows-1252 bytes cut to the field's width, integers
// and dates as 32-bit numbers, floats as doubles. An empty text is the same as null.

enum class FieldKind
{
    Integer,
    Text,
    Currency,
    Float,
    Date
};

struct FieldDef
{
    QString name;
    FieldKind kind = FieldKind::Text;
    int width = 0; // text fields
    bool calculated = false;
};

// Encoded form of one stored field: empty for null; 4 bytes for integers and dates (Julian
// day), 8 bytes for floats, the Windows-1252 bytes for text.
using Cell = QByteArray;

Cell encodeInteger(qint32 v);
Cell encodeFloat(double v);
// Throws Error for a year outside 1..9999, which a table file cannot hold.
Cell encodeDate(const QDate &d);
// Control characters other than tab, line feed and carriage return are dropped: XML
// cannot carry them, and a file holding one could never be read again.
Cell encodeText(QStringView text, int width);
// Invalid QVariant for null and for a cell of the wrong size for its kind.
QVariant decodeCell(const FieldDef &def, std::string_view cell);

// Whether a byte may stand in a stored text (see encodeText).
inline bool storableTextByte(unsigned char b)
{
    return b >= 0x20 || b == '\t' || b == '\n' || b == '\r';
}

// The number in a 4-byte or 8-byte cell; the caller has checked the size.
inline qint32 cellInt32(std::string_view cell)
{
    qint32 v;
    std::memcpy(&v, cell.data(), 4);
    return v;
}

inline double cellDouble(std::string_view cell)
{
    double v;
    std::memcpy(&v, cell.data(), 8);
    return v;
}

} // namespace ordovan::store
