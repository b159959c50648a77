// When the data module's tables reach their files, and when they must not.
#include "base/error.h"
#include "store/bankdirectory.h"
#include "store/datamodule.h"
#include "store/schema.h"
#include "store/tablefile.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;
using namespace ordovan::store;
using ordovan::test::readFile;
using ordovan::test::writeFile;

namespace {

class DataModuleTest : public ::testing::Test
{
protected:
    QString file(const char *name) const { return dir.path() + u'/' + QString::fromLatin1(name); }
    QTemporaryDir dir;
    DataModule data{dir.path() + u'/'};
};

TEST_F(DataModuleTest, EmptyWorkingTablesAreWrittenInTheirOrder)
{
    EXPECT_FALSE(data.anyWorkingFileExists());
    // db7.xml cannot be written: the files before it in the order exist, those after do not.
    QDir(dir.path()).mkdir(QStringLiteral("db7.xml"));
    EXPECT_THROW(data.createEmptyWorkingTables(), Error);
    for (const char *name : {"db1.xml", "db6.xml", "db5.xml"})
        EXPECT_TRUE(QFileInfo(file(name)).isFile()) << name;
    for (const char *name : {"db2.xml", "mandant.xml"})
        EXPECT_FALSE(QFileInfo::exists(file(name))) << name;

    QDir(dir.path()).rmdir(QStringLiteral("db7.xml"));
    data.createEmptyWorkingTables();
    for (const QString &name : DataModule::workingFileNames())
        EXPECT_TRUE(readFile(data.pathOf(name)).endsWith("<ROWDATA></ROWDATA></DATAPACKET>"));
    EXPECT_TRUE(readFile(file("db5.xml")).contains("attrname=\"Waehrung\""));
}

TEST_F(DataModuleTest, LoadAllWritesTheMissingBankDirectoryFirst)
{
    data.createEmptyWorkingTables();
    data.loadAll();
    EXPECT_TRUE(QFileInfo::exists(file("blz.xml")));
    EXPECT_EQ(data.ClientDataSet4.recordCount(), builtInBankDirectoryRows());
    EXPECT_FALSE(data.ClientDataSet4.modified());
    // An existing blz.xml is read as it is.
    Table small(QStringLiteral("blz"));
    small.createEmpty(data.ClientDataSet4.storedFields());
    small.insert();
    small.setValue(0, QStringLiteral("12345678"));
    small.post();
    writeTableFile(small, file("blz.xml"));
    DataModule again(dir.path() + u'/');
    again.loadAll();
    EXPECT_EQ(again.ClientDataSet4.recordCount(), 1);
}

TEST_F(DataModuleTest, CloseWritesChangedTablesAndMissingFilesOnly)
{
    data.createEmptyWorkingTables();
    data.loadAll();
    // Unchanged, file present: not written (a row put into the file survives).
    QByteArray db1 = readFile(file("db1.xml"));
    db1.replace("<ROWDATA></ROWDATA>", "<ROWDATA><ROW ID=\"77\"/></ROWDATA>");
    writeFile(file("db1.xml"), db1);
    data.closeTable(data.ClientDataSet1);
    EXPECT_EQ(readFile(file("db1.xml")), db1);
    EXPECT_FALSE(data.ClientDataSet1.isOpen());

    // Changed: written.
    data.ClientDataSet2.insert();
    data.ClientDataSet2.setValue(u"ID", 1);
    data.ClientDataSet2.post();
    data.closeTable(data.ClientDataSet2);
    EXPECT_TRUE(readFile(file("db2.xml")).contains("<ROW RowState=\"4\" ID=\"1\"/>"));

    // Unchanged, file missing: written.
    QFile::remove(file("db6.xml"));
    data.closeTable(data.ClientDataSetHisInl);
    EXPECT_TRUE(QFileInfo::exists(file("db6.xml")));
}

TEST_F(DataModuleTest, AFailedLoadNeverOverwritesTheFile)
{
    data.createEmptyWorkingTables();
    const QByteArray broken = readFile(file("db5.xml")).left(120); // cut short
    writeFile(file("db5.xml"), broken);
    try {
        data.loadAll();
        FAIL() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), tableFileUnreadableMessage(file("db5.xml")));
    }
    EXPECT_TRUE(data.ClientDataSet1.isOpen()); // read before the failure
    // Whatever the program does on its way out, the file the user needs stays as it is.
    data.saveWorkingTables();
    data.closeAll();
    EXPECT_EQ(readFile(file("db5.xml")), broken);

    // Also on a fresh start against the same folder, where the table never opened.
    DataModule next(dir.path() + u'/');
    EXPECT_THROW(next.loadAll(), Error);
    EXPECT_FALSE(next.ClientDataSetAZV.isOpen());
    next.saveWorkingTables();
    next.closeAll();
    EXPECT_EQ(readFile(file("db5.xml")), broken);
}

