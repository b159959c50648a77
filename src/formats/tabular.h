#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace ordovan::formats {

// Tabular data access for workbook and database sources: open a file, list its sheets or
// tables, open one by name and walk its rows, each value as text the way the German data
// layer renders it (numbers with the decimal comma, dates dd.MM.yyyy, empty cells empty).
// Failures throw Error. A row set may read its rows only when first asked for a count, so
// fieldCount() and rowCount() throw Error too when the data cannot be read.

class TabularRowSet
{
public:
    virtual ~TabularRowSet() = default;
    virtual int fieldCount() const = 0;
    virtual int rowCount() const = 0;
    virtual void first() = 0;
    virtual bool eof() const = 0;
    virtual int recNo() const = 0; // 1-based number of the current row
    virtual void next() = 0;
    virtual QString text(int field) const = 0;
};

class TabularConnection
{
public:
    virtual ~TabularConnection() = default;
    // Names of the sheets or tables as the user knows them.
    virtual QStringList tableNames(bool includeSystemTables) const = 0;
    // Throws Error when the file has no sheet or table of that name.
    virtual std::unique_ptr<TabularRowSet> openTable(const QString &name) = 0;
};

enum class TabularKind
{
    Workbook,
    Database
};

class TabularProvider
{
public:
    virtual ~TabularProvider() = default;
    virtual std::unique_ptr<TabularConnection> connect(const QString &path, TabularKind kind) = 0;
};

// What one read may take at most, so that a hostile or broken file (a zip bomb, a sheet
// claiming a million rows of nothing) ends in an error instead of exhausting the memory.
struct TabularLimits
{
    qint64 maxCells = 5'000'000; // rows times fields of the used range
    // Rows of the used range: what a spreadsheet holds at most. Every row becomes a record,
    // so a sheet of millions of one-cell rows would cost minutes and gigabytes downstream.
    qint64 maxRows = 1'048'576;
    qint64 maxTextChars = 128LL * 1024 * 1024; // characters held for one sheet or table
    qint64 maxPartBytes = 512LL * 1024 * 1024; // inflated size of one part of a workbook
    qint64 maxFileBytes = 512LL * 1024 * 1024; // size of an .xls file (read whole)
    // The database reader's child process: its memory, and how long it may stay silent.
    qint64 childMemoryBytes = 1024LL * 1024 * 1024;
    int childIdleMs = 30000;
};

// The readers of this platform: .xls from its own records, .xlsx and .ods through libzip and
// the XML stream reader, .mdb/.accdb through mdbtools. A workbook is recognised by its content,
// so a renamed file still meets the right reader (or a clear error).
class FileTabularProvider : public TabularProvider
{
public:
    explicit FileTabularProvider(TabularLimits limits = {}) : m_limits(limits) {}
    std::unique_ptr<TabularConnection> connect(const QString &path, TabularKind kind) override;

private:
    TabularLimits m_limits;
};

// True when the file starts like a zip archive or an OLE compound document: an office file
// (or another container), never a text.
bool isContainerFile(const QString &path);

// A provider that has no readers: every connection fails.
class UnavailableTabularProvider : public TabularProvider
{
public:
    std::unique_ptr<TabularConnection> connect(const QString &path, TabularKind kind) override;
};

} // namespace ordovan::formats
