#include "cellcodec.h"

#include "base/codec.h"
#include "base/error.h"

namespace ordovan::store {

Cell encodeInteger(qint32 v)
{
    return Cell(reinterpret_cast<const char *>(&v), 4);
}

Cell encodeFloat(double v)
{
    return Cell(reinterpret_cast<const char *>(&v), 8);
}

Cell encodeDate(const QDate &d)
{
    if (!d.isValid())
        return {};
    if (d.year() < 1 || d.year() > 9999)
        throw Error(QStringLiteral("Das Datum %1 liegt außerhalb des zulässigen Bereichs.")
                        .arg(d.toString(Qt::ISODate)));
    const qint32 jd = qint32(d.toJulianDay());
    return Cell(reinterpret_cast<const char *>(&jd), 4);
}

Cell encodeText(QStringView text, int width)
{
    Cell c = codec::toCp1252(text);
    c.removeIf([](char ch) { return !storableTextByte(static_cast<unsigned char>(ch)); });
    if (width > 0 && c.size() > width)
        c.truncate(width);
    return c;
}

QVariant decodeCell(const FieldDef &def, std::string_view cell)
{
    if (cell.empty())
        return {};
    switch (def.kind) {
    case FieldKind::Integer:
        if (cell.size() != 4)
            return {};
        return cellInt32(cell);
    case FieldKind::Currency:
    case FieldKind::Float:
        if (cell.size() != 8)
            return {};
        return cellDouble(cell);
    case FieldKind::Date:
        if (cell.size() != 4)
            return {};
        return QDate::fromJulianDay(cellInt32(cell));
    case FieldKind::Text:
        return codec::fromCp1252(QByteArrayView(cell.data(), qsizetype(cell.size())));
    }
    return {};
}

} // namespace ordovan::store
