// Placeholders for the Mandant and SEPA operations; each goes away when the real one lands.
#include "context.h"
#include "operations.h"

namespace ordovan::app {

void CBMandantenChange(Context &, bool) {}
void FillMandantCombo(Context &ctx)
{
    ctx.state.Label9Visible = true;
}
bool ConvertOldMandanten(Context &)
{
    return false;
}
void CreateSepaFile(Context &, bool, const QString &, bool) {}

} // namespace ordovan::app
