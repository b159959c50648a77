#pragma once

#include <QDate>
#include <QString>

// The operations of the main window, by the names its controls and handlers carry. Each
// works on the Context; none opens a window itself (dialogs go through the services).

namespace ordovan::platform {
class TabularRowSet;
}

namespace ordovan::app {

class Context;
struct MainState;

// --- Settings (settings.cpp) -----------------------------------------------------------
qint32 ReadGlobalInteger(Context &ctx, QStringView name);
QString ReadGlobalString(Context &ctx, QStringView name);
void WriteGlobalInteger(Context &ctx, QStringView name, qint32 value);
void WriteGlobalString(Context &ctx, QStringView name, const QString &value);
qint32 ReadMandantInteger(Context &ctx, QStringView name);
QString ReadMandantString(Context &ctx, QStringView name);
void WriteMandantInteger(Context &ctx, QStringView name, qint32 value);
void WriteMandantString(Context &ctx, QStringView name, const QString &value);
void LoadSettings(Context &ctx);
void SaveSettings(Context &ctx);
void LoadColumnWidths(Context &ctx);
void SaveColumnWidths(Context &ctx);
// CB8Verw and CBIBANonly: rebuild the mapping grid for four or eight purpose lines.
void CB8VerwClick(Context &ctx);

// --- Start-up and window lifecycle (startup.cpp) ---------------------------------------
void FormCreate(Context &ctx);
void FormShow(Context &ctx);
void FormClose(Context &ctx);
// Steps 16 to 18 of the start-up: Mandant, payment type and run from the command line.
void ApplyCommandLine(Context &ctx);
// Heights of the record grids for the window's outer height: (height - constant) / 2,
// halves to the even neighbour.
int gridHeight(int outerHeight, int constant);
void FormResize(Context &ctx, int outerHeight);

// --- Log page and target file ----------------------------------------------------------
void Button9Click(Context &ctx);      // "Löschen": clears the processing log
void Button10Click(Context &ctx);     // "Speichern": the log to a file the user names
void SpeedButton2Click(Context &ctx); // chooses the target file

// --- Record numbers and filters (filters.cpp) ------------------------------------------
// Sets "ID > " + counter as the filters of ClientDataSet1 and ClientDataSetAZV, both on.
void BuildNewRecordsFilters(Context &ctx);

// --- Sources and mapping (source import) -----------------------------------------------
// The option handler: empties the source grid, re-reads the source once start-up is done.
void RBKommaClick(Context &ctx);
// The browse button beside EQuelldatei.
void SpeedButton4Click(Context &ctx);
// Chooses the reader by the extension; the batch run compares it in lower case.
void ReadSource(Context &ctx, bool batchRun);
void ReadTextSource(Context &ctx);
void ReadWorkbookSource(Context &ctx);
void ReadDatabaseSource(Context &ctx);
// Copies an opened sheet or table into SGDatei; throws Error when its rows cannot be read.
void FillGridFromDataSet(Context &ctx, platform::TabularRowSet &rows);
void BuildMappingGrid(Context &ctx);
void ShowMappingPreview(Context &ctx);
void SpeedButton5Click(Context &ctx); // assign the selected source field
void Button4Click(Context &ctx);      // "Zuordnung löschen"
void ImportRecords(Context &ctx);

// --- History (record identifiers, filters and history) ---------------------------------
void AddHistoryEntry(Context &ctx, const QString &logFilePath);
void ArchiveRunRecords(Context &ctx);
void PageControl1Change(Context &ctx, int pageIndex);
void HistoryRowChanged(Context &ctx);
void ZeileLoeschenClick(Context &ctx);
void HistorienLoeschenClick(Context &ctx);
void LogDateiAnzeigenClick(Context &ctx);

// --- Mandanten -------------------------------------------------------------------------
// Applies the text of CBMandanten; throws Error (conversion) when its number is no number.
void CBMandantenChange(Context &ctx, bool fromWizard = false);
// Fills CBMandanten and selects the stored Mandant; shows Label9 when that fails.
void FillMandantCombo(Context &ctx);
// Start-up: converts db3.xml into mandant.xml when only the old file exists. True when it
// converted (a first start).
bool ConvertOldMandanten(Context &ctx);
// The bank names Bank1..Bank3 of ClientDataSet3 from the bank directory; FormCreate installs
// them once.
void InstallMandantHooks(Context &ctx);
// Menu "Mandanten" > "Neu": a new Mandant in the editor, then the combo selection again.
void MandantNeuClick(Context &ctx);
// Menu "Mandanten" > "Bearbeiten": the current Mandant in the editor, then the selection again.
void MandantBearbeitenClick(Context &ctx);
// The button "Finden" beside CBMandanten: the editor, then the combo list filled anew.
void MandantFindenClick(Context &ctx);

// --- SEPA file creation ----------------------------------------------------------------
void CreateSepaFile(Context &ctx, bool directDebit, const QString &localInstrument, bool ibanOnly);
// The tooltip of the execution date field: empty when the file will name the chosen date,
// else the date it will name instead.
QString executionDateHint(const MainState &s, const QDate &today);

// --- Batch run and reports -------------------------------------------------------------
void BStartClick(Context &ctx);
void BBegleitClick(Context &ctx);
void BBuchungsClick(Context &ctx);
// History tab: "Begleitzettel drucken" and " Buchungsliste drucken" for the selected row.
void Button13Click(Context &ctx);
void SRColorButton6Click(Context &ctx);

} // namespace ordovan::app
