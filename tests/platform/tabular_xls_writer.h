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

struct Sheet
{
    QString name;
    QByteArray cells; // records between the sheet's dimensions and its end
    int rows = 0;     // the dimensions FreeXL allocates
    int columns = 0;
};

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
