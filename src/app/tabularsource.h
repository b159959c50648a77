#pragma once

#include <QString>

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