TEST_F(DataModuleTest, LoadingAChangedTableWritesItFirst)
{
    data.createEmptyWorkingTables();
    data.loadAll();
    data.ClientDataSet3.insert();
    data.ClientDataSet3.setValue(u"ID", 5);
    data.ClientDataSet3.post();
    data.loadTable(data.ClientDataSet3);
    EXPECT_EQ(data.ClientDataSet3.recordCount(), 1);
    EXPECT_FALSE(data.ClientDataSet3.modified());
}

} // namespace

TEST_F(DataModuleTest, FilesOfTheOlderLayoutLoadAndGainTheNewFields)
{
    data.createEmptyWorkingTables();
    // db5.xml, db7.xml and db2.xml as the first versions wrote them, with a row each.
    const std::pair<Table *, QList<FieldDef>> older[] = {
        {&data.ClientDataSetAZV, sepaPaymentFields().mid(0, 16)},
        {&data.ClientDataSetHisAZV, sepaPaymentFields().mid(0, 16)},
        {&data.ClientDataSet2, historyFields().mid(0, 15)}};
    for (const auto &[table, fields] : older) {
        table->createEmpty(fields);
        table->insert();
        table->setValue(u"ID", 7);
        table->post();
        data.saveTable(*table);
        EXPECT_FALSE(readFile(table->filePath()).contains("Mandatsdatum"));
        EXPECT_FALSE(readFile(table->filePath()).contains("QuelldateiSHA256"));
    }
    data.loadAll();
    Table &azv = data.ClientDataSetAZV;
    ASSERT_GE(azv.fieldIndex(u"Mandatsdatum"), 0);
    ASSERT_GE(azv.fieldIndex(u"Sequenztyp"), 0);
    ASSERT_GE(data.ClientDataSetHisAZV.fieldIndex(u"Sequenztyp"), 0);
    ASSERT_GE(data.ClientDataSet2.fieldIndex(u"QuelldateiSHA256"), 0);
    azv.first();
    EXPECT_EQ(azv.text(u"ID"), QStringLiteral("7"));
    EXPECT_FALSE(azv.date(u"Mandatsdatum").has_value());
    azv.edit();
    azv.setValue(u"Sequenztyp", QStringLiteral("RCUR"));
    azv.setValue(u"Mandatsdatum", QDate(2024, 3, 1));
    azv.post();
    data.saveTable(azv);

    Table again(QStringLiteral("again"));
    readTableFile(again, file("db5.xml"));
    again.first();
    EXPECT_EQ(again.text(u"ID"), QStringLiteral("7"));
    EXPECT_EQ(again.text(u"Sequenztyp"), QStringLiteral("RCUR"));
    EXPECT_EQ(again.date(u"Mandatsdatum"), QDate(2024, 3, 1));

    // A table of somebody else's layout keeps its fields.
    Table &history = data.ClientDataSet2;
    history.createEmpty({FieldDef{QStringLiteral("Anders"), FieldKind::Integer, 0, false}});
    data.saveTable(history);
    data.loadTable(history);
    EXPECT_EQ(history.storedFieldCount(), 1);
}
