#pragma once

namespace ordovan::app {

class Context;

// The Mandant editor window ("Mandantenverwaltung"), shown modally on the current row of
// ClientDataSet3. The operations behind "Neu", "Bearbeiten" and "Finden" call it through this
// interface: the window provides one, the tests a scripted one, a run without windows none.
class MandantEditor
{
public:
    virtual ~MandantEditor() = default;
    // Returns when the editor has been closed.
    virtual void edit(Context &ctx) = 0;
};

} // namespace ordovan::app
