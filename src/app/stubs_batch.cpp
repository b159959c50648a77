// Placeholders for the batch run and the reports; each goes away when the real one lands.
#include "context.h"
#include "operations.h"

namespace ordovan::app {

void BStartClick(Context &) {}
void BBegleitClick(Context &) {}
void BBuchungsClick(Context &) {}

} // namespace ordovan::app
