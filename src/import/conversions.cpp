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

QString TransliterateUmlauts(QStringView text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'Ä':
            out.append(u"Ae");
            break;
        case u'Ö':
            out.append(u"Oe");
            break;
        case u'Ü':
            out.append(u"Ue");
            break;
        case u'ä':
            out.append(u"ae");
            break;
        case u'ö':
            out.append(u"oe");
            break;
        case u'ü':
            out.append(u"ue");
            break;
        case u'ß':
            out.append(u"ss");
            break;
        default:
            out.append(c);
        }
    }
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
