#pragma once

#include <QList>
#include <QString>

namespace ordovan::store {
class Table;
}

namespace ordovan::app {

class Context;

// The Mandant editor window ("Mandantenverwaltung"), shown modally on the current row of
// ClientDataSet3. The operations behind "Neu", "Bearbeiten" and "Finden" call it through this
// interface: the window provides one, the tests a scripted one, a run without windows none.
class MandantEditor
{
public:
    virtual ~MandantEditor() = default;
    // Returns when the editor has been closed.
    virtual void edit(Context &ctx) = 0;
};

// --- What the editor window does, without the window ------------------------------------
// Every box of the editor is bound to a field of the current row of ClientDataSet3. A change
// starts editing that row (or a new one when there is none), "Speichern", the navigation and
// the close check post it, and whatever reaches the table is written to mandant.xml at once.

namespace mandanteditortext {
extern const QString kDeleteQuestion;      // "Möchten Sie diesen Mandanten wirklich löschen?"
extern const QString kSaveChangesQuestion; // "Änderungen speichern beim aktuellen Datensatz?"
} // namespace mandanteditortext

// One box of the editor: the field it shows and the caption beside it.
struct MandantBox
{
    QString field;
    QString caption;
    bool readOnly = false; // "ID" and the bank names
};
// The boxes of the left and the right column, top to bottom. The right column ends with the
// radio buttons of "Aktives Konto", which are no box.
const QList<MandantBox> &mandantEditorLeftColumn();
const QList<MandantBox> &mandantEditorRightColumn();
// Characters a text box holds at most (its field's width); 0 for other boxes.
int mandantFieldWidth(const store::Table &m, const QString &field);

// Which controls can act now.
struct MandantEditorControls
{
    bool editable = false;    // the boxes, the radio buttons and "NEU": the table is open
    bool canSave = false;     // "Speichern": a change is pending (insert or edit)
    bool canDelete = false;   // "Löschen": there is a Mandant, saved or new
    bool canPrevious = false; // navigator
    bool canNext = false;
};
MandantEditorControls mandantEditorControls(const Context &ctx);

// A box's text goes into its field of the current Mandant. Throws Error with a German message
// for text the field cannot hold (too long, a character outside the file's code page, a bank
// code that is no number of up to eight digits); the row then keeps its value.
void setMandantField(Context &ctx, const QString &field, const QString &text);
// The radio buttons "Konto 1" to "Konto 3".
void setActiveAccount(Context &ctx, int account);

// "NEU": a new Mandant with its number and account 1 (a pending change is posted first).
void startNewMandant(Context &ctx);
// "Speichern": posts a pending change; nothing when there is none.
void saveMandant(Context &ctx);
// "Löschen": asks first; returns true when the Mandant was deleted. The Mandant's settings,
// its history and its records stay.
bool deleteMandant(Context &ctx);
// Navigator: the neighbouring Mandant in ID order, after posting a pending change.
void showPreviousMandant(Context &ctx);
void showNextMandant(Context &ctx);
// The close check: with a pending change asks whether to save it (Yes posts, No discards).
// Returns false when the user cancels and the editor stays open.
bool confirmCloseMandantEditor(Context &ctx);

} // namespace ordovan::app
