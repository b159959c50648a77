#include "app/appfixture.h"
#include "app/operations.h"
#include "app/settingsnames.h"
#include "store/schema.h"
#include "store/tablefile.h"
#include "ui/mandanteditorwindow.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

using namespace ordovan;
using State = store::Table::State;

namespace {

class MandantEditorWindowTest : public ::testing::Test, public test::AppFixture
{
protected:
    MandantEditorWindowTest()
    {
        // A small directory: bank code 20000000 on two rows, the first one names the bank.
        store::Table &blz = ctx->data.ClientDataSet4;
        blz.createEmpty(store::bankDirectoryFields());
        for (const auto &[code, name] : {std::pair{u"10000000", u"Erste Bank"},
                                         std::pair{u"20000000", u"Zweite Bank Hauptstelle"},
                                         std::pair{u"20000000", u"Zweite Bank Filiale"},
                                         std::pair{u"30000000", u"Dritte Bank"}}) {
            blz.insert();
            blz.setValue(u"BLZ", QString::fromUtf16(code));
            blz.setValue(u"Bank", QString::fromUtf16(name));
            blz.post();
        }
        app::installMandantHooks(*ctx);
        ctx->services.mandantEditor = &window;
    }

    ~MandantEditorWindowTest() override { window.detach(); }

    store::Table &m = ctx->data.ClientDataSet3;
    ui::MandantEditorWindow window;

    // Mandant id with account n's bank code n0000000, and the given active account.
    void addMandant(int id, int active = 1)
    {
        addMandanten({id});
        m.locate(u"ID", id);
        m.edit();
        for (int n = 1; n <= 3; ++n) {
            m.setValue(QStringLiteral("BLZ%1").arg(n), n * 10000000);
            m.setValue(QStringLiteral("IBAN%1").arg(n), QStringLiteral("IBAN%1-%2").arg(id).arg(n));
        }
        m.setValue(u"Aktives Konto", active);
        m.post();
    }
    // The window on the Mandant with that number, shown without the modal loop.
    void open(int id = -1)
    {
        if (id >= 0)
            m.locate(u"ID", id);
        window.attach(*ctx);
        window.show();
    }

    template<typename T>
    T *child(const QString &name)
    {
        T *w = window.findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QLineEdit *box(const QString &field)
    {
        return child<QLineEdit>(QStringLiteral("DBEdit") + field);
    }
    QPushButton *button(const char *name) { return child<QPushButton>(QString::fromLatin1(name)); }
    QToolButton *toolButton(const char *name)
    {
        return child<QToolButton>(QString::fromLatin1(name));
    }
    QRadioButton *account(int n) { return child<QRadioButton>(QStringLiteral("RBKonto%1").arg(n)); }

    // Replaces a box's text as a user would: select everything, type over it.
    void type(const QString &field, const QString &text)
    {
        QLineEdit *b = box(field);
        b->setFocus();
        b->selectAll();
        if (text.isEmpty())
            QTest::keyClick(b, Qt::Key_Backspace);
        else
            keys(b, text);
    }
    // QTest types ASCII only; other characters arrive as a key that carries its text.
    static void keys(QWidget *w, const QString &text)
    {
        for (QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(w, char(c.unicode()));
            } else {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QCoreApplication::sendEvent(w, &press);
            }
        }
    }

    // Runs the modal editor through the operation; the steps run inside its event loop. A
    // window still open after them fails the test and is closed, so nothing hangs.
    void runModal(const std::function<void(app::Context &)> &operation,
                  const std::function<void()> &steps)
    {
        bool ran = false;
        QMetaObject::invokeMethod(
            &window,
            [&] {
                ran = true;
                steps();
                if (window.isVisible()) {
                    ADD_FAILURE() << "the editor is still open";
                    window.done(QDialog::Rejected);
                }
            },
            Qt::QueuedConnection);
        operation(*ctx);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(window.isVisible());
    }
};

} // namespace

