#pragma once

namespace ordovan::store {

class Table;

// Fills the table with the built-in bank directory (fields BLZ, Bank), generated at build
// time from the Bundesbank bank code file: one row per bank office, in the file's order,
// each an inserted row as a fresh table would hold it.
void fillBuiltInBankDirectory(Table &table);

// Number of rows of the built-in directory.
int builtInBankDirectoryRows();

} // namespace ordovan::store
