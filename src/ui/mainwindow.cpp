// The main window: its pages, menus and status bar, the one connect table that names which
// control calls which operation, and the window's lifecycle (start-up when first shown, the
// restored size, grid heights on resize, closing and "Beenden").
#include "mainwindow.h"

#include "historypages.h"
#include "infowindows.h"
#include "mainpage.h"
#include "recordgrid.h"
#include "sourcepage.h"
#include "tablemodel.h"

#include "app/context.h"
#include "app/operations.h"
#include "base/error.h"
#include "platform/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace ordovan::ui {

namespace {

const QString kCaption = QStringLiteral("Ordovan Profi by Brunnhold Software");

// Fields of the record grids, in column order. Captions of the stored grids come from the
// state (LoadColumnWidths); the others are set here.
QList<FieldColumn> domesticColumns()
{
    return {{QStringLiteral("ID"), QStringLiteral("ID")},
            {QStringLiteral("Name"), QStringLiteral("Name")},
            {QStringLiteral("Kontonummer"), QStringLiteral("Kontonr.")},
            {QStringLiteral("BLZ"), QStringLiteral("BLZ")},
            {QStringLiteral("Verwendungszweck"), QStringLiteral("Verwendungszweck")},
            {QStringLiteral("Betrag"), QStringLiteral("Betrag")},
            {QStringLiteral("Zahlungsart"), QStringLiteral("Zahlungsart")},
            {QStringLiteral("Erstellungsdatum"), QStringLiteral("Erstellungsdatum")}};
}

QList<FieldColumn> sepaMainColumns()
{
    return {{QStringLiteral("ID"), QStringLiteral("ID")},
            {QStringLiteral("Name1"), QStringLiteral("Name")},
            {QStringLiteral("OrtLand"), QStringLiteral("Ort")},
            {QStringLiteral("IBAN"), QStringLiteral("IBAN")},
            {QStringLiteral("BLZ"), QStringLiteral("BIC")},
            {QStringLiteral("Waehrung"), QStringLiteral("Währung")},
            {QStringLiteral("Datum"), QStringLiteral("Datum")},
            {QStringLiteral("Verwendungszweck"), QStringLiteral("Verwendungszweck")},
            {QStringLiteral("Betrag"), QStringLiteral("Betrag")},
            {QStringLiteral("Erstellungsdatum"), QStringLiteral("Erstellungsdatum")}};
}

// Every field of a SEPA record; the field BLZ holds the BIC. The mandate date and the
// sequence type came later and stand at the end.
QList<FieldColumn> sepaAllColumns()
{
    return {{QStringLiteral("ID"), QStringLiteral("ID")},
            {QStringLiteral("Name1"), QStringLiteral("Name1")},
            {QStringLiteral("Name2"), QStringLiteral("Name2")},
            {QStringLiteral("Straße"), QStringLiteral("Straße")},
            {QStringLiteral("OrtLand"), QStringLiteral("OrtLand")},
            {QStringLiteral("NotitzIntern"), QStringLiteral("NotitzIntern")},
            {QStringLiteral("Ansprechpartner"), QStringLiteral("Ansprechpartner")},
            {QStringLiteral("IBAN"), QStringLiteral("IBAN")},
            {QStringLiteral("BLZ"), QStringLiteral("BIC")},
            {QStringLiteral("Laendercode"), QStringLiteral("Ländercode")},
            {QStringLiteral("Waehrung"), QStringLiteral("Währung")},
            {QStringLiteral("Datum"), QStringLiteral("Datum")},
            {QStringLiteral("Verwendungszweck"), QStringLiteral("Verwendungszweck")},
            {QStringLiteral("Betrag"), QStringLiteral("Betrag")},
            {QStringLiteral("Zahlungsart"), QStringLiteral("Zahlungsart")},
            {QStringLiteral("Erstellungsdatum"), QStringLiteral("Erstellungsdatum")},
            {QStringLiteral("Mandatsdatum"), QStringLiteral("Mandatsdatum")},
            {QStringLiteral("Sequenztyp"), QStringLiteral("Sequenztyp")}};
}

QList<FieldColumn> historyColumns()
{
    const char16_t *fields[] = {u"ID",
                                u"VonID",
                                u"BisID",
                                u"LogDatei",
                                u"Gesamtbetrag",
                                u"Zahlungsart",
                                u"Erstellungsdatum",
                                u"Ausfuehrungdatum",
                                u"Mandantenname",
                                u"Mandantenkto",
                                u"Mandantenblz",
                                u"Dateiname",
                                u"KontrollsummeKontonummer",
                                u"KontrollsummeBankleitzahl",
                                u"GesamtzahlSaetze"};
    QList<FieldColumn> out;
    for (const char16_t *f : fields)
        out.append({QString::fromUtf16(f), QString::fromUtf16(f)});
    return out;
}

} // namespace

