// Benchmark tool for the main window over large tables. It works on the data folder and
// settings of $XDG_DATA_HOME and $XDG_CONFIG_HOME, like the program.
//
//   window_tool prepare        the working tables (one Mandant) for window.sh to fill
//   window_tool tables         loads the tables alone; prints milliseconds and memory
//   window_tool startup        the start-up sequence without a window (for a breakdown)
//   window_tool window         start-up through the window until the first page of the SEPA
//                              grid is painted, then scrolls that grid to its last row and
//                              paints again; prints milliseconds and memory of each
//
// Memory is the resident set in KiB after the step (and the peak of the process).
#include "app/context.h"
#include "app/operations.h"
#include "formats/tabular.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/settingsstore.h"
#include "store/datamodule.h"
#include "ui/mainwindow.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QTableView>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

using namespace ordovan;

namespace {

double elapsedMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int prepare()
{
    platform::ensureDirectory(platform::dataDirectory());
    store::DataModule data(platform::dataDirectory());
    data.createEmptyWorkingTables();
    store::Table &m = data.ClientDataSet3;
    m.insert();
    m.setValue(u"ID", 1);
    m.setValue(u"Name", QStringLiteral("Müller Getränke GmbH"));
    m.setValue(u"IBAN1", QStringLiteral("DE89370400440532013000"));
    m.setValue(u"BIC1", QStringLiteral("COBADEFFXXX"));
    m.setValue(u"Aktives Konto", 1);
    m.post();
    data.saveTable(m);
    platform::SettingsStore settings(platform::settingsFilePath());
    settings.writeInteger(u"", u"LastMandantID", 1);
    settings.writeInteger(u"", u"Mandant", 1);
    return 0;
}

int tables()
{
    const auto start = std::chrono::steady_clock::now();
    store::DataModule data(platform::dataDirectory());
    data.loadAll();
    const double ms = elapsedMs(start);
    std::printf("tables %.1f ms %ld KiB peak %ld KiB rows %d\n", ms, residentKiB(), peakKiB(),
                data.ClientDataSetAZV.recordCount());
    return 0;
}

// Waits until the grid's viewport has been painted once more.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *w) { w->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void paintOnce(QWidget *viewport)
{
    PaintWatch watch(viewport);
    viewport->update();
    while (!watch.painted)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents(); // the paint itself ends in this turn
}

// The program's services as a window session has them, but for dialogs: those only count
// what was shown (an error here would spoil the figures).
class CountingDialogs : public platform::UnattendedDialogs
{
public:
    void plainMessage(const QString &) override { ++shown; }
    platform::DialogButton message(platform::DialogKind, const QString &,
                                   platform::DialogButtons buttons) override
    {
        ++shown;
        return platform::defaultButton(buttons);
    }
    void uncaughtError(const QString &) override { ++shown; }
    int shown = 0;
};

struct Program
{
    platform::SettingsStore settings{platform::settingsFilePath()};
    platform::SystemClock clock;
    formats::UnavailableTabularProvider tabular;
    CountingDialogs dialogs;
    platform::UnattendedDesktop desktop;
    app::Context ctx{platform::dataDirectory(), settings,
                     app::Services{.dialogs = &dialogs,
                                   .desktop = &desktop,
                                   .clock = &clock,
                                   .tabular = &tabular,
                                   .printing = nullptr,
                                   .unattended = false}};
};

// The start-up sequence alone, without a window: where the window's own cost begins.
int startUp()
{
    const auto start = std::chrono::steady_clock::now();
    Program p;
    app::prepareProgram(p.ctx);
    app::startUp(p.ctx);
    std::printf("startup %.1f ms %ld KiB peak %ld KiB rows %d\n", elapsedMs(start), residentKiB(),
                peakKiB(), p.ctx.data.ClientDataSetAZV.recordCount());
    return 0;
}

int window()
{
    const auto start = std::chrono::steady_clock::now();
    Program p;
    app::Context &ctx = p.ctx;
    app::prepareProgram(ctx);
    ui::MainWindow window(ctx);
    window.show();
    auto *grid = window.findChild<QTableView *>(QStringLiteral("DBGrid6"));
    paintOnce(grid->viewport());
    const double shown = elapsedMs(start);
    const long shownKiB = residentKiB();

    const auto scrollStart = std::chrono::steady_clock::now();
    grid->scrollToBottom();
    paintOnce(grid->viewport());
    const double scrolled = elapsedMs(scrollStart);
    std::printf("window %.1f ms %ld KiB scroll %.1f ms %ld KiB peak %ld KiB rows %d errors %d\n",
                shown, shownKiB, scrolled, residentKiB(), peakKiB(), grid->model()->rowCount(),
                p.dialogs.shown);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString command = QApplication::arguments().value(1);
    if (command == u"prepare")
        return prepare();
    if (command == u"tables")
        return tables();
    if (command == u"startup")
        return startUp();
    if (command == u"window")
        return window();
    std::fprintf(stderr, "usage: window_tool prepare|tables|startup|window\n");
    return 64;
}