TEST_F(MandantEditorWindowTest, EveryBoxShowsItsFieldUnderItsCaption)
{
    addMandant(4, 2);
    open(4);
    EXPECT_EQ(window.objectName(), QStringLiteral("TMandantenF"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Mandantenverwaltung"));

    const QList<std::pair<QString, QString>> boxes = {
        {QStringLiteral("ID"), QStringLiteral("ID")},
        {QStringLiteral("Name"), QStringLiteral("Name")},
        {QStringLiteral("Straße"), QStringLiteral("Straße")},
        {QStringLiteral("PLZ"), QStringLiteral("PLZ")},
        {QStringLiteral("Ort"), QStringLiteral("Ort")},
        {QStringLiteral("GlID"), QStringLiteral("Gläubiger-ID")},
        {QStringLiteral("Kontonummer1"), QStringLiteral("Kontonummer 1")},
        {QStringLiteral("BLZ2"), QStringLiteral("BLZ 2")},
        {QStringLiteral("Bank3"), QStringLiteral("Bank 3")},
        {QStringLiteral("IBAN1"), QStringLiteral("IBAN 1")},
        {QStringLiteral("BIC3"), QStringLiteral("BIC 3")},
    };
    for (const auto &[field, caption] : boxes) {
        QLineEdit *b = box(field);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->accessibleName(), caption);
        QLabel *label = child<QLabel>(QStringLiteral("L") + field);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), caption);
        EXPECT_EQ(label->buddy(), b);
    }
    EXPECT_EQ(window.findChildren<QLineEdit *>().size(), 21) << "no box for Land";

    EXPECT_EQ(box(QStringLiteral("ID"))->text(), QStringLiteral("4"));
    EXPECT_TRUE(box(QStringLiteral("ID"))->isReadOnly());
    EXPECT_FALSE(box(QStringLiteral("ID"))->hasFrame());
    EXPECT_EQ(box(QStringLiteral("Name"))->text(), QStringLiteral("Mandant 4"));
    EXPECT_EQ(box(QStringLiteral("IBAN3"))->text(), QStringLiteral("IBAN4-3"));
    EXPECT_EQ(box(QStringLiteral("BLZ1"))->text(), QStringLiteral("10000000"));
    // Bank names from the directory: the first row of a code wins.
    EXPECT_EQ(box(QStringLiteral("Bank1"))->text(), QStringLiteral("Erste Bank"));
    EXPECT_EQ(box(QStringLiteral("Bank2"))->text(), QStringLiteral("Zweite Bank Hauptstelle"));
    EXPECT_EQ(box(QStringLiteral("Name"))->maxLength(), 50);

    EXPECT_FALSE(account(1)->isChecked());
    EXPECT_TRUE(account(2)->isChecked());
    EXPECT_EQ(account(3)->text(), QStringLiteral("Konto 3"));

    EXPECT_EQ(button("BNeu")->text(), QStringLiteral("NEU"));
    EXPECT_EQ(button("BSpeichern")->text(), QStringLiteral("Speichern"));
    EXPECT_EQ(button("BLoeschen")->text(), QStringLiteral("Löschen"));
    EXPECT_EQ(button("BSchliessen")->text(), QStringLiteral("Schließen"));
    EXPECT_FALSE(button("BSpeichern")->isEnabled());
    for (const auto &[name, hint] :
         {std::pair{"BVorheriges", u"Vorheriges Mitglied"},
          std::pair{"BNaechstes", u"Nächstes Mitglied"}, std::pair{"BHilfe", u"Hile aufrufen"}}) {
        QToolButton *b = toolButton(name);
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(b->text().isEmpty()) << name;
        EXPECT_EQ(b->toolTip(), QString::fromUtf16(hint));
        EXPECT_EQ(b->accessibleName(), QString::fromUtf16(hint));
    }
    for (QPushButton *b : window.findChildren<QPushButton *>())
        EXPECT_FALSE(b->autoDefault()) << "Return in a box presses " << b->text().toStdString();
}

