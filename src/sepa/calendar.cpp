#include "calendar.h"

namespace ordovan::sepa {

QDate easterSunday(int year)
{
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

bool isTarget2BusinessDay(const QDate &date)
{
    if (!date.isValid() || date.dayOfWeek() >= 6)
        return false;
    const int month = date.month();
    const int day = date.day();
    if ((month == 1 && day == 1) || (month == 5 && day == 1) ||
        (month == 12 && (day == 25 || day == 26)))
        return false;
    // Good Friday and Easter Monday fall in March or April.
    if (month == 3 || month == 4) {
        const QDate easter = easterSunday(date.year());
        if (date == easter.addDays(-2) || date == easter.addDays(1))
            return false;
    }
    return true;
}

QDate businessDayOnOrAfter(const QDate &date)
{
    if (!date.isValid())
        return date;
    QDate d = date;
    while (!isTarget2BusinessDay(d))
        d = d.addDays(1);
    return d;
}

QDate addBusinessDays(const QDate &date, int n)
{
    if (!date.isValid())
        return date;
    QDate d = date;
    for (int i = 0; i < n; ++i)
        d = businessDayOnOrAfter(d.addDays(1));
    return d;
}

QDate possibleDueDate(const QDate &requested, const QDate &today, bool directDebit)
{
    QDate due = requested.isValid() ? requested : today;
    if (directDebit) {
        const QDate earliest = addBusinessDays(today, 1);
        if (due < earliest)
            due = earliest;
    }
    return businessDayOnOrAfter(due);
}

} // namespace ordovan::sepa
