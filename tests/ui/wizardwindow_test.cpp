// The setup wizard window driven page by page, offscreen, with scripted dialogs and a
// scripted Mandant editor: from a first start to a batch run that writes a valid SEPA file.
#include "app/appfixture.h"
#include "app/operations.h"
#include "app/settingsnames.h"
#include "schemacheck.h"
#include "support/scriptedmandanteditor.h"
#include "tabularfixtures.h"
#include "testutil.h"
#include "ui/wizardwindow.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace ordovan;
using namespace Qt::StringLiterals;

// Readable QStrings in failure messages.
void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

class WizardWindowTest : public ::testing::Test, public test::AppFixture
{
protected:
    WizardWindowTest()
    {
        ctx->services.tabular = &files;
        ctx->services.mandantEditor = &editor;
        ctx->services.unattended = false;
        bank = dir.filePath(u"Bank/"_s);
        QDir().mkpath(bank);
    }

    // A first start: no table files yet; the start-up creates them and no Mandant exists.
    void firstStart()
    {
        app::prepareProgram(*ctx);
        app::loadStartUpState(*ctx);
    }
    // The window as the main window makes it, shown without the modal loop.
    void show()
    {
        if (!wizard)
            wizard = std::make_unique<ui::WizardWindow>(*ctx);
        wizard->prepare();
        wizard->show();
    }
    // In step 4 the user creates the ordering party in the editor.
    void createMandantInEditor()
    {
        editor.onEdit = [](app::Context &c) {
            app::startNewMandant(c);
            app::setMandantField(c, u"Name"_s, u"Müller Getränke GmbH"_s);
            app::setMandantField(c, u"IBAN1"_s, u"DE89370400440532013000"_s);
            app::setMandantField(c, u"BIC1"_s, u"COBADEFFXXX"_s);
            app::setMandantField(c, u"GlID"_s, u"DE98ZZZ09999999999"_s);
            app::saveMandant(c);
        };
    }

