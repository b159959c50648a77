// Handlers of the main window that only move values between the state, the dialogs and
// files: the log page's buttons, the target file chooser and the grid heights.
#include "context.h"
#include "operations.h"

#include "platform/dialogs.h"

#include <cmath>

namespace ordovan::app {

void clearLog(Context &ctx)
{
    ctx.state.MLog.clear();
}

void saveLogAs(Context &ctx)
{
    const auto path = ctx.dialogs().saveFile(QStringLiteral("*.*"), QString());
    if (!path)
        return;
    ctx.state.MLog.writeTo(*path);
}

void chooseTargetFile(Context &ctx)
{
    const auto path = ctx.dialogs().saveFile(QStringLiteral("SEPA-Datei|*.xml|DTAUS-Datei|*.*"),
                                             QStringLiteral("xml"));
    if (path)
        ctx.state.EZieldatei = *path;
}

int gridHeight(int outerHeight, int constant)
{
    // Halves go to the even neighbour.
    return int(std::nearbyint((outerHeight - constant) / 2.0));
}

void resizeGrids(Context &ctx, int outerHeight)
{
    MainState &s = ctx.state;
    s.mainGridHeight = gridHeight(outerHeight, 502);    // DBGrid1, DBGrid6
    s.bookingGridHeight = gridHeight(outerHeight, 73);  // DBGrid3, DBGrid7
    s.historyGridHeight = gridHeight(outerHeight, 305); // DBGrid5, DBGrid8
}

} // namespace ordovan::app
