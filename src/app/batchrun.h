#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace ordovan::store {
class Table;
}

namespace ordovan::app {

class Context;

// Status texts of the batch run (second panel of the status bar) and its one message.
namespace batchtexts {
inline const QString starting = QStringLiteral("Verarbeitung beginnt...");
inline const QString sourceNotFound =
    QStringLiteral("Die Quelldatei konnte nicht gefunden werden!");
inline const QString sourceUnreadable = QStringLiteral("Fehler beim Lesen aus der Quelldatei!");
inline const QString importFailed =
    QStringLiteral("Beim Einlesen eines Datensatzes ist ein Fehler aufgetreten: Siehe Log-Datei");
inline const QString finished = QStringLiteral("Verarbeitung beendet");
inline const QString noSource = QStringLiteral("Keine Quelldatei angegeben!");
inline const QString repeatRefused = QStringLiteral("Verarbeitung abgebrochen");
inline const QString questionCaption = QStringLiteral("Frage");
// The steps a window shows while a run goes on.
inline const QString stepReading = QStringLiteral("Quelldatei wird gelesen");
inline const QString stepImporting = QStringLiteral("Datensätze werden eingelesen");
inline const QString stepChecking = QStringLiteral("Datensätze werden geprüft");
inline const QString stepWriting = QStringLiteral("SEPA-Datei wird erstellt");
inline const QString stepLogFile = QStringLiteral("Log-Datei wird geschrieben");
inline const QString stepArchiving = QStringLiteral("Datensätze werden archiviert");
inline const QString stepSaving = QStringLiteral("Daten werden gespeichert");
inline QString alreadyProcessed(const QDate &when, const QString &file)
{
    return QStringLiteral("Diese Quelldatei wurde am %1 bereits verarbeitet (Datei %2). Trotzdem "
                          "erneut verarbeiten?")
        .arg(when.toString(QStringLiteral("dd.MM.yyyy")), file);
}
} // namespace batchtexts

// The steps the batch run chains, each the operation of that name. runBatch runs the real
// ones; tests put fakes in to check the order and the stops between them.
struct BatchSteps
{
    std::function<void(Context &, bool)> readSource;
    std::function<void(Context &)> showMappingPreview;
    std::function<void(Context &)> importRecords;
    std::function<void(Context &, bool, const QString &, bool)> createSepaFile;
    std::function<void(Context &, const QString &)> addHistoryEntry;
    std::function<void(Context &)> coverSheet;
    std::function<void(Context &)> bookingList;
    std::function<void(Context &)> archiveRunRecords;
    std::function<void(Context &)> saveSettings;

    static BatchSteps real();
};

void runBatch(Context &ctx, const BatchSteps &steps);

// The SHA-256 of a file's bytes in lower-case hex; empty when it cannot be read.
QString sourceFingerprint(const QString &path);
struct EarlierRun
{
    QDate created;
    QString file;
};
// The latest history row of the Mandant (by name) made from a source with this fingerprint.
std::optional<EarlierRun> findEarlierRun(const store::Table &history, const QString &fingerprint,
                                         const QString &mandant);
// Takes the fingerprint of the run's source and, when that content already became a SEPA file
// for this Mandant, asks whether to process it again (--allow-repeat answers yes). False: the
// run stops before anything is read.
bool confirmRepeatedSource(Context &ctx);

// "Log_" day "-" month "-" year "_" hour "-" minute "_" second millisecond ".txt", every
// number without leading zeros.
QString runLogFileName(const QDateTime &when);
// The name in the folder, made unique with "_2", "_3", ... before ".txt" when it exists.
QString uniqueRunLogPath(const QString &folder, const QString &fileName);
// Writes the lines as the log file form has them (Windows-1252, CR LF after each), atomically.
void writeLogLines(const QStringList &lines, const QString &path,
                   const std::function<void(qint64 done, qint64 total)> &progress = {});
// Creates DataDir + "Log" and writes the whole processing log to a new file there; returns
// its full path. Throws Error when that fails (the log stays in memory).
QString writeRunLogFile(Context &ctx);

} // namespace ordovan::app
