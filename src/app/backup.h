#pragma once

#include <QString>
#include <QStringList>

// Backup and restore ("Datenbank sichern/zurücklesen"): the six working tables and the
// settings export einstellungen.reg in one folder.
namespace ordovan::app {

class Context;

namespace backuptext {
inline const QString kSettingsFile = QStringLiteral("einstellungen.reg");
inline const QString kConfirmRestore =
    QStringLiteral("Beim Zurücklesen der Datenbank werden alle jetzigen Daten mit der "
                   "zurückgelesenen Version überschrieben! Sind Sie sicher?");
inline const QString kConfirmCaption = QStringLiteral("Bestätigen");
inline QString missing(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" fehlt in der Sicherung. Es wurde nichts "
                          "zurückgelesen.")
        .arg(path);
}
inline QString unreadable(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden. Es wurde nichts "
                          "zurückgelesen.")
        .arg(path);
}
inline QString damaged(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" ist beschädigt. Es wurde nichts zurückgelesen.")
        .arg(path);
}
inline QString noFolder(const QString &path)
{
    return QStringLiteral("Das Verzeichnis \"%1\" ist nicht vorhanden.").arg(path);
}
} // namespace backuptext

// "Sichern": writes the six tables and einstellungen.reg into the folder (a "/" is appended
// to it first, and the caller's text shows it). Returns the files written; throws Error
// naming the file that could not be written (the ones before it stay).
QStringList backupData(Context &ctx, QString &folder);

// "Zurücklesen": after the confirmation (when asked for), checks that every file of the
// backup is there and readable, then replaces the tables and the whole settings key, keeps the
// counters above every restored number, and runs the start-up load sequence again. Returns
// the files read; nothing when the user said no. Throws Error, changing nothing, when the
// backup is incomplete or damaged.
QStringList restoreData(Context &ctx, QString &folder, bool ask);

// The window's buttons: each folder button lets the user pick the folder (the chooser shows
// the current one); "Sichern" and "Zurücklesen" work on the folder shown and return true when
// the window closes. An error is shown as the file layer gives it; the window stays open.
void chooseBackupFolder(Context &ctx);
void chooseRestoreFolder(Context &ctx);
bool saveBackupFromWindow(Context &ctx);
bool readBackupFromWindow(Context &ctx);

} // namespace ordovan::app
