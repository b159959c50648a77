#include "conversions.h"

#include "base/german.h"

namespace ordovan::import {

QString insertDecimalComma(QStringView text)
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

std::optional<QDate> parseGermanOrIsoDate(QStringView text, int currentYear)
{
    const QStringView t = text.trimmed();
    if (const auto d = german::parseDate(t, currentYear))
        return d;
    // ISO dates, as databases and exports write them, with or without a time.
    const QStringView day = t.size() > 10 && (t[10] == u'T' || t[10] == u' ') ? t.left(10) : t;
    if (day.size() != 10 || day[4] != u'-' || day[7] != u'-')
        return std::nullopt;
    const QDate d = QDate::fromString(day.toString(), QStringLiteral("yyyy-MM-dd"));
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

} // namespace ordovan::import
