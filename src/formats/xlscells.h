#pragma once

#include "tabular.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace ordovan::formats {
class SheetBuilder;
}

namespace ordovan::formats::xls_cells {

// The BIFF records of an .xls workbook stream, Excel 5.0/95 (BIFF5) and Excel 97 to 2003
// (BIFF8): the workbook's globals (code page, date system, cell formats, the sheet list and
// the shared strings) and each sheet's cells. A cell arrives as Excel shows its value:
// texts, numbers by their format (a date format makes a date), the stored results of
// formulas, booleans and errors. Every size and offset is checked against the stream; what
// does not fit throws xls_bytes::XlsBroken, an encrypted workbook xls_bytes::XlsEncrypted.

struct Workbook
{
    struct Sheet
    {
        quint32 offset = 0; // of the sheet's BOF record in the stream
        QString name;
        bool worksheet = true; // not a chart, macro or module sheet
    };

    bool biff8 = true;
    bool date1904 = false;
    int codePage = 1252;
    std::vector<quint32> xfFormats; // number format of each cell format
    QHash<quint32, QString> formats;
    std::vector<Sheet> sheets;   // as the sheet list names them, charts included
    qint64 globalsEnd = 0;       // offset after the globals
    qint64 sharedStringsAt = -1; // offset of the SST record

    bool isDate(quint32 xf) const;
    QStringList worksheetNames() const;
};

Workbook readWorkbook(QByteArrayView stream);

// The BIFF8 shared strings; Error past the limits.
std::vector<QString> readSharedStrings(QByteArrayView stream, const Workbook &book,
                                       const TabularLimits &limits);

// The cells of the n-th worksheet (counted as worksheetNames() lists them) into builder;
// Error past the limits.
void readSheet(QByteArrayView stream, const Workbook &book, const std::vector<QString> &strings,
               int worksheet, SheetBuilder &builder, const TabularLimits &limits);

// "#DIV/0!" and the others for the error codes of the records; empty for an unknown code.
QString errorText(int code);

} // namespace ordovan::formats::xls_cells
