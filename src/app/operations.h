#pragma once

#include <QDate>
#include <QString>

// The operations of the program, named by what they do. The windows call them from their
// controls (each window's connect table names the control); the command line and the tests
// call them directly. Each works on the Context; none opens a window itself (dialogs go
// through the services).

namespace ordovan::formats {
class TabularRowSet;
}

namespace ordovan::app {

class Context;
struct MainState;
enum class Page;

// --- Settings (settings.cpp) -----------------------------------------------------------
qint32 readGlobalInteger(Context &ctx, QStringView name);
QString readGlobalString(Context &ctx, QStringView name);
void writeGlobalInteger(Context &ctx, QStringView name, qint32 value);
void writeGlobalString(Context &ctx, QStringView name, const QString &value);
qint32 readMandantInteger(Context &ctx, QStringView name);
QString readMandantString(Context &ctx, QStringView name);
void writeMandantInteger(Context &ctx, QStringView name, qint32 value);
void writeMandantString(Context &ctx, QStringView name, const QString &value);
void loadSettings(Context &ctx);
void saveSettings(Context &ctx);
void loadColumnWidths(Context &ctx);
void saveColumnWidths(Context &ctx);
// CB8Verw and CBIBANonly: rebuild the mapping grid for four or eight purpose lines.
void applyPurposeLineLayout(Context &ctx);

// --- Start-up and window lifecycle (startup.cpp) ---------------------------------------
// Title, data folder, tables and the initial state: what happens before the window shows.
void prepareProgram(Context &ctx);
// The start-up sequence when the window first shows: tables, Mandant, mapping, command line.
void startUp(Context &ctx);
// The same without the command line: what a restore runs again.
void loadStartUpState(Context &ctx);
// Closing the window: settings and column widths saved, every table written.
void closeMainWindow(Context &ctx);
// Steps 16 to 18 of the start-up: Mandant, payment type and run from the command line.
void applyCommandLine(Context &ctx);
// Heights of the record grids for the window's outer height: (height - constant) / 2,
// halves to the even neighbour.
int gridHeight(int outerHeight, int constant);
void resizeGrids(Context &ctx, int outerHeight);

// --- Log page and target file ----------------------------------------------------------
void clearLog(Context &ctx);         // "Löschen": clears the processing log
void saveLogAs(Context &ctx);        // "Speichern": the log to a file the user names
void chooseTargetFile(Context &ctx); // chooses the target file

// --- Record numbers and filters (filters.cpp) ------------------------------------------
// Sets "ID > " + counter as the filters of ClientDataSet1 and ClientDataSetAZV, both on.
void setNewRecordsFilters(Context &ctx);

// --- Sources and mapping (source import) -----------------------------------------------
// The option handler: empties the source grid, re-reads the source once start-up is done.
void sourceOptionsChanged(Context &ctx);
// The browse button beside EQuelldatei.
void chooseSourceFile(Context &ctx);
// Chooses the reader by the extension; the batch run compares it in lower case.
void readSource(Context &ctx, bool batchRun);
void readTextSource(Context &ctx);
void readWorkbookSource(Context &ctx);
void readDatabaseSource(Context &ctx);
// Copies an opened sheet or table into SGDatei; throws Error when its rows cannot be read.
void fillGridFromRows(Context &ctx, formats::TabularRowSet &rows);
void buildMappingGrid(Context &ctx);
void showMappingPreview(Context &ctx);
void assignSelectedSourceField(Context &ctx); // assign the selected source field
void clearAssignment(Context &ctx);           // "Zuordnung löschen"
void importRecords(Context &ctx);

// --- History (record identifiers, filters and history) ---------------------------------
void addHistoryEntry(Context &ctx, const QString &logFilePath);
void archiveRunRecords(Context &ctx);
void pageChanged(Context &ctx, Page page);
void historyRowChanged(Context &ctx);
void deleteHistoryRow(Context &ctx);
void deleteArchives(Context &ctx);
void showHistoryLogFile(Context &ctx);

// --- Mandanten -------------------------------------------------------------------------
// Applies the text of CBMandanten; throws Error (conversion) when its number is no number.
void selectMandantFromCombo(Context &ctx, bool fromWizard = false);
// Fills CBMandanten and selects the stored Mandant; shows Label9 when that fails.
void fillMandantCombo(Context &ctx);
// Start-up: converts db3.xml into mandant.xml when only the old file exists. True when it
// converted (a first start).
bool convertOldMandanten(Context &ctx);
// The bank names Bank1..Bank3 of ClientDataSet3 from the bank directory; prepareProgram installs
// them once.
void installMandantHooks(Context &ctx);
// Menu "Mandanten" > "Neu": a new Mandant in the editor, then the combo selection again.
void newMandant(Context &ctx);
// Menu "Mandanten" > "Bearbeiten": the current Mandant in the editor, then the selection again.
void editMandant(Context &ctx);
// The button "Finden" beside CBMandanten: the editor, then the combo list filled anew.
void findMandant(Context &ctx);

// --- SEPA file creation ----------------------------------------------------------------
void createSepaFile(Context &ctx, bool directDebit, const QString &localInstrument, bool ibanOnly);
// The tooltip of the execution date field: empty when the file will name the chosen date,
// else the date it will name instead.
QString executionDateHint(const MainState &s, const QDate &today);

// --- Help (help.cpp) ------------------------------------------------------------------
extern const QString kManualFileName; // "Ordovan Pro - Handbuch.pdf"
extern const QString kWebPage;
// The manual beside the program or in the installed documentation; empty when missing.
QString manualPath(const QString &programFolder);
// "Handbuch aufrufen", F1 and the help buttons: the manual with the default PDF viewer;
// nothing when it is missing.
void openManual(Context &ctx);
// "Brunnhold Software im Internet".
void openWebPage(Context &ctx);

// --- Batch run and reports -------------------------------------------------------------
void runBatch(Context &ctx);
void printCoverSheet(Context &ctx);
void printBookingList(Context &ctx);
// History tab: "Begleitzettel drucken" and " Buchungsliste drucken" for the selected row.
void printHistoryCoverSheet(Context &ctx);
void printHistoryBookingList(Context &ctx);

} // namespace ordovan::app
