#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// .xls workbooks put together record by record, so tests can store formula results, break
// records and break the container. BIFF8 (or Excel 95's BIFF5) in a compound document of
// 512-byte sectors: the allocation table in sector 0, the directory in sector 1 (entry 0 the
// root, entry 1 the workbook stream), a workbook stream of 4096 bytes and more from sector 2
// on, a shorter one in the mini stream (mini allocation table in sector 2, the mini stream
// from sector 3). Cell formats: 0 general, 1 a date, 2 a time of day, 3 a date and time
// and 4 an amount with quoted texts "DM" and "Monatsbeitrag" (both formats of the
// workbook's own).

namespace ordovan::test::xls {

QByteArray record(quint32 type, const QByteArray &data);

QByteArray label(int row, int column, const QString &text);
// Excel 95's text cell: the bytes in the workbook's code page.
QByteArray label5(int row, int column, const QByteArray &bytes);
// A cell showing one of the shared strings.
QByteArray labelSst(int row, int column, quint32 index);
QByteArray number(int row, int column, double value, int format = 0);
// Compressed numbers: bit 1 an integer in the upper 30 bits (else the upper half of a
// double), bit 0 divided by 100.
QByteArray rk(int row, int column, quint32 value, int format = 0);
QByteArray mulRk(int row, int firstColumn, const QList<quint32> &values, int format = 0);
QByteArray boolErr(int row, int column, int value, bool error);

// A formula cell with its stored result: one of the eight-byte results below.
QByteArray formula(int row, int column, const QByteArray &result, int format = 0);
QByteArray numberResult(double value);
QByteArray textResult(); // the text follows in string()
QByteArray booleanResult(bool value);
QByteArray errorResult(int code);
QByteArray emptyTextResult();

// The text of a text result: a STRING record continued in CONTINUE records of at most
// chunk bytes, each starting with its own flag, as Excel writes them.
QByteArray string(const QString &text, bool wide, int chunk = 8224);
// Excel 95's form of it: a count, then the bytes in the code page.
QByteArray string5(const QByteArray &bytes);

// The shared strings of a workbook, as Excel writes them: an SST record continued in
// CONTINUE records of at most chunk bytes. A string's head is never cut; where its
// characters go on, a width byte comes first (one byte a character when the rest fits). With
// rich every string carries two formatting runs and a phonetic block, which may be cut
// anywhere.
QByteArray sharedStrings(const QStringList &texts, int chunk = 8224, bool rich = false);

struct Sheet
{
    QString name;
    QByteArray cells; // records between the sheet's dimensions and its end
    int rows = 0;     // the dimensions the sheet states
    int columns = 0;
    int type = 0; // in the sheet list: 0 a worksheet, 2 a chart, 6 a macro module
};

struct WorkbookOptions
{
    bool biff5 = false;
    bool date1904 = false;
    int codePage = 0;   // 0: 1200 for BIFF8, 1252 for BIFF5
    QByteArray globals; // further records of the globals, after the sheet list
};

QByteArray workbookStream(const QList<Sheet> &sheets, const WorkbookOptions &options);
QByteArray workbookStream(const QList<Sheet> &sheets, bool biff5 = false, bool date1904 = false);
QByteArray compoundFile(const QByteArray &stream, const QString &name = QStringLiteral("Workbook"));

// Offsets into the written file, for tests that break it.
inline qsizetype fatEntryOffset(quint32 sector)
{
    return 512 + 4 * qsizetype(sector);
}
constexpr qsizetype kStreamEntryOffset = 1024 + 128; // directory entry of the stream
constexpr qsizetype kFirstStreamSectorOffset = 1536;

} // namespace ordovan::test::xls
