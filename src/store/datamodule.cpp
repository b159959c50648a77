#include "datamodule.h"

#include "bankdirectory.h"
#include "base/error.h"
#include "platform/files.h"
#include "recordnumbers.h"
#include "schema.h"
#include "tablefile.h"

#include <QFileInfo>

namespace ordovan::store {

DataModule::DataModule(QString dataDir)
    : ClientDataSet1(QStringLiteral("ClientDataSet1")),
      ClientDataSetAZV(QStringLiteral("ClientDataSetAZV")),
      ClientDataSet2(QStringLiteral("ClientDataSet2")),
      ClientDataSet3(QStringLiteral("ClientDataSet3")),
      ClientDataSet4(QStringLiteral("ClientDataSet4")),
      ClientDataSetHisInl(QStringLiteral("ClientDataSetHisInl")),
      ClientDataSetHisAZV(QStringLiteral("ClientDataSetHisAZV")),
      ClientDataSetMandantAlt(QStringLiteral("ClientDataSetMandantAlt")),
      m_dataDir(std::move(dataDir))
{
    ClientDataSet1.setFilePath(pathOf(QStringLiteral("db1.xml")));
    ClientDataSetAZV.setFilePath(pathOf(QStringLiteral("db5.xml")));
    ClientDataSet2.setFilePath(pathOf(QStringLiteral("db2.xml")));
    ClientDataSet3.setFilePath(pathOf(QStringLiteral("mandant.xml")));
    ClientDataSet4.setFilePath(pathOf(QStringLiteral("blz.xml")));
    ClientDataSetHisInl.setFilePath(pathOf(QStringLiteral("db6.xml")));
    ClientDataSetHisAZV.setFilePath(pathOf(QStringLiteral("db7.xml")));
    // The old Mandant file gets its folder only when the conversion runs.
    ClientDataSetMandantAlt.setFilePath(QStringLiteral("db3.xml"));

    for (Table *t : {&ClientDataSet1, &ClientDataSetAZV, &ClientDataSet2, &ClientDataSet3,
                     &ClientDataSetHisInl, &ClientDataSetHisAZV, &ClientDataSetMandantAlt})
        t->setIndexField(QStringLiteral("ID"));
    ClientDataSet4.setIndexField(QStringLiteral("BLZ"));
    ClientDataSet3.setCalculatedFields(mandantCalculatedFields());
}

const QStringList &DataModule::workingFileNames()
{
    static const QStringList names = {QStringLiteral("db1.xml"), QStringLiteral("db2.xml"),
                                      QStringLiteral("db5.xml"), QStringLiteral("db6.xml"),
                                      QStringLiteral("db7.xml"), QStringLiteral("mandant.xml")};
    return names;
}

bool DataModule::anyWorkingFileExists() const
{
    for (const QString &name : workingFileNames()) {
        if (QFileInfo::exists(pathOf(name)))
            return true;
    }
    return false;
}

void DataModule::createEmptyWorkingTables(bool withMandanten)
{
    const std::pair<Table *, QList<FieldDef>> order[] = {
        {&ClientDataSet1, domesticPaymentFields()}, {&ClientDataSetHisInl, domesticPaymentFields()},
        {&ClientDataSetAZV, sepaPaymentFields()},   {&ClientDataSetHisAZV, sepaPaymentFields()},
        {&ClientDataSet2, historyFields()},         {&ClientDataSet3, mandantFields()}};
    for (const auto &[table, fields] : order) {
        if (table == &ClientDataSet3 && !withMandanten)
            continue;
        table->createEmpty(fields);
        saveTable(*table);
    }
}

void DataModule::openBuiltInBankDirectory()
{
    fillBuiltInBankDirectory(ClientDataSet4);
}

void DataModule::loadAll()
{
    if (!ClientDataSet4.isOpen())
        openBuiltInBankDirectory();
    for (Table *t : {&ClientDataSet1, &ClientDataSetAZV, &ClientDataSet2, &ClientDataSet3,
                     &ClientDataSet4, &ClientDataSetHisInl, &ClientDataSetHisAZV}) {
        // Closing the built-in directory writes blz.xml when it is missing; then it is read
        // back like every other table.
        if (t == &ClientDataSet4)
            closeTable(ClientDataSet4);
        loadTable(*t);
    }
}

void DataModule::saveWorkingTables(const std::function<void(int done, int total)> &progress)
{
    // A table that is not open (its file failed to load) is never written: that would
    // replace the file on disk with an empty table.
    const Table *tables[] = {&ClientDataSet1, &ClientDataSetAZV,    &ClientDataSet2,
                             &ClientDataSet3, &ClientDataSetHisInl, &ClientDataSetHisAZV};
    const int total = int(std::size(tables));
    int done = 0;
    for (const Table *t : tables) {
        if (t->isOpen())
            saveTable(const_cast<Table &>(*t));
        if (progress)
            progress(++done, total);
    }
}

void DataModule::setToday(const std::function<QDate()> &today)
{
    for (Table *t :
         {&ClientDataSet1, &ClientDataSetAZV, &ClientDataSet2, &ClientDataSet3, &ClientDataSet4,
          &ClientDataSetHisInl, &ClientDataSetHisAZV, &ClientDataSetMandantAlt})
        t->today = today;
}

void DataModule::loadTable(Table &table, const QString &path)
{
    if (table.isOpen() && (table.modified() || !QFileInfo::exists(table.filePath())))
        saveTable(table);
    const bool ownFile = path.isEmpty() || path == table.filePath();
    try {
        readTableFile(table, ownFile ? table.filePath() : path);
        addLaterFields(table);
    } catch (const Error &) {
        // The table no longer matches its own file, which the user may still need: closed,
        // it is never written over it. (A changed table reached its file just above.)
        if (ownFile)
            table.close();
        throw;
    }
}

void DataModule::addLaterFields(Table &table)
{
    QList<FieldDef> schema;
    if (&table == &ClientDataSetAZV || &table == &ClientDataSetHisAZV)
        schema = sepaPaymentFields();
    else if (&table == &ClientDataSet2)
        schema = historyFields();
    // Only a file of our own layout grows; a foreign one keeps its fields.
    const QList<FieldDef> later = fieldsAddedLater(schema);
    if (later.isEmpty() || table.fieldIndex(schema.first().name) != 0)
        return;
    for (const FieldDef &f : later) {
        if (table.fieldIndex(f.name) < 0)
            table.appendStoredField(f);
    }
}

void DataModule::saveTable(Table &table, const QString &path)
{
    if (!table.isOpen())
        throw Error(QStringLiteral("%1: Operation bei geschlossener Datenmenge nicht möglich")
                        .arg(table.name()));
    table.post();
    writeTableFile(table, path.isEmpty() ? table.filePath() : path);
    if (path.isEmpty() || path == table.filePath())
        table.setModified(false);
}

void DataModule::closeTable(Table &table)
{
    if (!table.isOpen())
        return;
    if (table.modified() || !QFileInfo::exists(table.filePath()))
        saveTable(table);
    table.close();
}

void DataModule::closeAll()
{
    // Every table gets its chance to reach its file; the first failure is reported after.
    std::optional<Error> first;
    for (Table *t : {&ClientDataSet1, &ClientDataSetAZV, &ClientDataSet2, &ClientDataSet3,
                     &ClientDataSet4, &ClientDataSetHisInl, &ClientDataSetHisAZV}) {
        try {
            closeTable(*t);
        } catch (const Error &e) {
            if (!first)
                first = e;
        }
    }
    if (first)
        throw *first;
}

void DataModule::installNumbering(RecordNumbers &numbers)
{
    auto numbering = [&numbers](const QString &counter) {
        return [&numbers, counter](Table &t) {
            t.setInteger(t.field(u"ID"), numbers.next(counter, t));
        };
    };
    ClientDataSet1.afterInsert = numbering(RecordNumbers::kDomestic);
    ClientDataSetAZV.afterInsert = numbering(RecordNumbers::kSepa);
    ClientDataSet2.afterInsert = numbering(RecordNumbers::kHistory);
    ClientDataSet3.afterInsert = [&numbers](Table &t) {
        t.setValue(t.field(u"ID"), numbers.next(RecordNumbers::kMandant, t));
        t.setValue(t.field(u"Aktives Konto"), 1);
    };
}

} // namespace ordovan::store
