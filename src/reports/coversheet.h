#pragma once

#include <QDate>
#include <QString>

namespace ordovan::store {
class Table;
}

namespace ordovan::reports {

class PrintService;

// The cover sheet (Begleitzettel) that goes to the bank with a SEPA file: printed on one
// page, or as the text file "Begleitzettel.txt" beside the SEPA file. The history cover
// sheet prints the fields of one history row instead.

enum class Variant
{
    DirectDebit,
    CreditTransfer
};

// All values are texts as shown on the main window; count and total are empty after a file
// creation that wrote no record.
struct CoverSheetValues
{
    QString filePath;
    QString sender;
    QString count;
    QString bic;
    QString iban;
    QString total;
    QDate today;
    // The day the last file names for its payments (moved to a bank business day where it
    // had to be); printed when known. The text sheet keeps its eight lines.
    QDate dueDate;
};

// The lines of the text sheet joined by CR LF, without a break after the last one. The
// "Dateiname: " line is left out when the file path is empty.
QString coverSheetText(const CoverSheetValues &values, Variant variant);
// Where the text sheet goes: the folder of the SEPA file, or the current folder.
QString coverSheetTextPath(const QString &targetPath);

// Prints the sheet on one page, at once, without a print dialog. Throws Error when the
// printer fails.
void printCoverSheetPages(PrintService &printing, const CoverSheetValues &values, Variant variant);

// Prints the sheet of the current row of the history table (empty values when it has none),
// in the face the printer canvas last had. targetPath places an output file beside it.
void printHistoryCoverSheetPages(PrintService &printing, const store::Table &history,
                                 const QString &targetPath);

// Writes a text report in Windows-1252, atomically; throws Error when that fails.
void writeTextReport(const QString &path, const QString &text);

} // namespace ordovan::reports
