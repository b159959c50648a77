#include "commandline.h"

#include "backup.h"
#include "context.h"
#include "logging.h"
#include "operations.h"

#include "base/error.h"
#include "base/technicaltext.h"
#include "platform/dialogs.h"
#include "platform/files.h"

#include <QDate>

#include <cstdio>

#include <algorithm>
#include <optional>

namespace ordovan::app {

std::optional<ExecutionDateChoice> parseExecutionDate(QStringView text)
{
    ExecutionDateChoice choice;
    if (text.startsWith(u'+')) {
        const QStringView digits = text.mid(1);
        bool ok = !digits.isEmpty() && digits.size() <= 4 &&
                  std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
        const int n = ok ? digits.toInt(&ok) : -1;
        if (!ok)
            return std::nullopt;
        choice.businessDaysAhead = n;
        return choice;
    }
    // Exactly two digits for day and month and four for the year, so that nothing a cron
    // line mistyped is read as another day.
    for (const char16_t *format : {u"dd.MM.yyyy", u"yyyy-MM-dd"}) {
        const QString f = QString::fromUtf16(format);
        if (text.size() != f.size())
            continue;
        const QDate d = QDate::fromString(text.toString(), f);
        if (d.isValid() && d.year() >= 1900 && d.year() <= 9999) {
            choice.date = d;
            return choice;
        }
    }
    return std::nullopt;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine cl;
    bool optionsEnded = false;
    for (const QString &arg : arguments) {
        if (!optionsEnded && arg == u"--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.startsWith(u"--")) {
            if (arg == u"--help") {
                cl.help = true;
            } else if (arg == u"--version") {
                cl.version = true;
            } else if (arg == u"--unattended") {
                cl.unattended = true;
            } else if (arg.startsWith(u"--format=")) {
                const QStringView value = QStringView(arg).mid(9);
                if (value == u"2009")
                    cl.choices.SEPAFormatOverride = sepa::Generation::V2009;
                else if (value == u"2019")
                    cl.choices.SEPAFormatOverride = sepa::Generation::V2019;
                else
                    cl.error = QStringLiteral("Unbekanntes SEPA-Format: %1 (erlaubt: 2009, 2019)")
                                   .arg(value.toString());
            } else if (arg.startsWith(u"--execution-date=")) {
                const QStringView value = QStringView(arg).mid(17);
                if (const auto choice = parseExecutionDate(value))
                    cl.choices.executionDateOverride = *choice;
                else
                    cl.error = QStringLiteral("Ungültiges Ausführungsdatum: %1 (erlaubt: "
                                              "TT.MM.JJJJ, JJJJ-MM-TT oder +N für N "
                                              "Bankarbeitstage nach heute)")
                                   .arg(value.toString());
            } else if (arg == u"--allow-repeat") {
                cl.choices.allowRepeat = true;
            } else if (arg.startsWith(u"--backup=") || arg.startsWith(u"--restore=")) {
                const bool backup = arg.startsWith(u"--backup=");
                const QString folder = arg.mid(backup ? 9 : 10);
                if (folder.isEmpty())
                    cl.error = QStringLiteral("Kein Verzeichnis angegeben: %1").arg(arg);
                else if (backup)
                    cl.choices.backupFolder = folder;
                else
                    cl.choices.restoreFolder = folder;
            } else {
                cl.error = QStringLiteral("Unbekannte Option: %1").arg(arg);
            }
            continue;
        }
        if (!optionsEnded && arg == u"-h") {
            cl.help = true;
            continue;
        }
        cl.words << arg;
    }
    if (cl.error.isEmpty() && !cl.choices.backupFolder.isEmpty() &&
        !cl.choices.restoreFolder.isEmpty())
        cl.error = QStringLiteral("--backup und --restore schließen einander aus.");
    if (cl.error.isEmpty() && cl.words.size() > 3)
        cl.error = QStringLiteral("Zu viele Angaben: höchstens drei Wörter sind erlaubt.");
    while (cl.words.size() < 3)
        cl.words << QString();
    return cl;
}

QString versionText()
{
    return QStringLiteral("Ordovan Profi 2022, Version %1").arg(QStringLiteral(ORDOVAN_VERSION));
}

QString helpText()
{
    return QStringLiteral(
        "Aufruf: ordovan [Optionen] [start|startstop] [ls_core|ls_cor1|ls_b2b|gs] [Mandant]\n"
        "\n"
        "Ordovan Profi erstellt aus einer Liste von Zahlungen (CSV/TXT, Excel, Access)\n"
        "SEPA-Dateien für die Bank.\n"
        "\n"
        "Wörter (Groß- und Kleinschreibung beachten):\n"
        "  start        nach dem Programmstart einmal verarbeiten, Programm bleibt offen\n"
        "  startstop    nach dem Programmstart einmal verarbeiten, danach beenden\n"
        "  ls_core      Zahlungsart Lastschrift CORE\n"
        "  ls_cor1      Zahlungsart Lastschrift COR1 (im Format 2019 als CORE eingereicht)\n"
        "  ls_b2b       Zahlungsart Lastschrift B2B\n"
        "  gs           Zahlungsart Gutschrift\n"
        "  Mandant      Nummer des Mandanten, der ausgewählt wird\n"
        "\n"
        "Optionen:\n"
        "  --unattended     ohne Fenster: Meldungen werden mit ihrer Vorgabe beantwortet und\n"
        "                   auf der Standardfehlerausgabe ausgegeben, Ausdrucke als PDF neben\n"
        "                   die Zieldatei geschrieben; danach endet das Programm\n"
        "  --format=2009|2019\n"
        "                   SEPA-Format nur für diesen Lauf (2009: pain.001.001.03 und\n"
        "                   pain.008.001.02; 2019: pain.001.001.09 und pain.008.001.08).\n"
        "                   Ohne diese Option gilt das beim Mandanten gespeicherte Format;\n"
        "                   ist keines gespeichert, ab dem 14.11.2026 das Format 2019\n"
        "                   (seitdem nehmen deutsche Banken nur noch dieses an), davor 2009\n"
        "  --execution-date=TT.MM.JJJJ | JJJJ-MM-TT | +N\n"
        "                   Ausführungsdatum für diesen Lauf (+N: N TARGET2-Bankarbeitstage\n"
        "                   nach heute). Lastschriften werden frühestens am ersten\n"
        "                   Bankarbeitstag nach dem Erstellungstag fällig, Zahlungen nie an\n"
        "                   einem Tag, an dem die Banken geschlossen sind; ein solches Datum\n"
        "                   wird auf den nächsten möglichen Bankarbeitstag verschoben.\n"
        "  --allow-repeat   eine bereits verarbeitete Quelldatei ohne Rückfrage erneut\n"
        "                   verarbeiten (ohne diese Option endet ein solcher Lauf unbeaufsichtigt\n"
        "                   mit Rückgabewert 4)\n"
        "  --backup=VERZEICHNIS\n"
        "                   Datenbank sichern: die sechs Tabellen und einstellungen.reg in das\n"
        "                   Verzeichnis schreiben, ohne Fenster; die geschriebenen Dateien\n"
        "                   werden ausgegeben\n"
        "  --restore=VERZEICHNIS\n"
        "                   Datenbank zurücklesen, ohne Rückfrage: erst wenn alle sieben Dateien\n"
        "                   vorhanden und lesbar sind, werden Tabellen und Einstellungen ersetzt\n"
        "  --help           diese Hilfe anzeigen\n"
        "  --version        die Programmversion anzeigen\n"
        "\n"
        "Rückgabewerte:\n"
        "  0   SEPA-Datei geschrieben (oder keine Verarbeitung verlangt)\n"
        "  1   ein Fehler hat die Verarbeitung beendet\n"
        "  2   Quelldatei nicht gefunden\n"
        "  3   SEPA-Datei geschrieben, aber Datensätze konnten nicht eingelesen werden\n"
        "  4   keine SEPA-Datei geschrieben\n"
        "  5   Fehler beim Lesen aus der Quelldatei\n"
        "  64  fehlerhafter Aufruf\n");
}

int exitStatus(const Context &ctx, bool errorOccurred)
{
    if (!ctx.outcome.runRequested)
        return errorOccurred ? ExitError : ExitOk;
    if (errorOccurred || !ctx.outcome.runFinished)
        return ExitError;
    const MainState &s = ctx.state;
    if (s.run.runStatus == RunStatus::SourceNotFound)
        return ExitSourceNotFound;
    if (s.run.runStatus == RunStatus::SourceUnreadable)
        return ExitSourceUnreadable;
    if (!s.run.sepaFileWritten)
        return ExitNoSepaFile;
    if (s.run.runStatus == RunStatus::ImportFailed)
        return ExitImportFailures;
    return ExitOk;
}

namespace {
// How long a copy waits for another one to finish with the data folder.
constexpr int kWaitForOtherCopyMs = 30 * 60 * 1000;
} // namespace

void reportUncaughtError(Context &ctx, const QString &message, const QString &detail)
{
    qCWarning(lcApp) << message << detail;
    ctx.dialogs().uncaughtError(message);
    // A scheduled run has nobody to ask what went wrong: the reason beneath the message (the
    // system's text of a failed write, say) goes to its output too.
    if (ctx.services.unattended && !detail.isEmpty())
        ctx.dialogs().notice(QStringLiteral("Technische Ursache: ") +
                             german::technicalText(detail));
}

void reportUncaughtError(Context &ctx, const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e))
        reportUncaughtError(ctx, error->message(), error->detail());
    else
        reportUncaughtError(ctx, QString::fromLocal8Bit(e.what()), QString());
}

