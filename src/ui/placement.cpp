#include "placement.h"

#include <QWidget>

namespace ordovan::ui {

void centreOnParent(QWidget *window)
{
    if (!window->parentWidget())
        return;
    // A window never sized yet takes the size its layout asks for first.
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    const QWidget *over = window->parentWidget()->window();
    window->move(over->geometry().center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace ordovan::ui
