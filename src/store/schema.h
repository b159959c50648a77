#pragma once

#include "table.h"

#include <QList>
#include <QStringList>

namespace ordovan::store {

// Field lists of the eight tables, in stored order.
QList<FieldDef> domesticPaymentFields();   // ClientDataSet1, ClientDataSetHisInl
QList<FieldDef> sepaPaymentFields();       // ClientDataSetAZV, ClientDataSetHisAZV
QList<FieldDef> historyFields();           // ClientDataSet2
QList<FieldDef> mandantFields();           // ClientDataSet3
QList<FieldDef> mandantCalculatedFields(); // Bank1..Bank3
QList<FieldDef> bankDirectoryFields();     // ClientDataSet4
QList<FieldDef> oldMandantFields();        // ClientDataSetMandantAlt
// The fields of a schema that came after the program's first table files; a file without
// them still loads, and the fields are added to it.
QList<FieldDef> fieldsAddedLater(const QList<FieldDef> &schema);

} // namespace ordovan::store
