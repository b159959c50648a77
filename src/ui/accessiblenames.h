#pragma once

namespace ordovan::ui {

// On Linux Qt names a combo box after its current text and leaves the caption of its label
// to a relation, so a screen reader or a script that looks for the field "Mandant" finds it
// only while it is empty. Once installed (after the application object exists), a combo box
// that carries an accessible name keeps that name; its text stays its value, and everything
// else is Qt's own combo box interface.
void keepComboBoxNames();

} // namespace ordovan::ui