    template<typename T>
    T *child(const char *name)
    {
        T *w = wizard->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char *name)
    {
        QAbstractButton *b = child<QAbstractButton>(name);
        ASSERT_TRUE(b->isVisible()) << name;
        // A check box or radio button takes clicks on its box and caption only.
        const bool box = qobject_cast<QCheckBox *>(b) || qobject_cast<QRadioButton *>(b);
        QTest::mouseClick(b, Qt::LeftButton, {}, box ? QPoint(8, b->height() / 2) : QPoint());
    }
    QString page() { return child<QStackedWidget>("PageControl1")->currentWidget()->objectName(); }
    QString gridCell(const char *grid, int row, int column)
    {
        QAbstractItemModel *m = child<QTableView>(grid)->model();
        return m->data(m->index(row, column)).toString();
    }
    // A click on a line of a grid, as the user makes it.
    void clickLine(const char *grid, int row)
    {
        auto *view = child<QTableView>(grid);
        const QModelIndex index = view->model()->index(row, 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
    // Step 3: mapping row (1 = Name) on the left, source field on the right, then the arrow.
    void assign(int mappingRow, int sourceField)
    {
        clickLine("SGDatenbank", mappingRow - 1);
        clickLine("SgDatei2", sourceField);
        click("SpeedButton5");
    }
    void chooseSource(const QString &path)
    {
        dialogs.pushPath(path);
        click("SpeedButton4");
    }
    QString stored(QStringView name) { return settings->readString(u"1", name); }
    qint32 storedNumber(QStringView name) { return settings->readInteger(u"1", name); }

    formats::FileTabularProvider files;
    test::ScriptedMandantEditor editor;
    std::unique_ptr<ui::WizardWindow> wizard;
    app::MainState &s = ctx->state;
    QString bank;
};

} // namespace

TEST_F(WizardWindowTest, PagesCaptionsAndNamesAsUsersAndScreenReadersKnowThem)
{
    show();
    EXPECT_EQ(wizard->objectName(), u"TWizzardF"_s);
    EXPECT_EQ(wizard->windowTitle(), u"Einstellungsassistent für Ordovan Profi"_s);
    EXPECT_TRUE(wizard->isModal());
    auto *stack = child<QStackedWidget>("PageControl1");
    QStringList pages;
    for (int i = 0; i < stack->count(); ++i)
        pages << stack->widget(i)->objectName();
    EXPECT_EQ(pages.join(u' '), u"PStart P1 P2 P3"_s);
    EXPECT_EQ(page(), u"PStart"_s);

    // Every caption of every page, leading blanks of the buttons included.
    const std::pair<const char *, QString> captions[] = {
        {"PStart", u"Herzlich Willkommen im Einrichtungsassistenten von Ordovan Profi|Dieser "
                   "Assistent führt Sie bequem durch die grundlegenden Einstellungen von Ordovan "
                   "Profi.| Schließen| Start"_s},
        {"P1", u"1. Schritt: Bitte wählen Sie die Quelldatei aus:|2. Schritt für Excel- und "
               "Accessdateien: Auswahl der Tabelle|2. Schritt für CSV- und Text-Dateien: "
               "Trennzeichen|Hier sehen Sie die Vorschau der Datei|1. Spalte in Excel-Datei "
               "enthält Feldbezeichner|Tabulator|Semikolon|Komma| Weiter"_s},
        {"P2", u"Schritt 3: Bitte links und rechts die zusammengehörenden Zeilen markieren und "
               "dann auf den Pfeil klicken.|Spaltenzuordnung|Quelldatei| zurück zu Schritt 1| "
               "Schritt 4"_s},
        {"P3", u"5. Schritt: Wählen Sie die Zahlungsart aus:|6. Bitte wählen Sie den Speicherort "
               "und Dateinamen der Zieldatei aus:|Zahlungsart|Lastschrift CORE|Lastschrift "
               "COR1|Lastschrift B2B|Gutschrift|SEPA-Format|2019 (pain.001.001.09 / "
               "pain.008.001.08)|2009 (pain.001.001.03 / pain.008.001.02)| zurück zu Schritt "
               "3| Abschluss| Abbrechen"_s},
    };
    for (const auto &[name, texts] : captions) {
        QWidget *p = child<QWidget>(name);
        QStringList shown;
        for (QLabel *l : p->findChildren<QLabel *>())
            shown << l->text();
        for (QAbstractButton *b : p->findChildren<QAbstractButton *>())
            shown << b->text();
        for (QGroupBox *g : p->findChildren<QGroupBox *>())
            shown << g->title();
        for (const QString &text : texts.split(u'|'))
            EXPECT_TRUE(shown.contains(text)) << name << ": " << text.toStdString();
    }

    // Controls without a visible caption carry a name.
    const std::pair<const char *, const char *> names[] = {
        {"EQuelldatei", "Quelldatei"},
        {"EZieldatei", "Zieldatei"},
        {"CBTabellen", "Tabelle"},
        {"SGDatenbank", "Spaltenzuordnung"},
        {"SGDatei", "Quelldatei-Vorschau"},
        {"SgDatei2", "Quelldatei-Vorschau"},
        {"SpeedButton5", "Zuordnen"},
        {"SpeedButton4", "Quelldatei wählen"},
        {"SpeedButton2", "Zieldatei wählen"},
    };
    for (const auto &[name, accessible] : names)
        EXPECT_EQ(child<QWidget>(name)->accessibleName(), QString::fromUtf8(accessible)) << name;

    // Every control takes the focus by Tab, and Tab leaves the grids again.
    for (QWidget *w : wizard->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"))
            continue;
        if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
            qobject_cast<QComboBox *>(w) || qobject_cast<QTableView *>(w)) {
            EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << w->objectName().toStdString();
        }
        if (auto *grid = qobject_cast<QTableView *>(w)) {
            EXPECT_FALSE(grid->tabKeyNavigation()) << w->objectName().toStdString();
        }
    }
}

