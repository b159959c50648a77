// Backup and restore: a round trip into another data folder keeps every record, history row,
// Mandant and setting; an incomplete or damaged backup changes nothing; a Windows backup with
// its registry export restores as it is.
#include "appfixture.h"
#include "testutil.h"

#include "app/backup.h"
#include "app/operations.h"
#include "base/codec.h"
#include "base/error.h"
#include "store/tablefile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace ordovan;

namespace {

const QStringList kFiles = {QStringLiteral("db1.xml"),          QStringLiteral("db2.xml"),
                            QStringLiteral("mandant.xml"),      QStringLiteral("db5.xml"),
                            QStringLiteral("db6.xml"),          QStringLiteral("db7.xml"),
                            QStringLiteral("einstellungen.reg")};

// A data folder with a record in every table and settings with counters and a Mandant key.
void fill(test::AppFixture &fx)
{
    app::startUp(*fx.ctx);
    store::DataModule &d = fx.ctx->data;
    for (store::Table *t : {&d.ClientDataSet1, &d.ClientDataSetAZV, &d.ClientDataSet2,
                            &d.ClientDataSetHisInl, &d.ClientDataSetHisAZV}) {
        t->insert();
        if (t->storedFields().size() > 1 && t->fieldIndex(u"ID") >= 0 &&
            !t->integer(u"ID").has_value())
            t->setValue(u"ID", 41);
        t->post();
    }
    d.ClientDataSetAZV.insert();
    d.ClientDataSetAZV.setValue(u"Name1", QStringLiteral("Jörg Müller"));
    d.ClientDataSetAZV.setValue(u"Betrag", 12.5);
    d.ClientDataSetAZV.post();
    fx.addMandanten({3});
    fx.settings->writeString(u"3", u"Quelldatei", QStringLiteral("C:\\Daten\\Liste.csv"));
    fx.settings->writeInteger(u"", u"Mandant", 3);
    fx.settings->writeInteger(u"", u"LastMandantID", 3);
    d.saveWorkingTables();
}

QStringList rowsOf(store::Table &t)
{
    QStringList rows;
    for (t.first(); !t.eof(); t.next()) {
        QStringList cells;
        for (int f = 0; f < t.storedFieldCount(); ++f)
            cells << t.text(f);
        rows << cells.join(u'|');
    }
    return rows;
}

class BackupTest : public ::testing::Test
{
protected:
    QString backupFolder() const { return backup.path(); }
    test::AppFixture from;
    test::AppFixture to;
    QTemporaryDir backup;
};

} // namespace

TEST_F(BackupTest, ARoundTripKeepsEveryRecordAndSetting)
{
    fill(from);
    QString folder = backupFolder();
    const QStringList written = app::backupData(*from.ctx, folder);
    EXPECT_EQ(folder, backupFolder() + u'/') << "the folder is shown with its separator";
    QStringList expected;
    for (const QString &f : kFiles)
        expected << folder + f;
    EXPECT_EQ(written, expected);
    // The settings travel as the registry editor writes them.
    EXPECT_TRUE(test::readFile(folder + QStringLiteral("einstellungen.reg"))
                    .startsWith(QByteArray("\xff\xfeW\0i\0n\0d\0o\0w\0s\0", 16)));

    app::startUp(*to.ctx);
    const QByteArray blz = test::readFile(to.dataDir() + QStringLiteral("blz.xml"));
    EXPECT_TRUE(to.dialogs.shown().isEmpty());
    to.dialogs.pushButton(platform::Yes);
    const QStringList read = app::restoreData(*to.ctx, folder, true);
    EXPECT_EQ(read.size(), 7);
    EXPECT_EQ(to.dialogs.texts(), QStringList{app::backuptext::kConfirmRestore});

    store::DataModule &a = from.ctx->data;
    store::DataModule &b = to.ctx->data;
    for (auto member :
         {&store::DataModule::ClientDataSet1, &store::DataModule::ClientDataSet2,
          &store::DataModule::ClientDataSet3, &store::DataModule::ClientDataSetAZV,
          &store::DataModule::ClientDataSetHisInl, &store::DataModule::ClientDataSetHisAZV}) {
        (a.*member).setFiltered(false);
        (b.*member).setFiltered(false);
        EXPECT_EQ(rowsOf(b.*member), rowsOf(a.*member)) << (a.*member).name().toStdString();
    }
    // On disk as well, and the settings with counters and the Mandant key.
    store::Table onDisk(QStringLiteral("db5"));
    store::readTableFile(onDisk, to.dataDir() + QStringLiteral("db5.xml"));
    EXPECT_EQ(rowsOf(onDisk), rowsOf(a.ClientDataSetAZV));
    for (const char16_t *counter : {u"LastBuchungID-EU", u"LastHistoryID", u"LastMandantID"})
        EXPECT_EQ(to.settings->readInteger(u"", counter), from.settings->readInteger(u"", counter));
    EXPECT_EQ(to.settings->readString(u"3", u"Quelldatei"), QStringLiteral("C:\\Daten\\Liste.csv"));
    // The start-up load ran again: the stored Mandant is selected.
    EXPECT_EQ(to.ctx->state.main.CBMandantenText.left(1), QStringLiteral("3"));
    EXPECT_EQ(test::readFile(to.dataDir() + QStringLiteral("blz.xml")), blz);
}

TEST_F(BackupTest, NeinReadsNothing)
{
    fill(from);
    QString folder = backupFolder();
    app::backupData(*from.ctx, folder);
    app::startUp(*to.ctx);
    const QByteArray before = test::readFile(to.settingsPath());
    to.dialogs.pushButton(platform::No);
    EXPECT_TRUE(app::restoreData(*to.ctx, folder, true).isEmpty());
    EXPECT_EQ(to.ctx->data.ClientDataSetAZV.recordCount(), 0);
    EXPECT_EQ(test::readFile(to.settingsPath()), before);
}

