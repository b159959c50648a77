#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace ordovan::platform {

// Tabular data access for workbook and database sources: open a file, list its sheets or
// tables, open one by name and walk its rows, each value as text the way the German data
// layer renders it. Failures throw Error.

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
    virtual std::unique_ptr<TabularRowSet> openTable(const QString &name) = 0;
};

enum class TabularKind { Workbook, Database };

class TabularProvider
{
public:
    virtual ~TabularProvider() = default;
    virtual std::unique_ptr<TabularConnection> connect(const QString &path, TabularKind kind) = 0;
};

// A provider that has no readers: every connection fails.
class UnavailableTabularProvider : public TabularProvider
{
public:
    std::unique_ptr<TabularConnection> connect(const QString &path, TabularKind kind) override;
};

} // namespace ordovan::platform