TEST_F(WizardWindowTest, ACsvFromTheFirstStartToABatchRun)
{
    firstStart();
    ASSERT_TRUE(s.run.FirstStart);
    EXPECT_TRUE(app::wizardDueAfterStart(*ctx));
    ctx->services.unattended = true;
    EXPECT_FALSE(app::wizardDueAfterStart(*ctx)) << "never without a window";
    ctx->services.unattended = false;
    EXPECT_TRUE(s.main.Label9Visible);
    const QString source = bank + u"lastschriften.csv"_s;
    test::writeFile(source, "Vorname;Nachname;IBAN;BIC;Betrag;Zweck;Mandat\r\n"
                            "Anna;Sch\xe4"
                            "fer;DE89370400440532013000;COBADEFFXXX;234,50;Miete;M-1\r\n"
                            "Ben;Berg;DE02120300000000202051;BYLADEM1001;12,00;Beitrag;M-2\r\n");

    show();
    click("BStart");
    EXPECT_EQ(page(), u"P1"_s);
    EXPECT_TRUE(child<QRadioButton>("RBSemikolon")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("CBTitelzeile")->isChecked());
    chooseSource(source);
    EXPECT_EQ(child<QLineEdit>("EQuelldatei")->text(), source);
    EXPECT_EQ(child<QTableView>("SGDatei")->model()->columnCount(), 3);
    EXPECT_EQ(child<QTableView>("SGDatei")->model()->rowCount(), 7);
    EXPECT_EQ(gridCell("SGDatei", 1, 1), u"Schäfer"_s);
    click("CBTitelzeile");

    click("BWeiter");
    EXPECT_EQ(page(), u"P2"_s);
    EXPECT_EQ(gridCell("SGDatenbank", 15, 0), u"Laendercode"_s);
    assign(1, 0); // Name: first name ...
    assign(1, 1); // ... and last name
    EXPECT_EQ(gridCell("SGDatenbank", 0, 2), u"Anna Schäfer"_s);
    assign(14, 2); // IBAN
    assign(15, 3); // BIC
    assign(8, 4);  // Betrag
    assign(4, 5);  // Verwendung1
    assign(12, 6); // Mandatsreferenz/NotizIntern
    EXPECT_EQ(gridCell("SGDatenbank", 13, 2), u"DE89370400440532013000"_s);

    createMandantInEditor();
    click("BSchritt4");
    EXPECT_EQ(editor.shown, 1);
    EXPECT_EQ(page(), u"P3"_s);
    EXPECT_FALSE(s.main.Label9Visible);
    EXPECT_EQ(child<QLabel>("LMandant")->text(), u"Mandant: 1 -  Müller Getränke GmbH"_s);
    EXPECT_TRUE(child<QRadioButton>("RBFormat2019")->isChecked()) << "a new Mandant: 2019";
    EXPECT_TRUE(child<QRadioButton>("RGZahlungsart0")->isChecked());
    dialogs.pushPath(bank + u"lastschrift"_s);
    click("SpeedButton2");
    EXPECT_EQ(child<QLineEdit>("EZieldatei")->text(), bank + u"lastschrift.xml"_s);

    click("BAbschluss");
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_EQ(s.main.EQuelldatei, source);
    EXPECT_EQ(stored(u"Quelldatei"), source);
    EXPECT_EQ(storedNumber(u"NameX"), 0);
    EXPECT_EQ(storedNumber(u"NameX2"), 1);
    EXPECT_EQ(storedNumber(u"SEPAFormat"), 1);
    EXPECT_EQ(s.source.SGDatei.cell(2, 0), u"Ben"_s) << "read again";

    app::runBatch(*ctx);
    EXPECT_EQ(s.main.statusText, u"Verarbeitung beendet"_s);
    EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok);
    const QString target = bank + u"lastschrift.xml"_s;
    ASSERT_TRUE(QFileInfo::exists(target));
    EXPECT_SCHEMA_VALID(target, u"pain.008.001.08"_s);
    const QByteArray xml = test::readFile(target);
    EXPECT_TRUE(xml.contains("<NbOfTxs>2</NbOfTxs>"));
    EXPECT_TRUE(xml.contains("<CtrlSum>246.50</CtrlSum>"));
    EXPECT_TRUE(xml.contains("<Nm>Anna Sch")) << "the combined name";
    EXPECT_TRUE(xml.contains("<MndtId>M-2</MndtId>"));
}

