#pragma once

#include "table.h"

#include <QDate>
#include <QString>

#include <functional>

namespace ordovan::platform {
class SettingsStore;
}

namespace ordovan::store {

class RecordNumbers;

// Owns the eight tables for the life of the program and knows their files, the order in
// which they are created, loaded and saved, and when a table reaches its file.
class DataModule
{
public:
    explicit DataModule(QString dataDir);

    Table ClientDataSet1;          // db1.xml: domestic payment records
    Table ClientDataSetAZV;        // db5.xml: SEPA payment records
    Table ClientDataSet2;          // db2.xml: history, one row per batch run
    Table ClientDataSet3;          // mandant.xml: Mandanten
    Table ClientDataSet4;          // blz.xml: bank directory
    Table ClientDataSetHisInl;     // db6.xml: archive of domestic records
    Table ClientDataSetHisAZV;     // db7.xml: archive of SEPA records
    Table ClientDataSetMandantAlt; // db3.xml: Mandanten of the older layout

    const QString &dataDir() const { return m_dataDir; }
    QString pathOf(const QString &fileName) const { return m_dataDir + fileName; }

    // The six working files: db1.xml, db2.xml, db5.xml, db6.xml, db7.xml, mandant.xml.
    static const QStringList &workingFileNames();
    bool anyWorkingFileExists() const;

    // First start: each working table created empty and written at once, in the order
    // db1, db6, db5, db7, db2, mandant.
    // Without Mandanten, mandant.xml is left for the conversion of an older Mandant file.
    void createEmptyWorkingTables(bool withMandanten = true);

    // Puts the built-in bank directory into ClientDataSet4 (open, unchanged).
    void openBuiltInBankDirectory();

    // Start-up: the seven tables are read in the order ClientDataSet1, ClientDataSetAZV,
    // ClientDataSet2, ClientDataSet3, ClientDataSet4, ClientDataSetHisInl,
    // ClientDataSetHisAZV; before blz.xml is read the built-in bank directory is closed,
    // which writes blz.xml when it is missing. The first failure throws and leaves the later
    // tables unread.
    void loadAll();

    // The settings save: db1, db5, db2, mandant, db6, db7, each written whole; a table that
    // is not open is left alone.
    // Progress (when given) is told after each table: done of total.
    void saveWorkingTables(const std::function<void(int done, int total)> &progress = {});

    // Reads a table from a file (its own when path is empty). A table that is open and
    // changed, or whose own file is missing, is first written to its own file.
    void loadTable(Table &table, const QString &path = {});
    // Gives every table the program's clock for today's date.
    void setToday(const std::function<QDate()> &today);
    // Adds the fields our tables gained later to a file of the older layout.
    void addLaterFields(Table &table);
    // Writes a table to a file (its own when path is empty); posts a pending edit first.
    void saveTable(Table &table, const QString &path = {});
    // Closes a table: an open table that changed since it was read or written, or whose
    // file is missing, is written first.
    void closeTable(Table &table);
    // Program end: every open table is closed that way.
    void closeAll();

    // Numbering hooks of the four numbered tables; Mandanten also get "Aktives Konto" 1.
    void installNumbering(RecordNumbers &numbers);

private:
    QString m_dataDir;
};

} // namespace ordovan::store
