#pragma once

class QWidget;

namespace ordovan::ui {

// Places a window centred on the window of its parent, each time it opens: Qt centres a
// dialog only when it is first shown, and then on whatever window was active.
void centreOnParent(QWidget *window);

} // namespace ordovan::ui