TEST_F(WizardWindowTest, AnXlsxShownTwiceThenThroughTheFinishToABatchRun)
{
    firstStart();
    const QString source = bank + u"zahlungen.xlsx"_s;
    test::writeSampleXlsx(source);
    show();
    click("BStart");
    chooseSource(source);
    // Read as a workbook, not shown as its bytes; another sheet chosen is read.
    auto *tables = child<QComboBox>("CBTabellen");
    EXPECT_EQ(tables->count(), 3);
    tables->setFocus();
    QTest::keyClick(tables, Qt::Key_Down);
    EXPECT_EQ(gridCell("SGDatei", 0, 0), u"Text"_s);
    wizard->reject();

    // The second showing starts over, with path, table list and preview as they were.
    show();
    EXPECT_EQ(page(), u"PStart"_s);
    click("BStart");
    EXPECT_EQ(child<QLineEdit>("EQuelldatei")->text(), source);
    EXPECT_EQ(tables->count(), 3);
    EXPECT_EQ(tables->currentText(), u"Prüfwerte"_s);
    EXPECT_EQ(gridCell("SGDatei", 0, 0), u"Text"_s);
    tables->setFocus();
    QTest::keyClick(tables, Qt::Key_Up);
    EXPECT_EQ(gridCell("SGDatei", 0, 1), u"Müller, Anna"_s);
    click("CBTitelzeile");
    click("BWeiter");
    assign(1, 0);  // Name
    assign(14, 1); // IBAN
    assign(15, 2); // BIC
    assign(8, 3);  // Betrag
    assign(4, 5);  // Verwendung1
    EXPECT_EQ(gridCell("SGDatenbank", 7, 2), u"11,58"_s);

    createMandantInEditor();
    click("BSchritt4");
    click("RGZahlungsart3");
    click("RBFormat2009");
    // The target path typed in.
    QLineEdit *target = child<QLineEdit>("EZieldatei");
    target->setFocus();
    QTest::keyClicks(target, bank + u"gutschrift.xml"_s);
    click("BAbschluss");
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(s.source.CBTabellenText, u"Zahlungen"_s);
    EXPECT_EQ(stored(u"Tabellenname"), u"Zahlungen"_s);
    EXPECT_EQ(storedNumber(u"Zahlungsart"), 3);
    EXPECT_EQ(storedNumber(u"SEPAFormat"), 0);

    app::runBatch(*ctx);
    EXPECT_EQ(s.main.statusText, u"Verarbeitung beendet"_s);
    const QString file = bank + u"gutschrift.xml"_s;
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_SCHEMA_VALID(file, u"pain.001.001.03"_s);
    const QByteArray xml = test::readFile(file);
    EXPECT_TRUE(xml.contains("<NbOfTxs>3</NbOfTxs>"));
    EXPECT_TRUE(xml.contains("<CtrlSum>1169.65</CtrlSum>"));
}