TEST_F(MandantEditorWindowTest, TypingEnablesSpeichernAndSavingWritesTheRow)
{
    addMandant(1);
    addMandant(2);
    open(1);
    type(QStringLiteral("Name"), QStringLiteral("Müller GmbH"));
    EXPECT_EQ(m.state(), State::Edit);
    EXPECT_TRUE(button("BSpeichern")->isEnabled());

    // The bank name follows the code as it is typed.
    type(QStringLiteral("BLZ1"), QStringLiteral("2000000"));
    EXPECT_TRUE(box(QStringLiteral("Bank1"))->text().isEmpty());
    keys(box(QStringLiteral("BLZ1")), QStringLiteral("0"));
    EXPECT_EQ(box(QStringLiteral("Bank1"))->text(), QStringLiteral("Zweite Bank Hauptstelle"));
    type(QStringLiteral("BLZ3"), QStringLiteral("99999999"));
    EXPECT_TRUE(box(QStringLiteral("Bank3"))->text().isEmpty()) << "unknown code, no name";

    button("BSpeichern")->click();
    EXPECT_FALSE(button("BSpeichern")->isEnabled());
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Müller GmbH"));
    EXPECT_EQ(m.integer(u"BLZ1"), 20000000);
    store::Table file(QStringLiteral("file"));
    store::readTableFile(file, m.filePath());
    ASSERT_TRUE(file.locate(u"ID", 1));
    EXPECT_EQ(file.text(u"Name"), QStringLiteral("Müller GmbH"));
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(MandantEditorWindowTest, TextAScreenReaderSetsIsStoredLikeTypedText)
{
    addMandant(1);
    addMandant(2);
    open(1);
    // Showing another Mandant changes the boxes, but is no edit.
    toolButton("BNaechstes")->click();
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_FALSE(button("BSpeichern")->isEnabled());

    // A screen reader or speech tool sets the whole text through the accessibility interface.
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(box(QStringLiteral("IBAN1")));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->editableTextInterface(), nullptr);
    const QString iban = QStringLiteral("DE02120300000000202051");
    a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), iban);
    EXPECT_EQ(m.state(), State::Edit);
    EXPECT_EQ(m.text(u"IBAN1"), iban);
    EXPECT_TRUE(button("BSpeichern")->isEnabled());
    button("BSpeichern")->click();
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_EQ(m.integer(u"ID"), 2);
    EXPECT_EQ(m.text(u"IBAN1"), iban);
}

TEST_F(MandantEditorWindowTest, InputTheTableCannotHoldIsRefused)
{
    addMandant(1);
    open(1);
    type(QStringLiteral("Name"), QStringLiteral("Ł"));
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("Das Zeichen „Ł“ kann im Feld „Name“ nicht gespeichert werden."));
    EXPECT_EQ(box(QStringLiteral("Name"))->text(), QStringLiteral("Mandant 1"));
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_FALSE(button("BSpeichern")->isEnabled());

    // A bank code takes digits only, at most eight.
    type(QStringLiteral("BLZ2"), QStringLiteral("1a2b3456789"));
    EXPECT_EQ(box(QStringLiteral("BLZ2"))->text(), QStringLiteral("12345678"));
    EXPECT_EQ(m.integer(u"BLZ2"), 12345678);
}

TEST_F(MandantEditorWindowTest, NeuStartsAMandantWithAccountOne)
{
    addMandant(1, 3);
    addMandant(2, 3);
    open(1);
    button("BNeu")->click();
    EXPECT_EQ(m.state(), State::Insert);
    EXPECT_EQ(box(QStringLiteral("ID"))->text(), QStringLiteral("3"));
    EXPECT_TRUE(box(QStringLiteral("Name"))->text().isEmpty());
    EXPECT_TRUE(account(1)->isChecked());
    EXPECT_TRUE(button("BSpeichern")->isEnabled());
    EXPECT_EQ(window.focusWidget(), box(QStringLiteral("Name")));
    EXPECT_FALSE(toolButton("BNaechstes")->isEnabled());
}

