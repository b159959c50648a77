#include "sepa/calendar.h"

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QDate d(int y, int m, int day)
{
    return QDate(y, m, day);
}

} // namespace

TEST(Target2Calendar, EasterOverTheYears)
{
    const struct
    {
        int year, month, day;
    } easter[] = {{2000, 4, 23}, {2008, 3, 23}, {2011, 4, 24}, {2019, 4, 21},
                  {2024, 3, 31}, {2025, 4, 20}, {2026, 4, 5},  {2027, 3, 28},
                  {2028, 4, 16}, {2038, 4, 25}, {2285, 3, 22}};
    for (const auto &e : easter)
        EXPECT_EQ(sepa::easterSunday(e.year), d(e.year, e.month, e.day)) << e.year;
}

TEST(Target2Calendar, ClosingDays)
{
    const struct
    {
        QDate date;
        bool open;
    } days[] = {
        {d(2026, 1, 1), false},   // New Year, a Thursday
        {d(2026, 1, 2), true},    // Friday
        {d(2026, 4, 2), true},    // Maundy Thursday
        {d(2026, 4, 3), false},   // Good Friday
        {d(2026, 4, 6), false},   // Easter Monday
        {d(2026, 4, 7), true},    //
        {d(2026, 5, 1), false},   // Labour Day, a Friday
        {d(2026, 5, 14), true},   // Ascension Day is no TARGET2 holiday
        {d(2026, 10, 3), false},  // a Saturday (German Unity Day does not count anyway)
        {d(2025, 10, 3), true},   // German Unity Day on a Friday: banks settle
        {d(2026, 12, 24), true},  // Christmas Eve
        {d(2026, 12, 25), false}, // Christmas Day
        {d(2026, 12, 26), false}, // Boxing Day (a Saturday)
        {d(2027, 12, 26), false}, // Sunday
        {d(2024, 3, 29), false},  // Good Friday in March
        {d(2024, 4, 1), false},   // Easter Monday
        {d(2024, 12, 31), true},  // New Year's Eve
        {d(2026, 12, 12), false}, // Saturday
        {d(2026, 12, 13), false}, // Sunday
        {d(2026, 12, 14), true},  // Monday
        {QDate(), false},
    };
    for (const auto &c : days)
        EXPECT_EQ(sepa::isTarget2BusinessDay(c.date), c.open) << c.date.toString().toStdString();
}

TEST(Target2Calendar, NextAndNthBusinessDay)
{
    EXPECT_EQ(sepa::businessDayOnOrAfter(d(2026, 12, 9)), d(2026, 12, 9));
    EXPECT_EQ(sepa::businessDayOnOrAfter(d(2026, 12, 12)), d(2026, 12, 14));
    EXPECT_EQ(sepa::businessDayOnOrAfter(d(2026, 12, 25)), d(2026, 12, 28));
    EXPECT_EQ(sepa::businessDayOnOrAfter(d(2027, 12, 25)), d(2027, 12, 27));
    EXPECT_EQ(sepa::businessDayOnOrAfter(d(2026, 4, 3)), d(2026, 4, 7));

    EXPECT_EQ(sepa::addBusinessDays(d(2026, 12, 9), 1), d(2026, 12, 10));  // Wednesday
    EXPECT_EQ(sepa::addBusinessDays(d(2026, 12, 11), 1), d(2026, 12, 14)); // Friday
    EXPECT_EQ(sepa::addBusinessDays(d(2026, 12, 12), 1), d(2026, 12, 14)); // Saturday
    EXPECT_EQ(sepa::addBusinessDays(d(2026, 12, 24), 1), d(2026, 12, 28));
    EXPECT_EQ(sepa::addBusinessDays(d(2026, 12, 24), 3), d(2026, 12, 30));
    EXPECT_EQ(sepa::addBusinessDays(d(2026, 4, 2), 1), d(2026, 4, 7)); // before Good Friday
    EXPECT_EQ(sepa::addBusinessDays(d(2026, 12, 31), 1), d(2027, 1, 4));
    EXPECT_EQ(sepa::addBusinessDays(d(2026, 12, 9), 0), d(2026, 12, 9));
}

TEST(Target2Calendar, DueDatesOfAFileMadeToday)
{
    // Direct debits: at least one business day ahead, on a business day.
    const struct
    {
        QDate today, requested, directDebit, transfer;
    } cases[] = {
        // Wednesday, due today: Thursday; a transfer keeps Wednesday.
        {d(2026, 12, 9), d(2026, 12, 9), d(2026, 12, 10), d(2026, 12, 9)},
        // Friday: Monday.
        {d(2026, 12, 11), d(2026, 12, 11), d(2026, 12, 14), d(2026, 12, 11)},
        // Saturday: Monday, the first business day after it, for both.
        {d(2026, 12, 12), d(2026, 12, 12), d(2026, 12, 14), d(2026, 12, 14)},
        // Christmas Eve: after the two holidays and the weekend.
        {d(2026, 12, 24), d(2026, 12, 24), d(2026, 12, 28), d(2026, 12, 24)},
        {d(2026, 12, 24), d(2026, 12, 25), d(2026, 12, 28), d(2026, 12, 28)},
        // The day before Good Friday: Tuesday after Easter.
        {d(2026, 4, 2), d(2026, 4, 2), d(2026, 4, 7), d(2026, 4, 2)},
        // A date far enough ahead stays.
        {d(2026, 12, 9), d(2026, 12, 17), d(2026, 12, 17), d(2026, 12, 17)},
        // A past date moves up.
        {d(2026, 12, 9), d(2026, 12, 1), d(2026, 12, 10), d(2026, 12, 1)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.today.toString(Qt::ISODate).toStdString() + " " +
                     c.requested.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(sepa::possibleDueDate(c.requested, c.today, true), c.directDebit);
        EXPECT_EQ(sepa::possibleDueDate(c.requested, c.today, false), c.transfer);
    }
}