TEST_F(WizardWindowTest, ChoicesAScreenReaderTogglesCountLikeClicks)
{
    firstStart();
    const QString source = bank + u"liste.csv"_s;
    test::writeFile(source, "Name,IBAN;BIC\r\nAnna,DE89370400440532013000;COBADEFFXXX\r\n");
    show();
    click("BStart");
    chooseSource(source);
    EXPECT_EQ(gridCell("SGDatei", 1, 0), u"BIC"_s);
    // A screen reader's "toggle" action sets a choice without any click.
    child<QRadioButton>("RBKomma")->toggle();
    EXPECT_EQ(gridCell("SGDatei", 1, 0), u"IBAN;BIC"_s) << "read again with the comma";
    child<QCheckBox>("CBTitelzeile")->toggle();
    click("BWeiter");
    assign(1, 0);

    createMandantInEditor();
    click("BSchritt4");
    child<QRadioButton>("RGZahlungsart3")->toggle();
    child<QRadioButton>("RBFormat2009")->toggle();
    dialogs.pushPath(bank + u"gutschrift"_s);
    click("SpeedButton2");
    click("BAbschluss");
    EXPECT_EQ(storedNumber(u"Zahlungsart"), 3);
    EXPECT_EQ(storedNumber(u"SEPAFormat"), 0);
    EXPECT_EQ(storedNumber(u"Titelzeile"), 1);
    EXPECT_EQ(stored(u"Trennzeichen"), u"Komma"_s);
}

TEST_F(WizardWindowTest, CancellingKeepsTheMappingUntilTheNextSettingsSave)
{
    addMandanten({1});
    ctx->data.ClientDataSet3.locate(u"ID", 1);
    settings->writeInteger(u"", app::names::Mandant, 1);
    const QString source = bank + u"q.csv"_s;
    test::writeFile(source, "Name;IBAN\r\nAnna;DE89370400440532013000\r\n");

    // Cancelled right after step 3 (Escape): the assignment is in the shared mapping.
    show();
    click("BStart");
    chooseSource(source);
    click("BWeiter");
    assign(14, 1);
    QTest::keyClick(wizard.get(), Qt::Key_Escape);
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(wizard->result(), QDialog::Rejected);
    EXPECT_EQ(s.source.mapping.IBANx, 1);
    EXPECT_TRUE(s.main.EQuelldatei.isEmpty()) << "nothing else is applied";
    EXPECT_EQ(storedNumber(u"IBANx"), -1) << "not stored yet";

    // Again, to step 4 and " Abbrechen": the Mandant chosen stays current.
    show();
    click("BStart");
    click("BWeiter");
    assign(1, 0);
    click("BSchritt4");
    click("RGZahlungsart3");
    click("BAbbrechen");
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(s.main.CBMandantenText, u"1 -  Mandant 1"_s);
    EXPECT_EQ(s.main.RGZahlungsart, app::NoPaymentType);
    EXPECT_EQ(storedNumber(u"NameX"), -1);

    app::saveSettings(*ctx);
    EXPECT_EQ(storedNumber(u"IBANx"), 1);
    EXPECT_EQ(storedNumber(u"NameX"), 0);
    EXPECT_TRUE(stored(u"Quelldatei").isEmpty());
}

TEST_F(WizardWindowTest, TheKeyboardAloneReadsAFileAndAssignsAField)
{
    const QString source = bank + u"k.csv"_s;
    test::writeFile(source, "Name;IBAN\r\nAnna;DE89370400440532013000\r\n");
    show();
    wizard->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    auto focused = [] { return QApplication::focusWidget()->objectName(); };
    auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };

    EXPECT_EQ(focused(), u"BStart"_s);
    key(Qt::Key_Space);
    EXPECT_EQ(page(), u"P1"_s);
    // A typed path is read on Return.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), u"EQuelldatei"_s);
    QTest::keyClicks(QApplication::focusWidget(), source);
    key(Qt::Key_Return);
    EXPECT_EQ(page(), u"P1"_s);
    EXPECT_EQ(gridCell("SGDatei", 0, 1), u"Anna"_s);
    // On through the page to " Weiter".
    QStringList chain;
    for (int i = 0; i < 8 && focused() != u"BWeiter"; ++i) {
        key(Qt::Key_Tab);
        chain << focused();
    }
    EXPECT_EQ(chain, (QStringList{u"SpeedButton4"_s, u"CBTabellen"_s, u"CBTitelzeile"_s,
                                  u"RBTabulator"_s, u"SGDatei"_s, u"BWeiter"_s}));
    key(Qt::Key_Space);
    EXPECT_EQ(page(), u"P2"_s);

    // Step 3: the mapping grid has the focus; IBAN is row 14.
    EXPECT_EQ(focused(), u"SGDatenbank"_s);
    for (int i = 0; i < 13; ++i)
        key(Qt::Key_Down);
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), u"SgDatei2"_s);
    key(Qt::Key_Down);
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), u"SpeedButton5"_s);
    key(Qt::Key_Space);
    EXPECT_EQ(s.source.mapping.IBANx, 1);
    EXPECT_EQ(gridCell("SGDatenbank", 13, 1), u"IBAN"_s);
}