MainWindow::MainWindow(app::Context &ctx, QWidget *parent) : QMainWindow(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Mainform"));
    setWindowTitle(kCaption);
    // A small sans-serif face of 8 points, of the narrow Arial metrics where there is one,
    // so that the groups of the main tab fit a window of 700 pixels.
    QFont face = font();
    face.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Helvetica"), face.family()});
    face.setStyleHint(QFont::SansSerif);
    face.setPointSize(8);
    setFont(face);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, windowColour());
    setPalette(pal);

    store::DataModule &data = ctx.data;
    auto model = [this](store::Table &t, QList<FieldColumn> columns, bool editable) {
        auto *m = new TableModel(t, std::move(columns), editable, this);
        m_models << m;
        return m;
    };
    m_DBGrid1 = new RecordGrid(QStringLiteral("DBGrid1"), QStringLiteral("Inland-Datensätze"),
                               model(data.ClientDataSet1, domesticColumns(), false), false);
    m_DBGrid6 = new RecordGrid(QStringLiteral("DBGrid6"), QStringLiteral("SEPA-Datensätze"),
                               model(data.ClientDataSetAZV, sepaMainColumns(), false), false);
    m_DBGrid3 =
        new RecordGrid(QStringLiteral("DBGrid3"), QStringLiteral("Buchungs-Historie Inland"),
                       model(data.ClientDataSetHisInl, domesticColumns(), true), true);
    m_DBGrid7 = new RecordGrid(QStringLiteral("DBGrid7"), QStringLiteral("Buchungs-Historie SEPA"),
                               model(data.ClientDataSetHisAZV, sepaAllColumns(), true), true);
    m_DBGrid4 = new RecordGrid(QStringLiteral("DBGrid4"), QStringLiteral("Dateien"),
                               model(data.ClientDataSet2, historyColumns(), false), false);
    m_DBGrid5 =
        new RecordGrid(QStringLiteral("DBGrid5"), QStringLiteral("Inland-Datensätze der Datei"),
                       model(data.ClientDataSet1, domesticColumns(), true), true);
    m_DBGrid8 =
        new RecordGrid(QStringLiteral("DBGrid8"), QStringLiteral("SEPA-Datensätze der Datei"),
                       model(data.ClientDataSetAZV, sepaAllColumns(), true), true);
    for (RecordGrid *g :
         {m_DBGrid1, m_DBGrid6, m_DBGrid3, m_DBGrid7, m_DBGrid4, m_DBGrid5, m_DBGrid8})
        g->onError = [this](const QString &message) { showError(message); };

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    m_tabs->setDocumentMode(false);
    m_main = new MainPage;
    m_main->setGrids(m_DBGrid1, m_DBGrid6);
    m_source = new SourcePage(ctx.state.source);
    m_log = new LogPage;
    m_booking = new BookingHistoryPage(m_DBGrid3, m_DBGrid7);
    m_history = new SepaHistoryPage(m_DBGrid4, m_DBGrid5, m_DBGrid8);
    m_tabs->addTab(m_main, QStringLiteral("Hauptseite"));
    m_tabs->addTab(m_source, QStringLiteral("Einstellungen der Quelldatei"));
    m_tabs->addTab(m_log, QStringLiteral("Log-Datei"));
    m_tabs->addTab(m_booking, QStringLiteral("Buchungs-Historie"));
    m_tabs->addTab(m_history, QStringLiteral("SEPA/DTAUS-Historie"));
    setCentralWidget(m_tabs);

    buildMenus();
    buildStatusBar();
    connectControls();
    applyGridHeights();
    resize(700, 600);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    auto action = [this](QMenu *menu, const char *name, const QString &text,
                         const std::function<void(app::Context &)> &op) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, op] { act(op); });
        return a;
    };
    QMenu *programm = menuBar()->addMenu(QStringLiteral("Programm"));
    programm->setObjectName(QStringLiteral("Programm1"));
    m_backupAction = programm->addAction(QStringLiteral("Datenbank sichern/zurücklesen"));
    m_backupAction->setObjectName(QStringLiteral("Datenbanksichernzurcklesen1"));
    m_backupAction->setEnabled(false);
    connect(m_backupAction, &QAction::triggered, this, [this] {
        if (m_backupWindow)
            m_backupWindow();
        showState();
    });
    programm->addSeparator();
    QAction *quit = programm->addAction(QStringLiteral("Beenden"));
    quit->setObjectName(QStringLiteral("Beenden1"));
    connect(quit, &QAction::triggered, this, &MainWindow::endProgram);

    m_wizardAction = menuBar()->addAction(QStringLiteral("Einstellungsassistent"));
    m_wizardAction->setObjectName(QStringLiteral("Wi1"));
    m_wizardAction->setEnabled(false);
    connect(m_wizardAction, &QAction::triggered, this, [this] {
        if (m_setupWizard)
            m_setupWizard();
        showState();
    });

    QMenu *mandanten = menuBar()->addMenu(QStringLiteral("Mandanten"));
    mandanten->setObjectName(QStringLiteral("Mandanten1"));
    m_newMandant = action(mandanten, "Neu2", QStringLiteral("Neu"), app::newMandant);
    m_newMandant->setStatusTip(QStringLiteral("Mandanten anlegen"));
    m_editMandant =
        action(mandanten, "Bearbeiten2", QStringLiteral("Bearbeiten"), app::editMandant);
    m_editMandant->setStatusTip(QStringLiteral("Mandanten bearbeiten"));

    QMenu *hilfe = menuBar()->addMenu(QStringLiteral("Hilfe"));
    hilfe->setObjectName(QStringLiteral("Hilfe1"));
    QAction *manual =
        action(hilfe, "Hilfeaufrufen1", QStringLiteral("Handbuch aufrufen"), app::openManual);
    manual->setShortcut(QKeySequence(Qt::Key_F1));
    manual->setShortcutContext(Qt::ApplicationShortcut);
    manual->setStatusTip(QStringLiteral("Hilfe aufrufen"));
    action(hilfe, "BrunnholdSoftwareimInternet1", QStringLiteral("Brunnhold Software im Internet"),
           app::openWebPage);
    hilfe->addSeparator();
    QAction *survey = hilfe->addAction(QStringLiteral("UMFRAGE zur Verbesserung des Programmes"));
    survey->setObjectName(QStringLiteral("UMFRAGE1"));
    connect(survey, &QAction::triggered, this, [this] {
        SurveyWindow window(m_ctx.services.desktop, this);
        window.exec();
    });
    hilfe->addSeparator();
    QAction *info = hilfe->addAction(QStringLiteral("Info ..."));
    info->setObjectName(QStringLiteral("Info1"));
    connect(info, &QAction::triggered, this, [this] {
        AboutWindow window(this);
        window.exec();
    });
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    auto *first = new QLabel(QStringLiteral("Status"), bar);
    first->setObjectName(QStringLiteral("StatusPanel1"));
    first->setMinimumWidth(60);
    m_statusText = new QLabel(bar);
    m_statusText->setObjectName(QStringLiteral("StatusPanel2"));
    // The second panel holds the run's state text alone; notes of the run stand beside it.
    m_noticeText = new QLabel(bar);
    m_noticeText->setObjectName(QStringLiteral("StatusHinweis"));
    m_noticeText->hide();
    m_progress = new QProgressBar(bar);
    m_progress->setObjectName(QStringLiteral("Fortschritt"));
    m_progress->setAccessibleName(QStringLiteral("Fortschritt"));
    m_progress->setMaximumWidth(220);
    m_progress->setMaximumHeight(14);
    m_progress->hide();
    bar->addWidget(first);
    bar->addWidget(m_statusText);
    bar->addWidget(m_noticeText, 1);
    bar->addWidget(m_progress);
}

