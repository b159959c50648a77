// Ordovan Profi: the window and the command line. Everything but the window lives in the core
// library; this file only picks the services for the way the program was started.
#include "app/commandline.h"
#include "app/context.h"
#include "app/operations.h"
#include "base/error.h"
#include "formats/tabular.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/settingsstore.h"
#include "reports/painterdevice.h"
#include "ui/accessiblenames.h"
#include "ui/backupwindow.h"
#include "ui/mainwindow.h"
#include "ui/mandanteditorwindow.h"
#include "ui/qtdialogs.h"
#include "ui/qtprintservice.h"
#include "ui/screenshottour.h"
#include "ui/wizardwindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <csignal>
#include <cstdio>
#include <optional>

using namespace ordovan;

namespace {

void print(FILE *to, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
}

// A window waits only briefly for a scheduled run of another copy, then says why it cannot
// start (no window would show while it waited).
constexpr int kWaitForOtherCopyMs = 5 * 1000;

void quietQtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// The program with its window: start-up when the window first shows, then the event loop
// until the window closes (settings saved) or "Beenden" or "startstop" ends it (not saved).
// Tables that changed still reach their files at the end.
int runWindow(app::Context &ctx, ui::QtDialogs &dialogs, ui::QtPrintService &printing)
{
    bool error = false;
    std::optional<platform::FolderLock> dataLock;
    try {
        app::prepareProgram(ctx);
        dataLock.emplace(ctx.data.dataDir());
        dataLock->lock(kWaitForOtherCopyMs);
    } catch (const Error &e) {
        dialogs.uncaughtError(e.message());
        return app::ExitError;
    }
    ui::MainWindow window(ctx);
    // The other windows, created once and kept for the program's life.
    ui::MandantEditorWindow editor(&window);
    ctx.services.mandantEditor = &editor;
    ui::WizardWindow wizard(ctx, &window);
    window.setSetupWizard([&wizard] { wizard.exec(); });
    ui::BackupWindow backup(ctx, &window);
    window.setBackupWindow([&backup] { backup.exec(); });
    dialogs.setParent(&window);
    dialogs.onNotice = [&window](const QString &text) { window.addNotice(text); };
    printing.setParent(&window);
    window.show();
    if (!window.endRequested())
        QApplication::exec();
    // An error in a window session ends nothing; only a run the command line asked for
    // reports its outcome.
    error = window.errorShown() && ctx.outcome.runRequested;
    try {
        ctx.data.closeAll();
    } catch (const Error &e) {
        dialogs.uncaughtError(e.message());
        error = true;
    }
    dialogs.onNotice = nullptr;
    return app::exitStatus(ctx, error);
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const app::CommandLine cl = app::parseCommandLine(arguments);
    if (!cl.error.isEmpty()) {
        print(stderr, QStringLiteral("ordovan: %1\n\n").arg(cl.error) + app::helpText());
        return app::ExitUsage;
    }
    if (cl.help) {
        print(stdout, app::helpText());
        return app::ExitOk;
    }
    if (cl.version) {
        print(stdout, app::versionText() + u'\n');
        return app::ExitOk;
    }

    // A file-size limit (or a quota) must fail the write, which keeps the previous file and
    // reports a German message, instead of killing the program with unsaved tables.
    std::signal(SIGXFSZ, SIG_IGN);

    platform::SettingsStore settings(platform::settingsFilePath());
    platform::SystemClock clock;
    formats::FileTabularProvider tabular;

    // The administrator's backup and restore run without a window, like a scheduled run.
    if (cl.unattended || !cl.choices.backupFolder.isEmpty() ||
        !cl.choices.restoreFolder.isEmpty()) {
        // No display is needed: fonts and PDF output work on the offscreen platform. Qt's own
        // chatter (a missing runtime folder under cron, say) would only clutter the output
        // that scheduled runs mail to their owner.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(quietQtMessages);
        QGuiApplication application(argc, argv);
        QGuiApplication::setApplicationName(platform::kApplicationTitle);
        platform::UnattendedDialogs dialogs;
        platform::UnattendedDesktop desktop;
        reports::PdfPrintService printing;
        app::Services services{.dialogs = &dialogs,
                               .desktop = &desktop,
                               .clock = &clock,
                               .tabular = &tabular,
                               .printing = &printing,
                               .unattended = true};
        app::Context ctx(platform::dataDirectory(), settings, services);
        ctx.args = cl.words;
        ctx.state.commandLine = cl.choices;
        return app::runUnattended(ctx);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(platform::kApplicationTitle);
    // The desktop entry and the icon that packaging/ installs are this program's own.
    QGuiApplication::setDesktopFileName(QStringLiteral(ORDOVAN_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(ORDOVAN_APP_ID)));
    ui::startScreenshotTourFromEnvironment(&application);
    // German names of months and days in the date fields' calendars, whatever the system.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    ui::keepComboBoxNames();

    ui::QtDialogs dialogs;
    platform::SystemDesktop desktop;
    ui::QtPrintService printing(dialogs);
    app::Services services{.dialogs = &dialogs,
                           .desktop = &desktop,
                           .clock = &clock,
                           .tabular = &tabular,
                           .printing = &printing,
                           .unattended = false};
    app::Context ctx(platform::dataDirectory(), settings, services);
    ctx.args = cl.words;
    ctx.state.commandLine = cl.choices;
    return runWindow(ctx, dialogs, printing);
}
