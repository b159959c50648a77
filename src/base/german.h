#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

namespace ordovan::german {

// The German regional settings the program always works in, whatever the system locale:
// dates dd.MM.yyyy, times HH:mm:ss, decimal comma, no thousands separator in plain numbers.

// A date typed in the short date notation: day.month.year, or day.month (this year).
// Blanks around the text are allowed. Years of one or two digits take the century that
// puts them between 50 years before and 49 years after the reference year.
std::optional<QDate> parseDate(QStringView text, int referenceYear);

// A number with the decimal comma: optional blanks, an optional sign, digits with at most
// one decimal comma, an optional exponent ("E" or "e", an optional sign, digits), optional
// blanks. Thousands separators, currency signs and everything else make it invalid.
std::optional<double> parseNumber(QStringView text);

// Whole numbers: optional blanks, an optional sign, digits; must fit 32 bits.
std::optional<qint32> parseInteger(QStringView text);

QString formatDate(const QDate &date);         // 08.12.2022
QString formatTime(const QTime &time);         // 14:05:09
QString formatDateTime(const QDateTime &when); // date, blank, time; only the date at midnight

// Fixed point with the decimal comma and exactly two decimals: 234,50; -0,07.
QString formatMoney(double value);
// Shortest text that reads back as the same number, with the decimal comma (11,58; 250).
QString formatNumber(double value);

// Replaces Ä Ö Ü ä ö ü ß by Ae Oe Ue ae oe ue ss, case-sensitively and everywhere; nothing
// else changes. The two-letter form of one such character, or nothing for any other.
QString transliterateUmlauts(QStringView text);
const char16_t *umlautReplacement(char16_t c);

// The conversion errors of number and date fields, as the user sees them.
QString notAnIntegerMessage(const QString &text);
QString notAFloatMessage(const QString &text);
QString notADateMessage(const QString &text);

} // namespace ordovan::german