// The connect table: which control calls which operation.
void MainWindow::connectControls()
{
    using namespace app;
    auto on = [this](auto *sender, auto signal, const std::function<void(Context &)> &op) {
        connect(sender, signal, this, [this, op] {
            if (!m_showing)
                act(op);
        });
    };
    const std::function<void(Context &)> none = [](Context &) {};
    // Boxes and choices react to toggled, not clicked: a screen reader toggles them without
    // a click. A choice reacts once, for the button that became chosen.
    auto onChosen = [this](QRadioButton *r, const std::function<void(Context &)> &op,
                           bool reads = false) {
        connect(r, &QRadioButton::toggled, this, [this, op, reads](bool checked) {
            if (!checked || m_showing)
                return;
            if (reads)
                runWithProgress(op, false);
            else
                act(op);
        });
    };
    MainPage *p = m_main;

    // --- Hauptseite ---
    // Operations that may read a large source show their progress when they take long.
    auto onReading = [this](auto *sender, auto signal, const std::function<void(Context &)> &op) {
        connect(sender, signal, this, [this, op] {
            if (!m_showing)
                runWithProgress(op, false);
        });
    };
    onReading(p->CBMandanten, &QComboBox::activated, [](Context &c) { selectMandantFromCombo(c); });
    on(p->finden, &QToolButton::clicked, findMandant);
    for (QRadioButton *r : p->zahlungsart)
        onChosen(r, none);
    for (QCheckBox *b : {p->CBBegleit, p->CBBuchungs, p->CBLogspeichern, p->CBDatumueberschreiben,
                         p->CBBetragkonst})
        on(b, &QCheckBox::toggled, none);
    for (QCheckBox *b : p->CBVerwkonst)
        on(b, &QCheckBox::toggled, none);
    on(p->CB8Verw, &QCheckBox::toggled, applyPurposeLineLayout);
    on(p->CBIBANonly, &QCheckBox::toggled, applyPurposeLineLayout);
    on(p->DTPErstell, &QDateEdit::dateChanged, none);
    on(p->DTPAusf, &QDateEdit::dateChanged, none);
    // A typed source path is read like a chosen one, once the typing is done.
    connect(p->EQuelldatei, &QLineEdit::editingFinished, this, [this] {
        if (!m_showing && m_main->EQuelldatei->text() != m_ctx.state.main.EQuelldatei)
            runWithProgress(sourceOptionsChanged, false);
    });
    onReading(p->SpeedButton4, &QToolButton::clicked, chooseSourceFile);
    on(p->SpeedButton2, &QToolButton::clicked, chooseTargetFile);
    connect(p->BStart, &QPushButton::clicked, this,
            [this] { runWithProgress([](Context &c) { runBatch(c); }); });
    on(p->BBegleit, &QPushButton::clicked, printCoverSheet);
    on(p->BBuchungs, &QPushButton::clicked, printBookingList);
    on(p->help, &QToolButton::clicked, openManual);

    // --- Einstellungen der Quelldatei ---
    SourcePage *s = m_source;
    for (QRadioButton *r : {s->RBTabulator, s->RBSemikolon, s->RBKomma, s->RBdoppelt, s->RBeinfach,
                            s->RBkeine, s->betrag[0], s->betrag[1]})
        onChosen(r, sourceOptionsChanged, true);
    onReading(s->CBTitelzeile, &QCheckBox::toggled, sourceOptionsChanged);
    onReading(s->CBTabellen, &QComboBox::activated, sourceOptionsChanged);
    on(s->SpeedButton5, &QToolButton::clicked, assignSelectedSourceField);
    on(s->Button4, &QPushButton::clicked, clearAssignment);

    // --- Log-Datei ---
    on(m_log->Button9, &QPushButton::clicked, clearLog);
    on(m_log->Button10, &QPushButton::clicked, saveLogAs);

    // --- History tabs ---
    on(m_booking->BHistorienLoeschen, &QPushButton::clicked, deleteArchives);
    on(m_history->BZeileLoeschen, &QPushButton::clicked, deleteHistoryRow);
    on(m_history->BLogAnzeigen, &QPushButton::clicked, showHistoryLogFile);
    on(m_history->SRColorButton5, &QPushButton::clicked, printHistoryCoverSheet);
    on(m_history->SRColorButton6, &QPushButton::clicked, printHistoryBookingList);

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (!m_showing)
            act([index](Context &c) { pageChanged(c, Page(index)); });
    });
}

