#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Workbook files made by the tests: zip containers written byte by byte (so a test can make
// them lie about sizes, or inflate to gigabytes), minimal .xlsx workbooks from sheet XML, and
// a helper to read a whole row set as rows of text.

namespace ordovan::formats {
class TabularRowSet;
}

namespace ordovan::test {

struct ZipEntry
{
    ZipEntry() = default;
    ZipEntry(QString name, QByteArray data, bool deflate = true)
        : name(std::move(name)), data(std::move(data)), deflate(deflate)
    {}

    QString name;
    QByteArray data;
    bool deflate = true;
    // Blanks inserted after data before tail, compressed without ever being held in memory.
    qint64 blanks = 0;
    QByteArray tail;
    // Marked as encrypted in the headers (the bytes stay plain).
    bool encrypted = false;
    // The uncompressed size the headers state; the real one when unset.
    std::optional<quint32> statedSize;
    // The local header states another time and version than the central directory, as some
    // packaging libraries write it: sound, but not consistent.
    bool laxLocalHeader = false;
};

void writeZip(const QString &path, const QList<ZipEntry> &entries);

struct XlsxSheet
{
    QString name;
    QByteArray sheetData; // the content of <sheetData>
};

// The XML parts of a small workbook with these sheets (rels, content types, workbook,
// sheets, and the shared strings and styles when given).
QList<ZipEntry> xlsxParts(const QList<XlsxSheet> &sheets, const QByteArray &sharedStrings = {},
                          const QByteArray &styles = {}, bool date1904 = false);
void writeXlsx(const QString &path, const QList<XlsxSheet> &sheets,
               const QByteArray &sharedStrings = {}, const QByteArray &styles = {},
               bool date1904 = false);

// The workbook of tests/data/tabular (sheets "Zahlungen", "Prüfwerte", "Leer") as .xlsx,
// written by libxlsxwriter; with constantMemory its strings are inline, else shared.
void writeSampleXlsx(const QString &path, bool constantMemory = false);
// What every reader gives for the sample's sheets.
QList<QStringList> samplePayments();
QList<QStringList> sampleChecks();

// Every row of the row set, every field as text.
QList<QStringList> readAll(formats::TabularRowSet &rows);

} // namespace ordovan::test