TEST_F(MandantEditorWindowTest, LoeschenAsksAndShowsTheNextMandant)
{
    addMandant(1);
    addMandant(2);
    open(1);
    dialogs.pushButton(platform::No);
    button("BLoeschen")->click();
    EXPECT_EQ(m.recordCount(), 2);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("Bestätigen"));
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("Möchten Sie diesen Mandanten wirklich löschen?"));
    EXPECT_EQ(dialogs.shown()[0].buttons, platform::Yes | platform::No);

    dialogs.pushButton(platform::Yes);
    button("BLoeschen")->click();
    EXPECT_EQ(m.recordCount(), 1);
    EXPECT_EQ(box(QStringLiteral("ID"))->text(), QStringLiteral("2"));

    // The last one gone: empty boxes, nothing to delete.
    dialogs.pushButton(platform::Yes);
    button("BLoeschen")->click();
    EXPECT_TRUE(box(QStringLiteral("Name"))->text().isEmpty());
    EXPECT_FALSE(account(1)->isChecked());
    EXPECT_FALSE(button("BLoeschen")->isEnabled());
    EXPECT_TRUE(button("BNeu")->isEnabled());
}

TEST_F(MandantEditorWindowTest, PreviousAndNextFollowTheNumbers)
{
    for (int id : {7, 3, 5})
        addMandant(id);
    open(3);
    QToolButton *previous = toolButton("BVorheriges");
    QToolButton *next = toolButton("BNaechstes");
    EXPECT_FALSE(previous->isEnabled());
    type(QStringLiteral("Name"), QStringLiteral("Drei"));
    next->click();
    EXPECT_EQ(box(QStringLiteral("ID"))->text(), QStringLiteral("5"));
    EXPECT_FALSE(button("BSpeichern")->isEnabled()) << "the change was saved on the way";
    next->click();
    EXPECT_EQ(box(QStringLiteral("ID"))->text(), QStringLiteral("7"));
    EXPECT_FALSE(next->isEnabled());
    previous->click();
    previous->click();
    EXPECT_EQ(box(QStringLiteral("Name"))->text(), QStringLiteral("Drei"));
}

TEST_F(MandantEditorWindowTest, TheAccountRadioButtonsStoreOneTwoThree)
{
    addMandant(1, 2);
    addMandant(2, 0); // an old file's Mandant without a valid account
    open(1);
    EXPECT_TRUE(account(2)->isChecked());
    toolButton("BNaechstes")->click();
    for (int n = 1; n <= 3; ++n)
        EXPECT_FALSE(account(n)->isChecked()) << "Konto " << n;
    EXPECT_EQ(child<QWidget>(QStringLiteral("RGAktivesKonto"))->accessibleName(),
              QStringLiteral("Aktives Konto"));

    toolButton("BVorheriges")->click();
    EXPECT_TRUE(account(2)->isChecked());
    account(2)->click();
    EXPECT_FALSE(button("BSpeichern")->isEnabled()) << "no change";

    account(3)->click();
    EXPECT_TRUE(account(3)->isChecked());
    EXPECT_FALSE(account(2)->isChecked());
    EXPECT_TRUE(button("BSpeichern")->isEnabled());
    button("BSpeichern")->click();
    EXPECT_EQ(m.integer(u"Aktives Konto"), 3);
    account(1)->click();
    button("BSpeichern")->click();
    EXPECT_EQ(m.integer(u"Aktives Konto"), 1);

    // A screen reader's "toggle" action chooses without a click, and counts the same.
    account(2)->toggle();
    EXPECT_TRUE(button("BSpeichern")->isEnabled());
    button("BSpeichern")->click();
    EXPECT_EQ(m.integer(u"Aktives Konto"), 2);
}