void MainWindow::setSetupWizard(std::function<void()> open)
{
    m_setupWizard = std::move(open);
    m_wizardAction->setEnabled(bool(m_setupWizard));
}

void MainWindow::setBackupWindow(std::function<void()> open)
{
    m_backupWindow = std::move(open);
    m_backupAction->setEnabled(bool(m_backupWindow));
}

bool MainWindow::endRequested() const
{
    return m_ending || m_ctx.outcome.quitRequested;
}

void MainWindow::showError(const QString &message)
{
    m_errorShown = true;
    m_ctx.dialogs().uncaughtError(message);
}

void MainWindow::act(const std::function<void(app::Context &)> &operation)
{
    if (!m_running)
        m_notices.clear();
    collectState();
    try {
        operation(m_ctx);
    } catch (const Error &e) {
        showError(e.message());
    } catch (const std::bad_alloc &) {
        showError(QStringLiteral("Zu wenig Arbeitsspeicher"));
    } catch (const std::exception &e) {
        showError(QString::fromLocal8Bit(e.what()));
    }
    showState();
}

void MainWindow::collectState()
{
    if (m_showing)
        return;
    m_main->collect(m_ctx.state);
    m_source->collect(m_ctx.state);
    m_log->collect(m_ctx.state);
    app::WindowGeometry &w = m_ctx.state.window;
    m_DBGrid1->collectColumns(w.DBGrid1Columns);
    m_DBGrid3->collectColumns(w.DBGrid3Columns);
    m_DBGrid4->collectColumns(w.DBGrid4Columns);
    m_DBGrid6->collectColumns(w.DBGrid6Columns);
}

