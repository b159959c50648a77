#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace ordovan::store {
class Table;
}

namespace ordovan::reports {

class PrintJob;
class PrintService;

// The booking list (Buchungsliste): one row per visible record of a payment table, in table
// order, printed or written as "Buchungsliste.txt". The SEPA layout lists ClientDataSetAZV,
// the domestic layout ClientDataSet1.

enum class Layout
{
    Sepa,
    Domestic
};

// An amount exactly as paid: whole cents (ten-thousandths rounded to nearest, then cents
// half away from zero, as the SEPA file carries it), two decimals, decimal comma, never in
// exponent form. Empty for a missing amount.
QString formatBookingAmount(std::optional<double> amount);

// The eight column values of the table's current row.
QStringList bookingListValues(const store::Table &table, Layout layout);

// The text list, each line ended by CR LF. Walks the table's visible rows.
QString bookingListText(store::Table &table, Layout layout);
// Where the text list goes: the folder of the SEPA file, or the current folder.
QString bookingListTextPath(const QString &targetPath);

// Prints the list over the table's visible rows, 33 rows a page under a heading on each.
// Throws Error when the printer fails.
void printBookingListPages(PrintService &printing, store::Table &table, Layout layout,
                           const QDate &today, const QString &targetPath);
// Prints one page heading and leaves the position at -250.
void PrintBookingListHeader(PrintJob &job, int &position, Layout layout, const QDate &today);

} // namespace ordovan::reports
