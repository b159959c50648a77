#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

// How a workbook or database value becomes the text the source grid receives: the way the
// German data layer renders a value without display formatting. Numbers: up to 15
// significant digits, decimal comma, no thousands separator, an exponent only for very large
// or very small magnitudes (11.58 -> "11,58", 1158 -> "1158"). Dates: dd.MM.yyyy, with the
// time HH:mm:ss only when it is not midnight; a bare time of day alone.

namespace ordovan::formats::tabular_values {

QString numberText(double value, int significantDigits = 15);
// A plain decimal as a library writes it ("12.7500", "-3", "1e-3"), exactly, in the German
// notation ("12,75", "-3"). Text that is no plain decimal comes back unchanged.
QString decimalText(QStringView text);
QString booleanText(bool value); // "WAHR" / "FALSCH"

QString dateTimeText(const QDate &date, const QTime &time);
QString timeText(const QTime &time);
// A serial date (days since 30.12.1899, the time as the fraction), as spreadsheets and
// databases store it. A serial below one day is a bare time.
QString serialDateTimeText(double serial);
// ISO 8601 date, date and time ("T" or blank between them) or time; other text unchanged.
QString isoDateTimeText(QStringView text);
// An ISO 8601 duration ("PT14H30M05S") as a time of day or, past a day, a serial date.
QString isoDurationText(QStringView text);

// Which of the listed names a requested sheet or table name selects: the exact name first,
// then regardless of case, then the name as the Windows data layer wrote it into settings
// ("Tabelle1$", "'Tabelle 1$'"). -1 when none.
int findTableName(const QStringList &names, const QString &wanted);

} // namespace ordovan::formats::tabular_values
