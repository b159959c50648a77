#include "ui/screenshottour.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QWidget *page(const QString &objectName, const QString &text)
{
    auto *w = new QLabel(text);
    w->setObjectName(objectName);
    return w;
}

// A main window with three tabs (one without objectName) and a hidden editor window with a
// stack of pages, as the program creates its windows at start-up.
struct Windows
{
    QMainWindow main;
    QTabWidget *tabs = new QTabWidget;
    QDialog editor;
    QStackedWidget *stack = new QStackedWidget;
    QWidget unnamed;

    Windows()
    {
        main.setObjectName(QStringLiteral("TMainform"));
        tabs->addTab(page(QStringLiteral("Hauptseite"), QStringLiteral("eins")),
                     QStringLiteral("Hauptseite"));
        tabs->addTab(page(QStringLiteral("Quelldatei"), QStringLiteral("zwei")),
                     QStringLiteral("Einstellungen der Quelldatei"));
        tabs->addTab(page(QString(), QStringLiteral("drei")), QStringLiteral("Log-Datei"));
        tabs->setCurrentIndex(1);
        main.setCentralWidget(tabs);
        main.resize(640, 480);
        main.show();

        editor.setObjectName(QStringLiteral("TMandantenF"));
        stack->addWidget(page(QStringLiteral("PStart"), QStringLiteral("Start")));
        stack->addWidget(page(QStringLiteral("P1"), QStringLiteral("Schritt 1")));
        (new QVBoxLayout(&editor))->addWidget(stack);
        editor.resize(300, 200);

        unnamed.resize(100, 100);
        unnamed.show();
    }
};

} // namespace

TEST(ScreenshotTour, NamesFilesAfterWindowsAndPages)
{
    QTemporaryDir dir;
    Windows w;
    ui::ScreenshotTour tour(dir.path());
    QStringList files = tour.captureAll();
    files.sort();
    EXPECT_EQ(
        files,
        (QStringList{QStringLiteral("TMandantenF-P1.png"), QStringLiteral("TMandantenF-PStart.png"),
                     QStringLiteral("TMandantenF.png"), QStringLiteral("main-Hauptseite.png"),
                     QStringLiteral("main-LogDatei.png"), QStringLiteral("main-Quelldatei.png"),
                     QStringLiteral("main.png")}));
    QStringList onDisk = QDir(dir.path()).entryList(QDir::Files);
    onDisk.sort();
    EXPECT_EQ(onDisk, files);
}

TEST(ScreenshotTour, PicturesShowTheWholeWindow)
{
    QTemporaryDir dir;
    Windows w;
    ui::ScreenshotTour(dir.path()).captureAll();
    const QImage main(QDir(dir.path()).filePath(QStringLiteral("main-Hauptseite.png")));
    ASSERT_FALSE(main.isNull());
    EXPECT_EQ(main.size(), w.main.size() * main.devicePixelRatio());
    const QImage editor(QDir(dir.path()).filePath(QStringLiteral("TMandantenF-P1.png")));
    ASSERT_FALSE(editor.isNull());
    EXPECT_EQ(editor.size(), w.editor.size() * editor.devicePixelRatio());
    // Two pages of a tab widget are two different pictures.
    const QImage other(QDir(dir.path()).filePath(QStringLiteral("main-Quelldatei.png")));
    EXPECT_NE(main, other);
}

TEST(ScreenshotTour, LeavesEveryWindowAsItWas)
{
    QTemporaryDir dir;
    Windows w;
    ui::ScreenshotTour(dir.path()).captureAll();
    EXPECT_EQ(w.tabs->currentIndex(), 1);
    EXPECT_EQ(w.stack->currentIndex(), 0);
    EXPECT_FALSE(w.editor.isVisible());
    EXPECT_TRUE(w.main.isVisible());
}

TEST(ScreenshotTour, MessageBoxesAndUnnamedWindowsHaveNoName)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Fehler"), QStringLiteral("Text"));
    QWidget plain;
    QMainWindow main;
    main.setObjectName(QStringLiteral("TMainform"));
    QDialog wizard;
    wizard.setObjectName(QStringLiteral("TWizzardF"));
    EXPECT_EQ(ui::ScreenshotTour::windowName(&box), QString());
    EXPECT_EQ(ui::ScreenshotTour::windowName(&plain), QString());
    EXPECT_EQ(ui::ScreenshotTour::windowName(&main), QStringLiteral("main"));
    EXPECT_EQ(ui::ScreenshotTour::windowName(&wizard), QStringLiteral("TWizzardF"));
}

TEST(ScreenshotTour, EndsTheProgramFromInsideAModalDialog)
{
    QTemporaryDir dir;
    auto *tour = new ui::ScreenshotTour(dir.path());
    tour->start(0);
    QDialog wizard;
    wizard.setObjectName(QStringLiteral("TWizzardF"));
    // Without the tour this would wait for a user forever.
    EXPECT_EQ(wizard.exec(), QDialog::Rejected);
    EXPECT_TRUE(QFileInfo::exists(QDir(dir.path()).filePath(QStringLiteral("TWizzardF.png"))));
    delete tour;
    // The tour asked every event loop to end; a short main loop clears that for the tests
    // after this one.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
