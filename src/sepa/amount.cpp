#include "amount.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace ordovan::sepa {

std::optional<Amount> convertAmount(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double scaled = value * double(kAmountPerEuro);
    // 2^63: the first value llround could not return.
    constexpr double limit = 9223372036854775808.0;
    if (!(scaled > -limit && scaled < limit))
        return std::nullopt;
    const long long tenThousandths = std::llround(scaled);
    if (tenThousandths == std::numeric_limits<long long>::min())
        return std::nullopt;

    const qint64 magnitude = tenThousandths < 0 ? -tenThousandths : tenThousandths;
    qint64 cents = magnitude / 100;
    if (magnitude % 100 >= 50)
        ++cents;
    qint64 rounded = 0;
    if (__builtin_mul_overflow(cents, qint64(100), &rounded))
        return std::nullopt;
    return tenThousandths < 0 ? -rounded : rounded;
}

bool addAmount(Amount &total, Amount amount)
{
    Amount sum = 0;
    if (__builtin_add_overflow(total, amount, &sum))
        return false;
    total = sum;
    return true;
}

namespace {

// Integer part, separator, two decimals of the cents, written backwards into the end of the
// buffer; the digits below cents are dropped (converted amounts carry none). Returns the
// first character.
char *formatInto(char (&buffer)[32], Amount amount, char separator)
{
    char *p = buffer + sizeof buffer;
    // Work on the negative side so that the smallest value has a magnitude too.
    const qint64 v = amount < 0 ? amount : -amount;
    const qint64 cents = -((v / 100) % 100);
    qint64 euros = -(v / kAmountPerEuro);
    *--p = char('0' + cents % 10);
    *--p = char('0' + cents / 10);
    *--p = separator;
    do {
        *--p = char('0' + euros % 10);
        euros /= 10;
    } while (euros > 0);
    if (amount < 0)
        *--p = '-';
    return p;
}

} // namespace

int writeAmount(char *out, Amount amount)
{
    char buffer[32];
    const char *p = formatInto(buffer, amount, '.');
    const int n = int(buffer + sizeof buffer - p);
    std::memcpy(out, p, size_t(n));
    return n;
}

QByteArray formatAmount(Amount amount)
{
    char buffer[32];
    const char *p = formatInto(buffer, amount, '.');
    return QByteArray(p, buffer + sizeof buffer - p);
}

QString formatAmountGerman(Amount amount)
{
    char buffer[32];
    const char *p = formatInto(buffer, amount, ',');
    return QString::fromLatin1(p, buffer + sizeof buffer - p);
}

} // namespace ordovan::sepa
