#pragma once

#include "tabular.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

namespace ordovan::platform::xls_cells {

// The cells of an .xls sheet that FreeXL does not give as they are: formula cells (FreeXL
// skips them; here they bring their stored result, a number, a date by the cell's format,
// a text, a boolean or an error), boolean and error cells (FreeXL gives 1 or 0) and number
// cells (FreeXL takes a format that quotes a text such as "DM" for a date format). Read
// from the BIFF records of the workbook stream, which the compound document reader finds;
// every size and offset is checked against the stream.

struct Cell
{
    qint32 row = 0;
    qint32 column = 0;
    QString text;
};

enum class Outcome
{
    Read,       // cells holds every number, formula, boolean and error cell of the sheet
    Unreadable, // the records could not be followed before any such cell: nothing is known
    Refused     // the sheet has such cells that cannot be read (or are of Excel 95 and older)
};

struct SheetCells
{
    Outcome outcome = Outcome::Unreadable;
    std::vector<Cell> cells;
    QString detail; // why, for the diagnostics
};

// The cells of the sheet at sheetIndex of the .xls file. sheetNames are the sheets as FreeXL
// lists them; a workbook whose sheet list differs is Unreadable. Throws Error only when the
// cells pass the limits.
SheetCells readSheetCells(QByteArrayView file, int sheetIndex, const QStringList &sheetNames,
                          const TabularLimits &limits);

// "#DIV/0!" and the others for the error codes of the records; empty for an unknown code.
QString errorText(int code);

} // namespace ordovan::platform::xls_cells
