#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <functional>

class QAction;
class QLabel;
class QProgressBar;
class QTabWidget;

namespace ordovan::app {
class Context;
}

namespace ordovan::ui {

class BookingHistoryPage;
class LogPage;
class MainPage;
class RecordGrid;
class SepaHistoryPage;
class SourcePage;
class TableModel;

// The main window (TMainform): a humble view over the program's state. Each control's slot
// copies the edits into the state, calls one operation, and shows the state again; the
// window itself decides nothing. Errors an operation raises are shown in the program's error
// box and end that operation only.
//
// A batch run keeps the window alive: the status bar shows the step and how many records are
// done, the window repaints, and everything the user could click or type stays disabled
// until the run ends (no second run, no edits mid-run).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(app::Context &ctx, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Windows built elsewhere; while one is missing its menu entry stays disabled and the
    // first-start timer does nothing.
    void setSetupWizard(std::function<void()> open);
    void setBackupWindow(std::function<void()> open);

    // The command line asked to end after its run ("startstop"), or "Beenden" was chosen:
    // the program ends without saving the settings.
    bool endRequested() const;
    // Whether an error ended the start-up or a run (for the exit status).
    bool errorShown() const { return m_errorShown; }
    bool isRunning() const { return m_running; }

    // A note of an operation that needs no answer (the reason a source was refused, a due
    // date moved): shown beside the status until the next operation.
    void addNotice(const QString &text) { m_notices << text; }
    QStringList notices() const { return m_notices; }

    // Runs one operation the way every slot does: edits into the state, the operation, the
    // state on screen. Errors are shown and end the operation.
    void act(const std::function<void(app::Context &)> &operation);
    // Pages and grids, for the tests and the screenshots.
    QTabWidget *tabs() const { return m_tabs; }
    MainPage *mainPage() const { return m_main; }
    SourcePage *sourcePage() const { return m_source; }
    LogPage *logPage() const { return m_log; }
    QLabel *statusPanel() const { return m_statusText; }
    // The notes of the last operation (a due date moved), beside the status text.
    QLabel *noticePanel() const { return m_noticeText; }
    QProgressBar *progressBar() const { return m_progress; }
    // The first-start timer: opens the setup wizard when this start created the tables.
    void firstStartTimer();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenus();
    void buildStatusBar();
    void connectControls();
    void startUpOnFirstShow();
    void restoreGeometry();
    void collectState();
    void showState();
    void applyGridHeights();
    // Runs an operation that may take long: its progress shows in the status bar, and the
    // window takes no input meanwhile, from the start (busyAtOnce) or once it took a while.
    void runWithProgress(const std::function<void(app::Context &)> &operation,
                         bool busyAtOnce = true);
    void showBusy();
    void showProgress(const QString &step, qint64 done, qint64 total);
    void endProgram();
    void showError(const QString &message);

    app::Context &m_ctx;
    QTabWidget *m_tabs;
    MainPage *m_main;
    SourcePage *m_source;
    LogPage *m_log;
    BookingHistoryPage *m_booking;
    SepaHistoryPage *m_history;
    RecordGrid *m_DBGrid1, *m_DBGrid6, *m_DBGrid3, *m_DBGrid7, *m_DBGrid4, *m_DBGrid5, *m_DBGrid8;
    QList<TableModel *> m_models;
    QStringList m_notices;
    QLabel *m_statusText;
    QLabel *m_noticeText = nullptr;
    QProgressBar *m_progress;
    QAction *m_backupAction = nullptr;
    QAction *m_wizardAction = nullptr;
    QAction *m_newMandant = nullptr;
    QAction *m_editMandant = nullptr;
    std::function<void()> m_setupWizard;
    std::function<void()> m_backupWindow;

    bool m_startedUp = false;
    bool m_showing = false;
    bool m_running = false;
    bool m_ending = false;
    bool m_errorShown = false;
    bool m_sizeRestorePending = false;
    bool m_busyShown = false;
    QElapsedTimer m_progressClock;
    QElapsedTimer m_runClock;
};

} // namespace ordovan::ui
