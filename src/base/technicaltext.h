#pragma once

#include <QString>

namespace ordovan::german {

// The reason beneath an error message, as the system or a library gave it (the C library's
// texts of a failed open or write, the XML parsers', the zip library's), in German: every
// phrase it knows is replaced wherever it stands, so "Zeile 1, Spalte 9: unclosed token"
// and "Read error: No such file or directory" come out whole. Anything else stays as it is.
QString technicalText(const QString &detail);

} // namespace ordovan::german
