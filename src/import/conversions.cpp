#include "conversions.h"

#include "platform/german.h"

namespace ordovan::import {

QString InsertDecimalComma(QStringView text)
{
    if (text.isEmpty())
        return {};
    // A single digit is that many cents ("5" is 0,05). Anything else gets no digit added,
    // so that it fails as an amount instead of turning into 0.
    if (text.size() == 1)
        return text.front().isDigit() && text.front().unicode() < 0x80
                   ? QStringLiteral(",0") + text.toString()
                   : QStringLiteral(",") + text.toString();
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
