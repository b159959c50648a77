#pragma once

#include "childprocess.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace ordovan::formats {

class SheetBuilder;

// The parent's side of the Access reader's pipe. The child runs libmdb on a file nobody
// vouches for, so what it sends is taken as untrusted as the file: every length is checked
// against what has arrived, and a message out of place is a damaged database (Error).
// Bytes may come in any pieces; feed() takes what is complete and keeps the rest.

// The catalog: per table 'T', its system flag and its name; at the end 'E'.
class CatalogMessages
{
public:
    explicit CatalogMessages(QString path) : m_path(std::move(path)) {}
    void feed(const char *data, qint64 size);
    bool complete() const { return m_complete; }
    const QStringList &names() const { return m_names; }
    const QList<bool> &system() const { return m_system; }

private:
    QString m_path;
    PipeMessages m_in;
    QStringList m_names;
    QList<bool> m_system;
    bool m_complete = false;
};

// A table: 'C' and the field count, then per row 'R' and every field's text; at the end
// 'E'. Rows go to the builder, which keeps the limits.
class TableMessages
{
public:
    TableMessages(QString path, SheetBuilder &builder) : m_path(std::move(path)), m_builder(builder)
    {}
    void feed(const char *data, qint64 size);
    bool complete() const { return m_complete; }

private:
    QString m_path;
    SheetBuilder &m_builder;
    PipeMessages m_in;
    qint64 m_columns = -1;
    qint64 m_row = 0;
    bool m_complete = false;
};

} // namespace ordovan::formats
