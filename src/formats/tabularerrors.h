#pragma once

#include <QString>

// The German texts of the tabular readers' errors. The operations log their own lines for a
// failed read; these texts travel as the Error's message for the diagnostics and the tests.

namespace ordovan::formats::tabular_errors {

inline QString cannotOpen(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden.").arg(path);
}
inline QString notAWorkbook(const QString &path)
{
    return QStringLiteral("\"%1\" ist keine Excel- oder OpenDocument-Arbeitsmappe.").arg(path);
}
inline QString notADatabase(const QString &path)
{
    return QStringLiteral("\"%1\" ist keine Access-Datenbank.").arg(path);
}
inline QString encrypted(const QString &path)
{
    return QStringLiteral("\"%1\" ist verschlüsselt oder kennwortgeschützt.").arg(path);
}
inline QString damaged(const QString &path)
{
    return QStringLiteral("\"%1\" ist beschädigt.").arg(path);
}
inline QString notFound(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" wurde nicht gefunden.").arg(path);
}
inline QString unreadable(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(path);
}
inline QString unsupportedXlsb()
{
    return QStringLiteral(
        "Das Format .xlsb wird nicht unterstützt. Bitte die Arbeitsmappe als .xlsx speichern.");
}
inline QString noSuchTable(const QString &name)
{
    return QStringLiteral("Die Tabelle \"%1\" gibt es in der Datei nicht.").arg(name);
}
inline QString tooManyCells(qint64 limit)
{
    return QStringLiteral("Die Tabelle ist zu groß (mehr als %1 Zellen).").arg(limit);
}
inline QString tooManyRows(qint64 limit)
{
    return QStringLiteral("Die Tabelle ist zu groß (mehr als %1 Zeilen).").arg(limit);
}
inline QString tooMuchText()
{
    return QStringLiteral("Die Tabelle enthält zu viel Text.");
}
inline QString partTooLarge(const QString &part)
{
    return QStringLiteral("\"%1\" ist entpackt zu groß.").arg(part);
}
inline QString fileTooLarge(const QString &path)
{
    return QStringLiteral("\"%1\" ist zu groß.").arg(path);
}

} // namespace ordovan::formats::tabular_errors
