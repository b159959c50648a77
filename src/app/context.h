#pragma once

#include "state.h"
#include "store/datamodule.h"
#include "store/recordnumbers.h"

#include <QStringList>

#include <functional>

namespace ordovan::platform {
class Clock;
class Desktop;
class Dialogs;
class SettingsStore;
} // namespace ordovan::platform

namespace ordovan::formats {
class TabularProvider;
}

namespace ordovan::reports {
class PrintService;
}

namespace ordovan::app {

class MandantEditor;

// The platform services an operation may call. The window, the unattended command line and
// the tests each bring their own.
struct Services
{
    platform::Dialogs *dialogs = nullptr;
    platform::Desktop *desktop = nullptr;
    platform::Clock *clock = nullptr;
    formats::TabularProvider *tabular = nullptr;
    reports::PrintService *printing = nullptr;
    bool unattended = false;
    MandantEditor *mandantEditor = nullptr; // "Mandantenverwaltung"; none without windows
};

// Everything an operation works on: the main window's state, the tables, the settings store,
// the record numbers and the services. One per running program (or per test).
class Context
{
public:
    Context(const QString &dataDir, platform::SettingsStore &settings, Services services);

    MainState state;
    store::DataModule data;
    platform::SettingsStore &settings;
    store::RecordNumbers numbers;
    Services services;
    // The positional words of the command line (missing ones are empty).
    QStringList args = {QString(), QString(), QString()};

    // What the command line asked for and what became of it, for the exit status.
    struct CommandLineOutcome
    {
        bool runRequested = false; // "start" or "startstop"
        bool runStarted = false;
        bool runFinished = false; // the run returned without an error
        bool quitRequested = false;
    } outcome;

    // Long steps of a batch run report here how far they are (done of total, in records or
    // bytes), so that a window can show it and repaint. Called often; the receiver decides
    // how often it acts on it. Empty without a window.
    std::function<void(const QString &step, qint64 done, qint64 total)> progress;
    void reportProgress(const QString &step, qint64 done, qint64 total)
    {
        if (progress)
            progress(step, done, total);
    }

    QDateTime now() const;
    // appendLogLine: the current date and time followed by the text (which begins with a
    // blank).
    void appendLogLine(const QString &text);
    // The same for a text that is not a QString yet (saves building one per line).
    void appendLogLine(QStringView text);
    void setStatus(const QString &text) { state.main.statusText = text; }
    platform::Dialogs &dialogs() const { return *services.dialogs; }
};

} // namespace ordovan::app
