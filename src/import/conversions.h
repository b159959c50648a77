#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

namespace ordovan::import {

// An amount given in cents as an amount with a decimal comma: "," goes before the last two
// characters (1158 -> 11,58; -250 -> -2,50; 99 -> ,99). One character is taken as cents
// too (5 -> ,05): putting the comma in front of it would read five cents as fifty. Empty
// stays empty. The comma is always ",".
QString insertDecimalComma(QStringView text);

// The amount of a source cell, in the German number notation: optional blanks, an optional
// sign, digits with at most one decimal comma, an optional exponent, optional blanks.
// Nothing for anything else (thousands points, currency signs, a decimal point).
std::optional<double> parseAmount(QStringView text);

// A date of a source cell in the short date notation (day.month.year; day.month for this
// year). Two-digit years take the century that puts them within 50 years of today's year.
std::optional<QDate> parseSourceDate(QStringView text, int currentYear);
// A German date (as parseSourceDate) or an ISO one (JJJJ-MM-TT, a time after it ignored).
std::optional<QDate> parseGermanOrIsoDate(QStringView text, int currentYear);

} // namespace ordovan::import
