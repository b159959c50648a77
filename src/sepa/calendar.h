#pragma once

#include <QDate>

// The TARGET2 calendar the SEPA banks settle by: every day but Saturdays, Sundays,
// 1 January, Good Friday, Easter Monday, 1 May, 25 and 26 December. Direct debits (CORE and
// B2B) reach the bank at least one such business day before they are due.

namespace ordovan::sepa {

// Easter Sunday of the Gregorian calendar (anonymous Gregorian algorithm).
QDate easterSunday(int year);

bool isTarget2BusinessDay(const QDate &date);

// The date itself when it is a business day, else the next one after it.
QDate businessDayOnOrAfter(const QDate &date);

// The n-th business day after the date (n >= 1); the date itself for n <= 0.
QDate addBusinessDays(const QDate &date, int n);

// The date a file made today can name: a collection falls due on the requested day, but not
// before the first business day after today and always on a business day; a credit transfer
// is only moved off a day the banks are closed.
QDate possibleDueDate(const QDate &requested, const QDate &today, bool directDebit);

} // namespace ordovan::sepa
