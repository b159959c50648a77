#include "conversions.h"

#include "platform/german.h"

namespace ordovan::import {

QString InsertDecimalComma(QStringView text)
{
    if (text.isEmpty())
        return {};
    if (text.size() == 1)
        return QStringLiteral(",0") + text.toString();
    QString out;
    out.reserve(text.size() + 1);
    out.append(text.first(text.size() - 2));
    out.append(u',');
    out.append(text.last(2));
    return out;
}

std::optional<double> parseAmount(QStringView text)
{
    return german::parseNumber(text);
}

std::optional<QDate> parseSourceDate(QStringView text, int currentYear)
{
    return german::parseDate(text, currentYear);
}

} // namespace ordovan::import