void MainWindow::showState()
{
    const app::MainState &s = m_ctx.state;
    m_showing = true;
    m_main->show(s, app::executionDateHint(s, m_ctx.now().date()));
    m_source->show(s);
    if (m_tabs->currentIndex() != int(s.window.page))
        m_tabs->setCurrentIndex(int(s.window.page));
    if (m_tabs->currentWidget() == m_log)
        m_log->show(s);
    for (TableModel *m : m_models)
        m->refresh();
    const bool editor = m_ctx.services.mandantEditor != nullptr;
    m_main->finden->setEnabled(editor);
    m_newMandant->setEnabled(editor);
    m_editMandant->setEnabled(editor);
    if (!m_running) {
        m_statusText->setText(s.main.statusText);
        QStringList notes = m_notices;
        notes.removeAll(QString());
        m_noticeText->setText(notes.join(QStringLiteral(" – ")));
        m_noticeText->setToolTip(notes.join(u'\n'));
        m_noticeText->setVisible(!notes.isEmpty());
    }
    applyGridHeights();
    m_showing = false;
}

void MainWindow::applyGridHeights()
{
    const app::WindowGeometry &w = m_ctx.state.window;
    m_main->setGridHeight(w.mainGridHeight);
    m_booking->setGridHeight(w.bookingGridHeight);
    m_history->setGridHeight(w.historyGridHeight);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_startedUp) {
        m_startedUp = true;
        startUpOnFirstShow();
    }
}

void MainWindow::startUpOnFirstShow()
{
    m_ctx.state.window.page = app::Page::Main;
    // The start-up may run the batch (command line): it shows its progress like any run.
    runWithProgress([this](app::Context &c) {
        try {
            app::startUp(c);
        } catch (...) {
            // The window appears at its stored size even when the start-up stopped early.
            restoreGeometry();
            throw;
        }
        restoreGeometry();
    });
    const app::WindowGeometry &w = m_ctx.state.window;
    m_DBGrid1->applyColumns(w.DBGrid1Columns);
    m_DBGrid3->applyColumns(w.DBGrid3Columns);
    m_DBGrid4->applyColumns(w.DBGrid4Columns);
    m_DBGrid6->applyColumns(w.DBGrid6Columns);
    m_DBGrid5->applyColumns(w.DBGrid3Columns);
    if (m_ctx.state.run.FirstStart)
        QTimer::singleShot(10, this, &MainWindow::firstStartTimer);
}

