#pragma once

#include "state.h"

#include "import/sourcegrid.h"
#include "sepa/generation.h"

#include <QString>
#include <QStringList>

// The setup wizard ("Einstellungsassistent für Ordovan Profi") without its window: its own
// fields, its simple source readers, the mapping on its four-line grid, the Mandant step and
// the finish that hands everything to the main window. The wizard holds no mapping of its own:
// its arrow writes into the main window's ColumnMapping at once, and the Mandant chosen in
// step 4 is current at once; everything else reaches the main window only at " Abschluss".

namespace ordovan::app {

class Context;

namespace wizardtext {
// The three messages of the wizard's readers, exactly as the user knows them.
extern const QString kExcelNotFound;  // "Exceldatei konnte nicht gefunden werden"
extern const QString kAccessNotFound; // "Accessdatei konnte nicht gefunden werden"
extern const QString kSourceNotFound; // "Quelldatei konnte nicht gefunden werden"
// A file that opened but could not be read to its end.
extern const QString kExcelReadError;  // "Fehler beim Lesen in der Exceldatei"
extern const QString kAccessReadError; // "Fehler beim Lesen in der Accessdatei"
extern const QString kSourceReadError; // "Fehler beim Lesen in der Quelldatei"
// The save dialog of step 6: proposed name and filter.
extern const QString kTargetFileName; // "DTAUS0"
extern const QString kTargetFilter;   // "SEPA-Datei|*.xml"
} // namespace wizardtext

// The four pages, one visible at a time.
enum class WizardPage
{
    Start,   // PStart
    Source,  // P1: steps 1 and 2
    Mapping, // P2: step 3
    Finish,  // P3: steps 5 and 6
};

// The wizard's own fields. The window creates them once and keeps them between showings.
struct WizardState
{
    WizardPage page = WizardPage::Start;

    // Steps 1 and 2
    QString EQuelldatei;
    QStringList CBTabellenItems;
    QString CBTabellenText;
    bool CBTitelzeile = false;
    Separator separator = Separator::Semicolon;
    import::SourceGrid SGDatei;

    // Step 3: the mapping grid always has the four-line layout, 19 rows.
    MappingGrid SGDatenbank{.rowCount = 19};
    import::SourceGrid SgDatei2;

    // Step 4: the Mandant the wizard works for, as its combo entry ("1 -  Name").
    QString mandantEntry;

    // Steps 5 and 6
    int RGZahlungsart = LastschriftCore;
    QString EZieldatei;
    sepa::Generation SEPAFormat = sepa::Generation::V2019;
};

// The labels of the wizard's mapping grid, rows 1 to 18 ("Name" ... "Datum").
const QStringList &wizardMappingLabels();

// The first-start timer: the wizard opens once after a start that created the tables, never
// in a run without windows.
bool wizardDueAfterStart(const Context &ctx);

// Showing: the main window's purpose-line handler runs, then the start page shows.
void openWizard(Context &ctx, WizardState &w);
// " Start", " zurück zu Schritt 1", " zurück zu Schritt 3".
void showWizardPage(WizardState &w, WizardPage page);

// --- Steps 1 and 2 --------------------------------------------------------------------
// The file button: empties the table list, takes the chosen path and reads.
void chooseWizardSourceFile(Context &ctx, WizardState &w);
// A table chosen in the list, a separator or the title row option: read again.
void chooseWizardTable(Context &ctx, WizardState &w, const QString &table);
void setWizardSeparator(Context &ctx, WizardState &w, Separator separator);
void setWizardTitleRow(Context &ctx, WizardState &w, bool on);
// Reads EQuelldatei into the wizard's SGDatei by its extension; nothing while it is empty.
// Failures are shown in a message box; the grid keeps what it held.
void readWizardSource(Context &ctx, WizardState &w);
// The three readers behind it.
void readWizardTextSource(Context &ctx, WizardState &w);
void readWizardWorkbookSource(Context &ctx, WizardState &w);
void readWizardDatabaseSource(Context &ctx, WizardState &w);

// --- Step 3 ---------------------------------------------------------------------------
// " Weiter": the preview becomes the source grid of step 3, the mapping grid gets its labels.
void showWizardMapping(WizardState &w);
// The arrow: the selected source field of SgDatei2 feeds the selected row of the mapping grid.
void assignWizardField(Context &ctx, WizardState &w);

// --- Step 4 ---------------------------------------------------------------------------
// " Schritt 4": the Mandant editor, then the Mandant choice without loading its settings, then
// steps 5 and 6.
void chooseWizardMandant(Context &ctx, WizardState &w);

// --- Steps 5 and 6 and the finish -----------------------------------------------------
// The file button of step 6: the save dialog proposing "DTAUS0"; ".xml" is added to a name
// without extension.
void chooseWizardTargetFile(Context &ctx, WizardState &w);
// " Abschluss": hands everything to the main window, saves the settings and reads the source
// with the main window's options. The window closes afterwards; an Error leaves it open.
void finishWizard(Context &ctx, WizardState &w);

} // namespace ordovan::app
