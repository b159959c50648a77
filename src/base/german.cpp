#include "german.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace ordovan::german {

namespace {

bool isBlank(QChar c)
{
    return c == u' ';
}

} // namespace

std::optional<QDate> parseDate(QStringView text, int referenceYear)
{
    QStringView t = text;
    while (!t.isEmpty() && isBlank(t.front()))
        t = t.mid(1);
    while (!t.isEmpty() && isBlank(t.back()))
        t.chop(1);
    if (t.isEmpty())
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int count = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        QChar c = t[i];
        if (c == u'.') {
            if (digits[count] == 0 || ++count > 2)
                return std::nullopt;
            continue;
        }
        if (c < u'0' || c > u'9' || digits[count] >= 4)
            return std::nullopt;
        parts[count] = parts[count] * 10 + (c.unicode() - u'0');
        ++digits[count];
    }
    if (digits[count] == 0 || count < 1)
        return std::nullopt;
    int year = referenceYear;
    if (count == 2) {
        year = parts[2];
        if (digits[2] <= 2) {
            const int threshold = referenceYear - 50;
            year = threshold - threshold % 100 + year;
            if (year < threshold)
                year += 100;
        }
    }
    if (year < 1 || year > 9999)
        return std::nullopt;
    QDate d(year, parts[1], parts[0]);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

std::optional<double> parseNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    std::string ascii;
    ascii.reserve(n);
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ascii += char(text[i++].unicode());
    int mantissaDigits = 0;
    bool comma = false;
    while (i < n) {
        QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            ascii += char(c.unicode());
            ++mantissaDigits;
        } else if (c == u',' && !comma) {
            comma = true;
            ascii += '.';
        } else {
            break;
        }
        ++i;
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ascii += char(text[i++].unicode());
        int expDigits = 0;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            ascii += char(text[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    while (i < n && isBlank(text[i]))
        ++i;
    if (i != n)
        return std::nullopt;
    const char *begin = ascii.data();
    if (*begin == '+')
        ++begin;
    double value = 0;
    auto [ptr, ec] = std::from_chars(begin, ascii.data() + ascii.size(), value);
    if (ec != std::errc() || ptr != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint32> parseInteger(QStringView text)
{
    QStringView t = text;
    while (!t.isEmpty() && isBlank(t.front()))
        t = t.mid(1);
    while (!t.isEmpty() && isBlank(t.back()))
        t.chop(1);
    if (t.isEmpty())
        return std::nullopt;
    bool negative = false;
    if (t.front() == u'+' || t.front() == u'-') {
        negative = t.front() == u'-';
        t = t.mid(1);
    }
    if (t.isEmpty())
        return std::nullopt;
    qint64 v = 0;
    for (QChar c : t) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
        if (v > qint64(2147483648LL))
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL || v < -2147483648LL)
        return std::nullopt;
    return static_cast<qint32>(v);
}

namespace {

// Every log line carries a timestamp, so these are written digit by digit rather than
// through QString::arg.
char16_t *putDigits(char16_t *out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
    return out + width;
}

char16_t *putDate(char16_t *out, const QDate &date)
{
    out = putDigits(out, date.day(), 2);
    *out++ = u'.';
    out = putDigits(out, date.month(), 2);
    *out++ = u'.';
    return putDigits(out, date.year(), 4);
}

char16_t *putTime(char16_t *out, const QTime &time)
{
    out = putDigits(out, time.hour(), 2);
    *out++ = u':';
    out = putDigits(out, time.minute(), 2);
    *out++ = u':';
    return putDigits(out, time.second(), 2);
}

} // namespace

QString formatDate(const QDate &date)
{
    // Years outside 1..9999 keep the general form.
    if (!date.isValid())
        return {};
    if (date.year() < 1 || date.year() > 9999)
        return QStringLiteral("%1.%2.%3")
            .arg(date.day(), 2, 10, QChar(u'0'))
            .arg(date.month(), 2, 10, QChar(u'0'))
            .arg(date.year(), 4, 10, QChar(u'0'));
    char16_t buf[10];
    putDate(buf, date);
    return QString(reinterpret_cast<const QChar *>(buf), 10);
}

QString formatTime(const QTime &time)
{
    if (!time.isValid())
        return QStringLiteral("%1:%2:%3")
            .arg(time.hour(), 2, 10, QChar(u'0'))
            .arg(time.minute(), 2, 10, QChar(u'0'))
            .arg(time.second(), 2, 10, QChar(u'0'));
    char16_t buf[8];
    putTime(buf, time);
    return QString(reinterpret_cast<const QChar *>(buf), 8);
}

QString formatDateTime(const QDateTime &when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    if (!d.isValid() || d.year() < 1 || d.year() > 9999 || !t.isValid()) {
        if (t.hour() == 0 && t.minute() == 0 && t.second() == 0 && t.msec() == 0)
            return formatDate(d);
        return formatDate(d) + u' ' + formatTime(t);
    }
    char16_t buf[19];
    char16_t *end = putDate(buf, d);
    if (t.hour() != 0 || t.minute() != 0 || t.second() != 0 || t.msec() != 0) {
        *end++ = u' ';
        end = putTime(end, t);
    }
    return QString(reinterpret_cast<const QChar *>(buf), end - buf);
}

QString formatMoney(double value)
{
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    QString s = QString::fromLatin1(buf);
    if (s == QLatin1String("-0.00"))
        s = QStringLiteral("0.00");
    s.replace(u'.', u',');
    return s;
}

QString formatNumber(double value)
{
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc())
        return {};
    QString s = QString::fromLatin1(buf, ptr - buf);
    s.replace(u'.', u',');
    return s;
}

const char16_t *umlautReplacement(char16_t c)
{
    switch (c) {
    case u'Ä':
        return u"Ae";
    case u'Ö':
        return u"Oe";
    case u'Ü':
        return u"Ue";
    case u'ä':
        return u"ae";
    case u'ö':
        return u"oe";
    case u'ü':
        return u"ue";
    case u'ß':
        return u"ss";
    default:
        return nullptr;
    }
}

QString transliterateUmlauts(QStringView text)
{
    // Written straight into the buffer: this runs for every name of every record.
    QString out(text.size() * 2, Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    qsizetype n = 0;
    for (QChar c : text) {
        if (const char16_t *r = umlautReplacement(c.unicode())) {
            for (; *r; ++r)
                d[n++] = *r;
        } else {
            d[n++] = c.unicode();
        }
    }
    out.truncate(n);
    return out;
}

QString notAnIntegerMessage(const QString &text)
{
    return QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text);
}

QString notAFloatMessage(const QString &text)
{
    return QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(text);
}

QString notADateMessage(const QString &text)
{
    return QStringLiteral("'%1' ist kein gültiges Datum").arg(text);
}

} // namespace ordovan::german
