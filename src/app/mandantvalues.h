#pragma once

namespace ordovan::app {

class Context;

// Reads every value of the current Mandant's key into the state, in the order the window
// has always read them, with the reactions the window's controls had (a changed source
// option re-reads the source, a changed layout rebuilds the mapping grid).
void readMandantValues(Context &ctx);
// Writes every value of the current Mandant's key from the state, in the order of the
// settings file. Without a current Mandant nothing is written.
void writeMandantValues(Context &ctx);

} // namespace ordovan::app