namespace {

void printLine(const QString &text)
{
    std::fputs((text + u'\n').toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

// --backup and --restore, after the start-up has loaded the tables.
void runAdministration(Context &ctx)
{
    CommandLineChoices &c = ctx.state.commandLine;
    if (!c.backupFolder.isEmpty()) {
        for (const QString &file : backupData(ctx, c.backupFolder))
            printLine(QStringLiteral("Gesichert: ") + file);
    }
    if (!c.restoreFolder.isEmpty()) {
        for (const QString &file : restoreData(ctx, c.restoreFolder, false))
            printLine(QStringLiteral("Zurückgelesen: ") + file);
    }
}

} // namespace

int runUnattended(Context &ctx)
{
    bool error = false;
    auto report = [&](const std::exception &e) {
        error = true;
        reportUncaughtError(ctx, e);
    };
    // A second copy started meanwhile (a scheduled run, say) waits until this one has ended,
    // so neither overwrites the tables the other one saved.
    std::optional<platform::FolderLock> dataLock;
    try {
        prepareProgram(ctx);
        dataLock.emplace(ctx.data.dataDir());
        dataLock->lock(kWaitForOtherCopyMs);
        startUp(ctx);
        runAdministration(ctx);
    } catch (const std::exception &e) {
        report(e);
    }
    // Ending is like "Beenden": no settings save, but changed tables reach their files.
    try {
        ctx.data.closeAll();
    } catch (const std::exception &e) {
        report(e);
    }
    return exitStatus(ctx, error);
}

} // namespace ordovan::app
