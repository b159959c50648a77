#pragma once

#include "state.h"

#include <QString>

#include <QStringList>
#include <exception>

#include <optional>

namespace ordovan::app {

class Context;

// Exit statuses of the program.
enum ExitStatus : int
{
    ExitOk = 0,             // the SEPA file was written (or no run was asked for)
    ExitError = 1,          // an error ended the run
    ExitSourceNotFound = 2, // the source file could not be opened
    ExitImportFailures = 3, // the SEPA file was written, but records failed to import
    ExitNoSepaFile = 4,     // no SEPA file was written
    ExitSourceUnreadable = 5,
    ExitUsage = 64, // a bad command line
};

// The command line: options first, then up to three positional words
// ("start"/"startstop", the payment type, the Mandant number).
struct CommandLine
{
    bool help = false;
    bool version = false;
    bool unattended = false;
    // --format, --execution-date, --allow-repeat, --backup, --restore: the choices that hold
    // for this program run, handed to the state as they are.
    CommandLineChoices choices;
    QStringList words;
    QString error; // German text of what is wrong; empty when the line is good
};

CommandLine parseCommandLine(const QStringList &arguments);
// "TT.MM.JJJJ", "JJJJ-MM-TT" or "+N"; nothing when the text is none of them.
std::optional<ExecutionDateChoice> parseExecutionDate(QStringView text);
QString helpText();
QString versionText();

// The exit status after start-up (and the run it may have started) ended.
int exitStatus(const Context &ctx, bool errorOccurred);

// The one place an error nobody caught is reported: the German message in the error box (the
// unattended service writes it to standard error), the technical detail to the log category
// and, without a window, to standard error too.
void reportUncaughtError(Context &ctx, const QString &message, const QString &detail);
void reportUncaughtError(Context &ctx, const std::exception &e);

// A whole program run without a window: create, start up, apply the command line, end like
// "Beenden" (tables that changed reach their files, the settings are not saved).
int runUnattended(Context &ctx);

} // namespace ordovan::app
