#pragma once

#include "printing.h"

#include <QString>

namespace ordovan::reports {

// One drawing call of a print job, kept so that the job can be drawn again: on the preview's
// pages, on the printer the preview prints to, or compared call by call in the tests.
struct RecordedCall
{
    enum Kind
    {
        Text,
        Line,
        NewPage
    } kind = Text;
    int x = 0;
    int y = 0;
    int x2 = 0; // lines
    int y2 = 0;
    int penWidth = 0;
    QString text;
    TextStyle style;

    // One readable line, e.g. "text 300 -200 TL Times New Roman/48 Begleitzettel vom ..."
    // or "line 250 -400 1600 -400 pen 2" or "page".
    QString describe() const;
};

} // namespace ordovan::reports
