#pragma once

#include <QString>

namespace ordovan::app {

// Which payment table holds the records of a history row: the SEPA table ClientDataSetAZV for
// rows written by the SEPA run (one of the four payment-type captions, or empty when that run
// wrote no record) and for "Gutschriften EU"; the domestic table ClientDataSet1 for any other
// row. The history-row change and the booking list of a history row both follow it.
bool historyRowUsesSepaTable(const QString &zahlungsart);

} // namespace ordovan::app
