// Placeholders for the workbook and database readers; they go away when the real ones land.
#include "context.h"
#include "operations.h"

namespace ordovan::app {

void ReadWorkbookSource(Context &) {}
void ReadDatabaseSource(Context &) {}

} // namespace ordovan::app
