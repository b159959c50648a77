#include "app/appfixture.h"
#include "app/backup.h"
#include "app/operations.h"
#include "ui/backupwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

class BackupWindowTest : public ::testing::Test, public test::AppFixture
{
protected:
    BackupWindowTest() { app::startUp(*ctx); }

    template<typename W>
    W *find(const char *name)
    {
        W *w = window.findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    ui::BackupWindow window{*ctx};
    QTemporaryDir backup;
};

} // namespace

TEST_F(BackupWindowTest, CaptionsAndTheHomeFolderAtFirst)
{
    EXPECT_EQ(window.objectName(), QStringLiteral("TDatenSichernF"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Datenbank sichern"));
    for (const char *name : {"BSichern", "BZuruecklesen", "BSchliessen"})
        EXPECT_FALSE(find<QPushButton>(name)->text().isEmpty());
    EXPECT_EQ(find<QPushButton>("BZuruecklesen")->text(), QStringLiteral("Zurücklesen"));
    QLineEdit *folder = find<QLineEdit>("EVerzeichnisSichern");
    EXPECT_TRUE(folder->isReadOnly());
    EXPECT_EQ(folder->text(), QDir::homePath());
    EXPECT_FALSE(folder->accessibleName().isEmpty());
    EXPECT_FALSE(find<QToolButton>("SpeedButtonSichern")->accessibleName().isEmpty());
}

TEST_F(BackupWindowTest, ChosenFoldersStayAndSichernWritesTheBackup)
{
    dialogs.pushPath(backup.path());
    find<QToolButton>("SpeedButtonSichern")->click();
    EXPECT_EQ(find<QLineEdit>("EVerzeichnisSichern")->text(), backup.path());
    find<QPushButton>("BSichern")->click();
    // The folder is shown with its separator, and the window closed.
    EXPECT_EQ(find<QLineEdit>("EVerzeichnisSichern")->text(), backup.path() + u'/');
    EXPECT_EQ(window.result(), int(QDialog::Accepted));
    EXPECT_TRUE(QFileInfo::exists(backup.filePath(QStringLiteral("einstellungen.reg"))));
    EXPECT_TRUE(QFileInfo::exists(backup.filePath(QStringLiteral("db7.xml"))));

    // A second window of the same program shows the folders chosen before.
    ui::BackupWindow again(*ctx);
    EXPECT_EQ(again.findChild<QLineEdit *>(QStringLiteral("EVerzeichnisSichern"))->text(),
              backup.path() + u'/');
}

TEST_F(BackupWindowTest, ZuruecklesenAsksAndABrokenBackupSaysWhy)
{
    ctx->state.backup.restoreFolder = backup.path();
    dialogs.pushButton(platform::No);
    window.setResult(QDialog::Rejected);
    find<QPushButton>("BZuruecklesen")->click();
    EXPECT_EQ(dialogs.texts(), QStringList{app::backuptext::kConfirmRestore});
    EXPECT_EQ(window.result(), int(QDialog::Rejected)) << "Nein keeps the window open";

    // Yes on an empty folder: the error names the first missing file, nothing changes.
    dialogs.clear();
    dialogs.pushButton(platform::Yes);
    find<QPushButton>("BZuruecklesen")->click();
    ASSERT_EQ(dialogs.texts().size(), 2);
    EXPECT_TRUE(dialogs.texts()[1].contains(backup.path() + QStringLiteral("/db1.xml")));
    EXPECT_EQ(window.result(), int(QDialog::Rejected));
}
