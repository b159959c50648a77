// Placeholders for the source import operations; each goes away when the real one lands.
#include "context.h"
#include "operations.h"

namespace ordovan::app {

void RBKommaClick(Context &ctx)
{
    ctx.state.SGDatei.clearCells();
}
void SpeedButton4Click(Context &) {}
void ReadSource(Context &, bool) {}
void ReadTextSource(Context &) {}
void BuildMappingGrid(Context &) {}
void ShowMappingPreview(Context &) {}
void SpeedButton5Click(Context &) {}
void Button4Click(Context &) {}
void ImportRecords(Context &) {}
void AddHistoryEntry(Context &, const QString &) {}
void ArchiveRunRecords(Context &) {}
void PageControl1Change(Context &, int) {}
void HistoryRowChanged(Context &) {}
void ZeileLoeschenClick(Context &) {}
void HistorienLoeschenClick(Context &) {}
void LogDateiAnzeigenClick(Context &) {}

} // namespace ordovan::app