void MainWindow::firstStartTimer()
{
    if (m_ctx.state.run.FirstStart && m_setupWizard) {
        m_setupWizard();
        showState();
    }
}

void MainWindow::restoreGeometry()
{
    const app::WindowGeometry &w = m_ctx.state.window;
    if (w.windowState == app::WindowState::Maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    // The grids' heights for the size to come, so their old ones do not hold the window up.
    app::resizeGrids(m_ctx, w.height);
    applyGridHeights();
    // The stored size is the outer one; the frame is known only once the window is mapped,
    // so the size is corrected once more then.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    resize(std::max(200, w.width - frame.left() - frame.right()),
           std::max(200, w.height - frame.top() - frame.bottom()));
    m_sizeRestorePending = frame.isNull();
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(w.width / 2, w.height / 2));
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_sizeRestorePending && windowHandle() && !windowHandle()->frameMargins().isNull() &&
        !isMaximized()) {
        m_sizeRestorePending = false;
        restoreGeometry();
        return;
    }
    app::resizeGrids(m_ctx, frameGeometry().height());
    applyGridHeights();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Never mid-run: the run saves when it ends, and a close now would save half a run.
    if (m_running) {
        event->ignore();
        return;
    }
    // "Beenden" and "startstop" end without the settings save.
    if (endRequested()) {
        event->accept();
        return;
    }
    collectState();
    app::WindowGeometry &w = m_ctx.state.window;
    if (isMinimized()) {
        w.windowState = app::WindowState::Minimized;
    } else if (isMaximized()) {
        w.windowState = app::WindowState::Maximized;
    } else {
        w.windowState = app::WindowState::Normal;
        w.height = frameGeometry().height();
        w.width = frameGeometry().width();
    }
    try {
        app::closeMainWindow(m_ctx);
    } catch (const Error &e) {
        // Settings or tables that could not be written: the window stays, so nothing is
        // lost; "Beenden" still ends without saving.
        showError(e.message());
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::endProgram()
{
    m_ending = true;
    close();
    QCoreApplication::quit();
}

void MainWindow::runWithProgress(const std::function<void(app::Context &)> &operation,
                                 bool busyAtOnce)
{
    if (m_running)
        return;
    m_running = true;
    m_notices.clear();
    m_busyShown = false;
    m_runClock.start();
    m_progressClock.invalidate();
    for (TableModel *m : m_models)
        m->setDeferred(true);
    m_ctx.progress = [this](const QString &step, qint64 done, qint64 total) {
        showProgress(step, done, total);
    };
    if (busyAtOnce)
        showBusy();

    act(operation);

    m_ctx.progress = nullptr;
    if (m_busyShown) {
        QApplication::restoreOverrideCursor();
        m_progress->hide();
        centralWidget()->setEnabled(true);
        menuBar()->setEnabled(true);
    }
    for (TableModel *m : m_models)
        m->setDeferred(false);
    m_running = false;
    showState();
}

void MainWindow::showBusy()
{
    // Everything the user could click or type is disabled; the status bar stays alive.
    m_busyShown = true;
    centralWidget()->setEnabled(false);
    menuBar()->setEnabled(false);
    m_progress->setRange(0, 0);
    m_progress->show();
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

void MainWindow::showProgress(const QString &step, qint64 done, qint64 total)
{
    // A short read (a preview of a small source) passes without the window greying out.
    if (!m_busyShown) {
        if (m_runClock.elapsed() < 150)
            return;
        showBusy();
    }
    // Ten updates a second are plenty; every one repaints the window.
    if (m_progressClock.isValid() && m_progressClock.elapsed() < 100 && done < total)
        return;
    m_progressClock.start();
    m_statusText->setText(step + QStringLiteral(" ..."));
    if (total <= 0) {
        m_progress->setRange(0, 0);
    } else {
        // A progress bar counts in int; byte counts of large files are scaled down.
        const int scale = total > 1'000'000'000 ? 1024 : 1;
        m_progress->setRange(0, int(total / scale));
        m_progress->setValue(int(std::min(done, total) / scale));
    }
    for (TableModel *m : m_models)
        m->flush();
    // Paints and timers only reach the window: its controls are disabled, so the user's
    // clicks and keys go nowhere until the run ends.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

} // namespace ordovan::ui
