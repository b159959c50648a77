// Every control a screen reader reaches carries the caption the user sees: text fields,
// combo boxes, date fields and grids by the caption of their label or group, icon-only
// buttons by their hint.
#include "windowfixture.h"

#include "ui/accessiblenames.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

using namespace ordovan;
using test::WindowTest;

namespace {

QString nameOf(QWidget *w)
{
    QAccessibleInterface *i = QAccessible::queryAccessibleInterface(w);
    return i ? i->text(QAccessible::Name) : QString();
}

// The caption of the label or group a control is labelled by.
QString labelOf(QWidget *w)
{
    QAccessibleInterface *i = QAccessible::queryAccessibleInterface(w);
    if (!i)
        return {};
    for (const auto &[other, relation] : i->relations(QAccessible::Label))
        return other->text(QAccessible::Name);
    return {};
}

} // namespace

TEST_F(WindowTest, FieldsGridsAndIconButtonsAreNamedAsTheUserSeesThem)
{
    ui::keepComboBoxNames(); // as the program does at its start
    prepareFilled();
    open();
    const std::pair<const char *, const char16_t *> expected[] = {
        {"EQuelldatei", u"Quelldatei"},
        {"EZieldatei", u"Zieldatei"},
        {"CBMandanten", u"Mandant"},
        {"DTPErstell", u"Erstellungsdatum"},
        {"DTPAusf", u"Ausführungsdatum"},
        {"EVErw1Konst", u"Verw 1"},
        {"EVErw8Konst", u"Verw 8"},
        {"EBetragKonst", u"Betrag"},
        {"SpeedButton3", u"Finden"},
        {"SpeedButton4", u"Quelldatei wählen"},
        {"SpeedButton2", u"Zieldatei wählen"},
        {"SpeedButton5", u"Zuordnen"},
        {"SpeedButton1", u"Hile aufrufen"},
        {"DBGrid1", u"Inland-Datensätze"},
        {"DBGrid6", u"SEPA-Datensätze"},
        {"SGDatenbank", u"Spaltenzuordnung"},
        {"SGDatei", u"Quelldatei-Vorschau"},
        {"DBGrid3", u"Buchungs-Historie Inland"},
        {"DBGrid7", u"Buchungs-Historie SEPA"},
        {"DBGrid4", u"Dateien"},
        {"DBGrid5", u"Inland-Datensätze der Datei"},
        {"DBGrid8", u"SEPA-Datensätze der Datei"},
        {"MLog", u"Log"},
    };
    for (const auto &[name, caption] : expected) {
        QWidget *w = find<QWidget>(name);
        ASSERT_TRUE(w) << name;
        if (qobject_cast<QComboBox *>(w)) {
            // A combo box keeps its caption as its name while it shows a Mandant, and points
            // to its label by the "labelled by" relation, which screen readers announce too.
            EXPECT_EQ(nameOf(w), QString::fromUtf16(caption)) << name;
            EXPECT_EQ(labelOf(w), QString::fromUtf16(caption)) << name;
            QAccessibleInterface *i = QAccessible::queryAccessibleInterface(w);
            EXPECT_EQ(i->text(QAccessible::Value), qobject_cast<QComboBox *>(w)->currentText());
            EXPECT_EQ(i->role(), QAccessible::ComboBox);
            EXPECT_GE(i->childCount(), 1) << "its list, as Qt gives it";
            continue;
        }
        EXPECT_EQ(nameOf(w), QString::fromUtf16(caption)) << name;
    }

    // The table box takes typed names: its text field is named like the box.
    EXPECT_EQ(nameOf(find<QComboBox>("CBTabellen")->lineEdit()), QStringLiteral("Tabelle"));

    // Everything else that takes focus has a name: a button by its caption, a field by the
    // list above. Nothing is left nameless.
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
                             qobject_cast<QComboBox *>(w) || qobject_cast<QTableView *>(w) ||
                             qobject_cast<QPlainTextEdit *>(w);
        if (!control || w->objectName().isEmpty() || w->objectName().startsWith(u"qt_") ||
            w->parent()->inherits("QComboBox") || w->parent()->inherits("QAbstractSpinBox"))
            continue;
        EXPECT_FALSE(nameOf(w).isEmpty()) << w->objectName().toStdString();
    }

    // Tabs and menu entries are named by their captions.
    QTabBar *bar = window->tabs()->tabBar();
    EXPECT_EQ(bar->accessibleTabName(0).isEmpty() ? bar->tabText(0) : bar->accessibleTabName(0),
              QStringLiteral("Hauptseite"));
}
