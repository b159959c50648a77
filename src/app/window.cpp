// Handlers of the main window that only move values between the state, the dialogs and
// files: the log page's buttons, the target file chooser and the grid heights.
#include "context.h"
#include "operations.h"

#include "platform/dialogs.h"

#include <cmath>

namespace ordovan::app {

void clearLog(Context &ctx)
{
    ctx.state.log.MLog.clear();
}

void saveLogAs(Context &ctx)
{
    const auto path = ctx.dialogs().saveFile(QStringLiteral("*.*"), QString());
    if (!path)
        return;
    ctx.state.log.MLog.writeTo(*path);
}

void chooseTargetFile(Context &ctx)
{
    const auto path = ctx.dialogs().saveFile(QStringLiteral("SEPA-Datei|*.xml|DTAUS-Datei|*.*"),
                                             QStringLiteral("xml"));
    if (path)
        ctx.state.main.EZieldatei = *path;
}

int gridHeight(int outerHeight, int constant)
{
    // Halves go to the even neighbour.
    return int(std::nearbyint((outerHeight - constant) / 2.0));
}

void resizeGrids(Context &ctx, int outerHeight)
{
    MainState &s = ctx.state;
    s.window.mainGridHeight = gridHeight(outerHeight, 502);    // DBGrid1, DBGrid6
    s.window.bookingGridHeight = gridHeight(outerHeight, 73);  // DBGrid3, DBGrid7
    s.window.historyGridHeight = gridHeight(outerHeight, 305); // DBGrid5, DBGrid8
}

} // namespace ordovan::app