// A screen reader sets a box's text and selects a grid's line through the accessibility
// interfaces, without typing or moving the current cell: both count as the user's choice.
TEST_F(WizardWindowTest, PathsAndLinesSetByAScreenReaderCount)
{
    firstStart();
    const QString source = bank + u"s.csv"_s;
    const QString target = bank + u"s.xml"_s;
    test::writeFile(source, "Name;IBAN;BIC;Betrag\r\n"
                            "Anna;DE89370400440532013000;COBADEFFXXX;1,00\r\n");
    auto setText = [](QWidget *w, const QString &text) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(a->editableTextInterface(), nullptr);
        a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), text);
    };
    auto selectLine = [this](const char *grid, int row) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(child<QTableView>(grid));
        ASSERT_NE(a, nullptr);
        ASSERT_NE(a->tableInterface(), nullptr);
        ASSERT_TRUE(a->tableInterface()->selectRow(row));
    };

    show();
    click("BStart");
    auto *path = child<QLineEdit>("EQuelldatei");
    setText(path, source);
    QTest::keyClick(path, Qt::Key_Return);
    EXPECT_EQ(gridCell("SGDatei", 1, 1), u"DE89370400440532013000"_s);

    click("BWeiter");
    // IBAN: row 14 of the mapping, the second source field; the current lines stay elsewhere.
    selectLine("SGDatenbank", 13);
    selectLine("SgDatei2", 1);
    EXPECT_EQ(child<QTableView>("SGDatenbank")->currentIndex().row(), 0);
    click("SpeedButton5");
    EXPECT_EQ(s.source.mapping.IBANx, 1);
    EXPECT_EQ(gridCell("SGDatenbank", 13, 2), u"DE89370400440532013000"_s);
    EXPECT_EQ(child<QTableView>("SGDatenbank")->currentIndex().row(), 13)
        << "the keyboard goes on from the line chosen";

    createMandantInEditor();
    click("BSchritt4");
    setText(child<QLineEdit>("EZieldatei"), target);
    click("BAbschluss");
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_EQ(s.main.EQuelldatei, source);
    EXPECT_EQ(s.main.EZieldatei, target);
    EXPECT_EQ(stored(u"Zieldatei"), target);
}

TEST_F(WizardWindowTest, ExecShowsTheStartPageModallyCentredOnTheMainWindow)
{
    QWidget mainWindow;
    // Within the offscreen screen of 800 by 600, which a dialog is kept on.
    mainWindow.setGeometry(20, 10, 760, 580);
    mainWindow.show();
    ui::WizardWindow window(*ctx, &mainWindow);
    bool ran = false;
    QMetaObject::invokeMethod(
        &window,
        [&] {
            ran = true;
            EXPECT_TRUE(window.isVisible());
            EXPECT_EQ(QApplication::activeModalWidget(), &window);
            EXPECT_LE((window.frameGeometry().center() - mainWindow.frameGeometry().center())
                          .manhattanLength(),
                      40);
            auto *close = window.findChild<QPushButton *>(u"BSchliessen"_s);
            ASSERT_NE(close, nullptr);
            QTest::mouseClick(close, Qt::LeftButton);
            if (window.isVisible()) {
                ADD_FAILURE() << "the wizard is still open";
                window.done(QDialog::Rejected);
            }
        },
        Qt::QueuedConnection);
    EXPECT_EQ(window.exec(), QDialog::Rejected);
    EXPECT_TRUE(ran);
}