TEST_F(BackupTest, AnIncompleteOrDamagedBackupChangesNothing)
{
    fill(from);
    QString folder = backupFolder();
    app::backupData(*from.ctx, folder);
    app::startUp(*to.ctx);
    to.settings->writeInteger(u"", u"LastBuchungID-EU", 77);
    const QByteArray settingsBefore = test::readFile(to.settingsPath());
    const QByteArray db5Before = test::readFile(to.dataDir() + QStringLiteral("db5.xml"));

    const struct
    {
        QString file;
        QByteArray content; // empty: the file is missing
        QString message;
    } cases[] = {
        {QStringLiteral("db7.xml"),
         {},
         app::backuptext::missing(folder + QStringLiteral("db7.xml"))},
        {QStringLiteral("mandant.xml"), "<?xml version=\"1.0\"?><DATAPACKET",
         app::backuptext::damaged(folder + QStringLiteral("mandant.xml"))},
        {QStringLiteral("einstellungen.reg"), "kein Export",
         app::backuptext::damaged(folder + QStringLiteral("einstellungen.reg"))},
        {QStringLiteral("einstellungen.reg"),
         {},
         app::backuptext::missing(folder + QStringLiteral("einstellungen.reg"))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const QString path = folder + c.file;
        const QByteArray good = test::readFile(path);
        if (c.content.isEmpty())
            QFile::remove(path);
        else
            test::writeFile(path, c.content);
        try {
            app::restoreData(*to.ctx, folder, false);
            ADD_FAILURE() << "restored from a broken backup";
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(to.ctx->data.ClientDataSetAZV.recordCount(), 0);
        EXPECT_EQ(test::readFile(to.settingsPath()), settingsBefore);
        EXPECT_EQ(test::readFile(to.dataDir() + QStringLiteral("db5.xml")), db5Before);
        test::writeFile(path, good);
    }
}

TEST_F(BackupTest, CountersNeverGoBelowARestoredNumber)
{
    fill(from);
    QString folder = backupFolder();
    app::backupData(*from.ctx, folder);
    // An export from before the last records were added: its counters lag behind.
    QByteArray reg = test::readFile(folder + QStringLiteral("einstellungen.reg"));
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(reg.constData() + 2),
                                      (reg.size() - 2) / 2);
    text.replace(QRegularExpression(QStringLiteral("\"LastBuchungID-EU\"=dword:[0-9a-f]{8}")),
                 QStringLiteral("\"LastBuchungID-EU\"=dword:00000001"));
    QByteArray out("\xff\xfe", 2);
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    test::writeFile(folder + QStringLiteral("einstellungen.reg"), out);
    app::startUp(*to.ctx);
    app::restoreData(*to.ctx, folder, false);
    EXPECT_EQ(to.settings->readInteger(u"", u"LastBuchungID-EU"),
              from.ctx->data.ClientDataSetAZV.maxIntegerEver(
                  from.ctx->data.ClientDataSetAZV.field(u"ID")));
}

TEST_F(BackupTest, ARegistryExportFromWindowsImportsExactly)
{
    fill(from);
    QString folder = backupFolder();
    app::backupData(*from.ctx, folder);
    // As the Windows registry editor writes it: UTF-16LE with BOM, CR LF, escaped backslashes
    // and quotes, umlauts, dwords, a value name with blanks.
    const QString reg =
        QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan]\r\n"
                       "\"Mandant\"=dword:00000003\r\n"
                       "\"LastBuchungID-EU\"=dword:000003e8\r\n"
                       "\"Mein Wert\"=\"Gr\u00fc\u00dfe \\\"aus\\\" Bayern\"\r\n\r\n"
                       "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan\\3]\r\n"
                       "\"Quelldatei\"=\"C:\\\\B\u00fcro\\\\Liste.csv\"\r\n"
                       "\"Zahlungsart\"=dword:00000002\r\n\r\n");
    QByteArray bytes("\xff\xfe", 2);
    bytes.append(reinterpret_cast<const char *>(reg.utf16()), reg.size() * 2);
    test::writeFile(folder + QStringLiteral("einstellungen.reg"), bytes);
    app::startUp(*to.ctx);
    app::restoreData(*to.ctx, folder, false);
    EXPECT_EQ(to.settings->readInteger(u"", u"LastBuchungID-EU"), 1000);
    EXPECT_EQ(to.settings->readString(u"", u"Mein Wert"), QStringLiteral("Grüße \"aus\" Bayern"));
    EXPECT_EQ(to.settings->readString(u"3", u"Quelldatei"), QStringLiteral("C:\\Büro\\Liste.csv"));
    EXPECT_EQ(to.settings->readInteger(u"3", u"Zahlungsart"), 2);
}

TEST_F(BackupTest, AFileThatCannotBeWrittenStopsTheBackupThere)
{
    fill(from);
    // db2.xml cannot be written (a folder holds its name, which stops root too): db1.xml is
    // written and stays, nothing after db2.xml is.
    QDir(backupFolder()).mkdir(QStringLiteral("db2.xml"));
    QString folder = backupFolder();
    try {
        app::backupData(*from.ctx, folder);
        ADD_FAILURE() << "wrote over a folder";
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().contains(folder + QStringLiteral("db2.xml")))
            << e.message().toStdString();
    }
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("db1.xml")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("mandant.xml")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("einstellungen.reg")));

    if (geteuid() != 0) {
        QTemporaryDir readOnly;
        QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::ExeOwner);
        QString other = readOnly.path();
        EXPECT_THROW(app::backupData(*from.ctx, other), Error);
        QFile::setPermissions(readOnly.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}