TEST_F(MandantEditorWindowTest, TheCloseCheckJaSavesNeinDiscardsAbbrechenStays)
{
    addMandant(1);
    m.locate(u"ID", 1);
    ctx->state.main.CBMandantenText = QStringLiteral("1");

    // Abbrechen keeps the editor open with the typed text; Nein then discards it.
    runModal(app::editMandant, [&] {
        type(QStringLiteral("Name"), QStringLiteral("Halb getippt"));
        dialogs.pushButton(platform::Cancel);
        button("BSchliessen")->click();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(box(QStringLiteral("Name"))->text(), QStringLiteral("Halb getippt"));
        EXPECT_EQ(dialogs.shown().last().text,
                  QStringLiteral("Änderungen speichern beim aktuellen Datensatz?"));
        EXPECT_EQ(dialogs.shown().last().buttons, platform::Yes | platform::No | platform::Cancel);
        dialogs.pushButton(platform::No);
        QTest::keyClick(&window, Qt::Key_Escape); // Escape closes the same way
    });
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Mandant 1"));
    EXPECT_EQ(dialogs.shown().size(), 2);

    // Ja saves.
    runModal(app::editMandant, [&] {
        type(QStringLiteral("Name"), QStringLiteral("Fertig"));
        dialogs.pushButton(platform::Yes);
        window.close(); // the close box
    });
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Fertig"));
    EXPECT_EQ(ctx->state.main.LKontoinhaber, QStringLiteral("Fertig")) << "selection applied";

    // Nothing changed: closed without a question.
    dialogs.clear();
    runModal(app::editMandant, [&] { button("BSchliessen")->click(); });
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(MandantEditorWindowTest, MenuNeuAndFindenThroughTheWindow)
{
    addMandant(1);
    settings->writeInteger(u"", app::names::Mandant, 1);
    app::fillMandantCombo(*ctx);

    // "Neu": the editor opens on a new Mandant; closing with Ja keeps it.
    runModal(app::newMandant, [&] {
        EXPECT_EQ(box(QStringLiteral("ID"))->text(), QStringLiteral("2"));
        EXPECT_TRUE(account(1)->isChecked());
        type(QStringLiteral("Name"), QStringLiteral("Zweiter"));
        dialogs.pushButton(platform::Yes);
        button("BSchliessen")->click();
    });
    EXPECT_EQ(m.recordCount(), 2);
    EXPECT_EQ(ctx->state.main.CBMandantenItems.size(), 1) << "the list is refilled by Finden";

    // "Finden": after the editor the list holds every Mandant.
    ctx->state.main.Label9Visible = true;
    runModal(app::findMandant, [&] { button("BSchliessen")->click(); });
    EXPECT_EQ(ctx->state.main.CBMandantenItems,
              QStringList({QStringLiteral("1 -  Mandant 1"), QStringLiteral("2 -  Zweiter")}));
    EXPECT_FALSE(ctx->state.main.Label9Visible);
}

TEST_F(MandantEditorWindowTest, HelpOpensTheManual)
{
    const QString manual =
        QCoreApplication::applicationDirPath() + QStringLiteral("/Ordovan Pro - Handbuch.pdf");
    const bool made = !QFileInfo::exists(manual);
    if (made) {
        QFile f(manual);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4\n");
    }
    addMandant(1);
    open(1);
    const QString expected = QFileInfo(manual).canonicalFilePath();
    toolButton("BHilfe")->click();
    if (made)
        QFile::remove(manual);
    EXPECT_EQ(desktop.opened, QStringList{expected});
}

TEST_F(MandantEditorWindowTest, AnUnreadableMandantTableLeavesOnlyClosing)
{
    open(); // ClientDataSet3 was never opened
    EXPECT_FALSE(box(QStringLiteral("Name"))->isEnabled());
    EXPECT_FALSE(account(1)->isEnabled());
    EXPECT_FALSE(button("BNeu")->isEnabled());
    EXPECT_FALSE(button("BLoeschen")->isEnabled());
    EXPECT_TRUE(button("BSchliessen")->isEnabled());
    button("BSchliessen")->click();
    EXPECT_FALSE(window.isVisible());
}
