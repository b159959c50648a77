#pragma once

#include <QString>

namespace ordovan::store {

class Table;

// The table file: the XML data packet the tables are kept in (Windows-1252, declaration
// plus two blanks, the whole document on one line). Reading replaces the table's whole
// content, change log included, and leaves the table untouched when the file is missing or
// cannot be parsed (an Error naming the file is thrown). Writing goes to a temporary file
// that is renamed into place, so a failed write keeps the previous file.
void readTableFile(Table &table, const QString &path);
void writeTableFile(const Table &table, const QString &path);

// The German messages of the reader; the detail of the Error says what was wrong where.
QString tableFileMissingMessage(const QString &path);    // Die Datei "…" wurde nicht gefunden.
QString tableFileUnreadableMessage(const QString &path); // Die Tabellendatei "…" kann nicht …
// The writer refuses a table that is not open: writing it would empty the file.
QString tableNotOpenMessage(const QString &tableName);

} // namespace ordovan::store
