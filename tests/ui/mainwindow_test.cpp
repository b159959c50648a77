// The main window over the real operations: start-up, the controls, the layout switch,
// the grid heights, closing, and a whole run started by clicking "Start".
#include "support/scripteddialogs.h"
#include "windowfixture.h"

#include "app/commandline.h"
#include "schemacheck.h"
#include "testutil.h"
#include "ui/historypages.h"
#include "ui/mainpage.h"
#include "ui/recordgrid.h"
#include "ui/sourcepage.h"
#include "ui/tablemodel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

using namespace ordovan;
using test::WindowTest;

namespace {

QStringList tabTitles(QTabWidget *tabs)
{
    QStringList t;
    for (int i = 0; i < tabs->count(); ++i)
        t << tabs->tabText(i);
    return t;
}

QStringList menuEntries(QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

TEST_F(WindowTest, EmptyDataFolderCreatesTheTablesAndAsksForAMandant)
{
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ordovan Profi by Brunnhold Software"));
    EXPECT_TRUE(ctx->state.run.FirstStart);
    EXPECT_TRUE(QFileInfo::exists(inst.dataDir() + QStringLiteral("db5.xml")));
    auto *hint = find<QLabel>("Label9");
    ASSERT_TRUE(hint);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), QStringLiteral("Bitte hier einen Mandanten anlegen --^"));
    EXPECT_EQ(window->frameGeometry().size(), QSize(700, 600));
    EXPECT_EQ(
        tabTitles(window->tabs()),
        (QStringList{QStringLiteral("Hauptseite"), QStringLiteral("Einstellungen der Quelldatei"),
                     QStringLiteral("Log-Datei"), QStringLiteral("Buchungs-Historie"),
                     QStringLiteral("SEPA/DTAUS-Historie")}));
    EXPECT_EQ(window->findChild<QLabel *>(QStringLiteral("StatusPanel1"))->text(),
              QStringLiteral("Status"));
    EXPECT_EQ(find<QCheckBox>("CBTitelzeile")->isChecked(), true);
    EXPECT_TRUE(find<QRadioButton>("RBTabulator")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("RBkeine")->isChecked());
    EXPECT_FALSE(find<QLineEdit>("EBetragKonst")->isEnabled());
    // The first-start timer has no wizard to open yet, and does nothing.
    window->firstStartTimer();
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(WindowTest, MenusCarryTheirEntriesSeparatorsAndHints)
{
    open();
    QStringList menus;
    for (QAction *a : window->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus,
              (QStringList{QStringLiteral("Programm"), QStringLiteral("Einstellungsassistent"),
                           QStringLiteral("Mandanten"), QStringLiteral("Hilfe")}));
    EXPECT_EQ(menuEntries(window->findChild<QMenu *>(QStringLiteral("Programm1"))),
              (QStringList{QStringLiteral("Datenbank sichern/zurücklesen"), QStringLiteral("-"),
                           QStringLiteral("Beenden")}));
    EXPECT_EQ(menuEntries(window->findChild<QMenu *>(QStringLiteral("Hilfe1"))),
              (QStringList{QStringLiteral("Handbuch aufrufen"),
                           QStringLiteral("Brunnhold Software im Internet"), QStringLiteral("-"),
                           QStringLiteral("UMFRAGE zur Verbesserung des Programmes"),
                           QStringLiteral("-"), QStringLiteral("Info ...")}));
    auto *manual = window->findChild<QAction *>(QStringLiteral("Hilfeaufrufen1"));
    EXPECT_EQ(manual->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(manual->statusTip(), QStringLiteral("Hilfe aufrufen"));
    EXPECT_EQ(window->findChild<QAction *>(QStringLiteral("Neu2"))->statusTip(),
              QStringLiteral("Mandanten anlegen"));
    EXPECT_EQ(window->findChild<QAction *>(QStringLiteral("Bearbeiten2"))->statusTip(),
              QStringLiteral("Mandanten bearbeiten"));

    window->findChild<QAction *>(QStringLiteral("BrunnholdSoftwareimInternet1"))->trigger();
    EXPECT_EQ(desktop.opened, QStringList{app::kWebPage});
}

TEST_F(WindowTest, FilledDataFolderShowsTheMandantItsSourceAndTheLog)
{
    prepareFilled();
    open();
    EXPECT_FALSE(ctx->state.run.FirstStart);
    EXPECT_FALSE(find<QLabel>("Label9")->isVisible());
    EXPECT_EQ(find<QComboBox>("CBMandanten")->currentText(),
              QStringLiteral("1 -  Müller Getränke GmbH"));
    EXPECT_EQ(find<QLabel>("LKontoinhaber")->text(), QStringLiteral("Müller Getränke GmbH"));
    EXPECT_EQ(find<QLabel>("LIBAN")->text(), QStringLiteral("DE89370400440532013000"));
    EXPECT_EQ(find<QLineEdit>("EQuelldatei")->text(), inst.bank() + QStringLiteral("quelle.csv"));
    EXPECT_TRUE(find<QRadioButton>("RGZahlungsart3")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("RBSemikolon")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("RBdoppelt")->isChecked());
    EXPECT_EQ(find<QDateEdit>("DTPAusf")->date(), QDate(2022, 12, 8));

    // The source was read for its preview: four lines (title and three records) of six fields.
    auto *source = find<QTableView>("SGDatei");
    ASSERT_TRUE(source);
    EXPECT_EQ(source->model()->columnCount(), 4);
    EXPECT_EQ(source->model()->rowCount(), 6);
    EXPECT_EQ(source->model()->index(0, 1).data().toString(), QStringLiteral("Anna Schäfer"));
    auto *mapping = find<QTableView>("SGDatenbank");
    EXPECT_EQ(mapping->model()->rowCount(), 20) << "the four-line layout has 20 fields";
    EXPECT_EQ(mapping->model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("zug. Dateifeld"));
    EXPECT_EQ(mapping->model()->index(0, 2).data().toString(), QStringLiteral("Anna Schäfer"));
    EXPECT_EQ(mapping->model()->index(19, 0).data().toString(), QStringLiteral("Sequenztyp"));

    window->tabs()->setCurrentIndex(2);
    const QString log = find<QPlainTextEdit>("MLog")->toPlainText();
    EXPECT_TRUE(log.contains(QStringLiteral("Quelldatei ÖFFNEN START"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Quelldatei ÖFFNEN ENDE")));
}

TEST_F(WindowTest, ResizingSharesTheHeightBetweenTheGrids)
{
    prepareFilled();
    open();
    // The heights follow the outer height, frame included.
    const int frame = window->frameGeometry().height() - window->height();
    window->resize(900, 700 - frame);
    EXPECT_EQ(ctx->state.window.mainGridHeight, 99);
    EXPECT_EQ(ctx->state.window.bookingGridHeight, 314) << "313.5 goes to the even 314";
    EXPECT_EQ(ctx->state.window.historyGridHeight, 198) << "197.5 goes to the even 198";
    EXPECT_EQ(find<QTableView>("DBGrid1")->maximumHeight(), 99);
    EXPECT_EQ(find<QTableView>("DBGrid6")->maximumHeight(), 99);
    EXPECT_EQ(find<QTableView>("DBGrid3")->maximumHeight(), 314);
    EXPECT_EQ(find<QTableView>("DBGrid7")->maximumHeight(), 314);
    EXPECT_EQ(find<QTableView>("DBGrid5")->maximumHeight(), 198);
    EXPECT_EQ(find<QTableView>("DBGrid8")->maximumHeight(), 198);
    // The grids of the history tabs take those heights, not what a grid would like; where
    // menu, tabs and buttons leave less room than the heights reckon with, they share it.
    auto heightOf = [&](int page, const char *name) {
        window->tabs()->setCurrentIndex(page);
        QCoreApplication::processEvents();
        return find<QTableView>(name)->height();
    };
    EXPECT_EQ(heightOf(4, "DBGrid5"), 198);
    EXPECT_EQ(heightOf(4, "DBGrid8"), 198);
    for (const char *name : {"DBGrid3", "DBGrid7"}) {
        EXPECT_LE(heightOf(3, name), 314) << name;
        EXPECT_GE(heightOf(3, name), 270) << name;
    }
    window->resize(900, 1000 - frame);
    EXPECT_EQ(heightOf(4, "DBGrid8"), 348);
    EXPECT_GE(heightOf(3, "DBGrid7"), 420);
    window->resize(700, 601 - frame);
    EXPECT_EQ(ctx->state.window.mainGridHeight, 50) << "49.5 goes to the even 50";
}

TEST_F(WindowTest, EightPurposeLinesSwitchTheLayoutAndKeepTheTexts)
{
    prepareFilled();
    open();
    auto *panel = find<QWidget>("Panel1");
    auto *constants = find<QGroupBox>("GroupBox10");
    auto *result = find<QGroupBox>("GBErgebnis");
    auto *verw5 = find<QCheckBox>("CBVerw5konst");
    EXPECT_EQ(panel->height(), 401);
    EXPECT_EQ(constants->height(), 81);
    EXPECT_EQ(result->y(), 280);
    EXPECT_FALSE(verw5->isVisible());
    EXPECT_FALSE(find<QCheckBox>("CBVerw9konst")->isVisible());

    click<QCheckBox>("CB8Verw");
    EXPECT_TRUE(ctx->state.main.CB8Verw);
    EXPECT_EQ(panel->height(), 449);
    EXPECT_EQ(constants->height(), 129);
    EXPECT_EQ(result->y(), 328);
    EXPECT_TRUE(verw5->isVisible());
    EXPECT_FALSE(find<QCheckBox>("CBVerw9konst")->isVisible()) << "9 to 14 are never shown";
    EXPECT_EQ(find<QTableView>("SGDatenbank")->model()->rowCount(), 24);
    EXPECT_EQ(find<QTableView>("SGDatenbank")->model()->index(11, 0).data().toString(),
              QStringLiteral("Betrag"));

    // A constant line 5 typed while shown stays when the lines are hidden again.
    click<QCheckBox>("CBVerw5konst");
    auto *text5 = find<QLineEdit>("EVErw5Konst");
    EXPECT_TRUE(text5->isEnabled());
    QTest::keyClicks(text5, QStringLiteral("Spende"));
    click<QCheckBox>("CBIBANonly"); // re-applies the layout of the current state
    EXPECT_EQ(panel->height(), 449);
    click<QCheckBox>("CB8Verw");
    EXPECT_EQ(panel->height(), 401);
    EXPECT_EQ(result->y(), 280);
    EXPECT_FALSE(verw5->isVisible());
    EXPECT_EQ(ctx->state.main.Verwkonst[4].text, QStringLiteral("Spende"));
    EXPECT_TRUE(ctx->state.main.Verwkonst[4].checked);
    EXPECT_EQ(find<QTableView>("SGDatenbank")->model()->rowCount(), 20);
}

TEST_F(WindowTest, ConstantFieldsAreEnabledByTheirBoxes)
{
    prepareFilled();
    open();
    auto *amount = find<QLineEdit>("EBetragKonst");
    EXPECT_FALSE(amount->isEnabled());
    click<QCheckBox>("CBBetragkonst");
    EXPECT_TRUE(amount->isEnabled());
    QTest::keyClicks(amount, QStringLiteral("12,50"));
    click<QCheckBox>("CBBetragkonst");
    EXPECT_FALSE(amount->isEnabled());
    EXPECT_EQ(amount->text(), QStringLiteral("12,50"));
    EXPECT_FALSE(ctx->state.main.Betragkonst.checked);
}

TEST_F(WindowTest, TheExecutionDateSaysWhereABankHolidayMovesIt)
{
    prepareFilled(0); // CORE direct debits
    open();
    auto *date = find<QDateEdit>("DTPAusf");
    date->setDate(QDate(2022, 12, 25)); // Christmas: TARGET2 closed
    EXPECT_TRUE(date->toolTip().contains(QStringLiteral("27.12.2022")))
        << date->toolTip().toStdString();
    date->setDate(QDate(2022, 12, 14));
    EXPECT_TRUE(date->toolTip().isEmpty());
}

TEST_F(WindowTest, MappingBySelectingBothSidesAndPressingTheArrow)
{
    prepareFilled();
    open();
    window->tabs()->setCurrentIndex(1);
    auto *page = window->sourcePage();
    page->SGDatenbank->selectRow(1); // Kontonummer
    page->SGDatei->selectRow(4);     // the purpose
    click<QToolButton>("SpeedButton5");
    EXPECT_EQ(ctx->state.source.mapping.Kto1, 4);
    EXPECT_EQ(page->SGDatenbank->model()->index(1, 2).data().toString(),
              QStringLiteral("Miete Januar"));

    // A second field on the Name row becomes its second part.
    page->SGDatenbank->selectRow(0);
    page->SGDatei->selectRow(4);
    click<QToolButton>("SpeedButton5");
    EXPECT_EQ(ctx->state.source.mapping.NameX, 0);
    EXPECT_EQ(ctx->state.source.mapping.NameX2, 4);
    EXPECT_EQ(page->SGDatenbank->model()->index(0, 2).data().toString(),
              QStringLiteral("Anna Schäfer Miete Januar"));
    click<QPushButton>("Button4");
    EXPECT_EQ(ctx->state.source.mapping.NameX, -1);
    EXPECT_EQ(ctx->state.source.mapping.NameX2, -1);
    EXPECT_TRUE(page->SGDatenbank->model()->index(0, 2).data().toString().isEmpty());

    // Another separator reads the source again: one field per line now.
    click<QRadioButton>("RBTabulator");
    EXPECT_EQ(page->SGDatei->model()->rowCount(), 1);
}

TEST_F(WindowTest, StartRunsTheBatchAndTheGridsShowItsRecords)
{
    prepareFilled();
    open();
    click<QPushButton>("BStart");
    const QString target = inst.bank() + QStringLiteral("sepa.xml");
    ASSERT_TRUE(QFileInfo::exists(target)) << dialogs.texts().join(u'\n').toStdString();
    EXPECT_SCHEMA_VALID(target, QString());
    EXPECT_EQ(window->statusPanel()->text(), QStringLiteral("Verarbeitung beendet"));
    EXPECT_FALSE(window->progressBar()->isVisible());
    EXPECT_TRUE(window->centralWidget()->isEnabled());
    EXPECT_EQ(find<QLabel>("LSatzzahl")->text(), QStringLiteral("Satzanzahl: 2"));
    EXPECT_EQ(find<QLabel>("LSumme")->text(), QStringLiteral("Gesamtsumme: 246,50"));

    auto *grid = find<QTableView>("DBGrid6");
    ASSERT_EQ(grid->model()->rowCount(), 2) << "the rejected record is gone";
    EXPECT_EQ(grid->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("BIC"));
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), QStringLiteral("Anna Schäfer"));
    EXPECT_EQ(grid->model()->index(0, 8).data().toString(), QStringLiteral("234,50 €"));
    EXPECT_EQ(grid->model()->index(0, 9).data().toString(), QStringLiteral("08.12.2022"));
    EXPECT_EQ(inst.logFiles().size(), 1);
    EXPECT_EQ(ctx->data.ClientDataSet2.recordCount(), 1);
}

TEST_F(WindowTest, AStartFromTheCommandLineShowsItsProgressAndStartstopEnds)
{
    prepareFilled();
    open({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
    EXPECT_TRUE(window->endRequested());
    EXPECT_TRUE(QFileInfo::exists(inst.bank() + QStringLiteral("sepa.xml")));
    EXPECT_EQ(app::exitStatus(*ctx, window->errorShown()), app::ExitOk);
}

TEST_F(WindowTest, ClosingStoresSizeAndColumnWidthsAndBeendenDoesNot)
{
    prepareFilled();
    open();
    window->resize(820, 640);
    const QSize outer = window->frameGeometry().size();
    find<QTableView>("DBGrid6")->setColumnWidth(5, 90);
    window->close();
    EXPECT_EQ(settings->readInteger(u"", u"Width"), outer.width());
    EXPECT_EQ(settings->readInteger(u"", u"Height"), outer.height());
    EXPECT_EQ(settings->readString(u"", u"WindowState"), QStringLiteral("wsNormal"));
    EXPECT_EQ(settings->readInteger(u"", u"BreiteEWährung"), 90);

    // The next start opens at that size.
    window.reset();
    open();
    EXPECT_EQ(window->frameGeometry().size(), outer);
    EXPECT_EQ(find<QTableView>("DBGrid6")->columnWidth(5), 90);

    // "Beenden" ends without saving.
    window->resize(750, 650);
    window->findChild<QAction *>(QStringLiteral("Beenden1"))->trigger();
    EXPECT_TRUE(window->endRequested());
    EXPECT_EQ(settings->readInteger(u"", u"Width"), outer.width());
}

namespace {

// Looks at the window whenever the run asks something: the moment a user would try to
// click again.
class ProbingDialogs : public test::ScriptedDialogs
{
public:
    std::function<void()> probe;
    platform::DialogButton message(platform::DialogKind kind, const QString &text,
                                   platform::DialogButtons buttons) override
    {
        if (probe)
            probe();
        return ScriptedDialogs::message(kind, text, buttons);
    }
};

class RunningWindow : public WindowTest
{
protected:
    ProbingDialogs probing;
};

} // namespace

TEST_F(RunningWindow, MidRunTheWindowShowsProgressAndTakesNoInput)
{
    prepareFilled();
    useDialogs = &probing;
    open();
    bool probed = false;
    probing.probe = [&] {
        probed = true;
        EXPECT_TRUE(window->isRunning());
        EXPECT_FALSE(window->centralWidget()->isEnabled());
        EXPECT_FALSE(window->menuBar()->isEnabled());
        EXPECT_TRUE(window->progressBar()->isVisible());
        EXPECT_TRUE(window->statusPanel()->text().endsWith(QStringLiteral(" ...")))
            << window->statusPanel()->text().toStdString();
        // A second click on "Start" and a close request go nowhere.
        QTest::mouseClick(find<QPushButton>("BStart"), Qt::LeftButton);
        EXPECT_FALSE(window->close());
    };
    click<QPushButton>("BStart");
    EXPECT_TRUE(probed);
    EXPECT_FALSE(window->isRunning());
    EXPECT_TRUE(window->centralWidget()->isEnabled());
    EXPECT_EQ(ctx->data.ClientDataSet2.recordCount(), 1) << "one run, one history row";
    EXPECT_EQ(inst.logFiles().size(), 1);
}

TEST_F(WindowTest, AMaximisedWindowOpensMaximisedAndKeepsTheNormalSize)
{
    prepareFilled();
    settings = std::make_unique<platform::SettingsStore>(inst.settingsPath());
    settings->writeString(u"", u"WindowState", QStringLiteral("wsMaximized"));
    settings->writeInteger(u"", u"Width", 810);
    settings.reset();
    open();
    EXPECT_TRUE(window->isMaximized());
    window->close();
    EXPECT_EQ(settings->readString(u"", u"WindowState"), QStringLiteral("wsMaximized"));
    EXPECT_EQ(settings->readInteger(u"", u"Width"), 810) << "the normal size stays stored";
}

namespace {

// Hands notes that need no answer to the window, as the window's own dialogs do.
class NoticeDialogs : public test::ScriptedDialogs
{
public:
    ui::MainWindow *window = nullptr;
    void notice(const QString &text) override
    {
        ScriptedDialogs::notice(text);
        if (window)
            window->addNotice(text);
    }
};

class NoticeWindow : public WindowTest
{
protected:
    NoticeDialogs noticing;
};

} // namespace

TEST_F(NoticeWindow, ANoteOfTheRunStandsBesideTheStatusUntilTheNextAction)
{
    prepareFilled(0); // CORE: a collection today falls due on the next business day
    useDialogs = &noticing;
    open();
    noticing.window = window.get();
    click<QPushButton>("BStart");
    // The status panel holds the state text alone, the note stands beside it.
    EXPECT_EQ(window->statusPanel()->text(), QStringLiteral("Verarbeitung beendet"));
    const QString note = window->noticePanel()->text();
    EXPECT_TRUE(note.startsWith(QStringLiteral("SEPA-Datei HINWEIS: Fälligkeitsdatum 09.12.2022")))
        << note.toStdString();
    EXPECT_FALSE(window->noticePanel()->isHidden());
    click<QCheckBox>("CBBegleit");
    EXPECT_EQ(window->statusPanel()->text(), QStringLiteral("Verarbeitung beendet"));
    EXPECT_TRUE(window->noticePanel()->isHidden());
}
