#pragma once

#include <QString>
#include <functional>

namespace ordovan::formats {
class TabularRowSet;
}
namespace ordovan::import {
class SourceGrid;
}

// The log texts of the workbook and database readers, exactly as they reach the log.

namespace ordovan::app::tabular_log {

inline const QString kExcelStart = QStringLiteral(" Exceldatei ÖFFNEN START");
inline const QString kExcelEnd = QStringLiteral(" Exceldatei ÖFFNEN ENDE");
inline const QString kExcelNotFound =
    QStringLiteral(" Exceldatei konnte nicht gefunden werden oder auf dem Computer ist kein "
                   "Excel installiert.");
inline const QString kExcelReadError = QStringLiteral(" Fehler beim Lesen in der Exceldatei");
inline const QString kExcelOpenError = QStringLiteral(" Fehler beim Öffnen von Excel");

inline const QString kAccessStart = QStringLiteral(" Accessdatei ÖFFNEN START");
inline const QString kAccessEnd = QStringLiteral(" Accessdatei ÖFFNEN ENDE");
inline const QString kAccessNotFound = QStringLiteral(" Accessdatei konnte nicht gefunden werden");
inline const QString kAccessReadError = QStringLiteral(" Fehler beim Lesen in der Accessdatei");
inline const QString kAccessOpenError = QStringLiteral(" Fehler beim Öffnen von Access");

} // namespace ordovan::app::tabular_log

namespace ordovan::app {

// Copies an opened sheet or table into a source grid, one grid column per row: the counts
// first, then every cell found (the grid is not emptied). A cell that cannot be had keeps its
// text; throws Error when the rows cannot be read at all.
void fillGridFromRows(import::SourceGrid &grid, formats::TabularRowSet &rows,
                      const std::function<void(int, int)> &progress = {});

} // namespace ordovan::app
