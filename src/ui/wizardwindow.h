#pragma once

#include "app/wizard.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace ordovan::app {
class Context;
}

namespace ordovan::ui {

class WizardGrid;
class MappingGridModel;
class SourceGridModel;

// "Einstellungsassistent für Ordovan Profi": four pages on a stack (PStart, P1, P2, P3). The
// window keeps the wizard's fields (app::WizardState) from one showing to the next; each
// control calls one wizard operation (app/wizard.h) and the window then shows the state
// again. The main window creates it once and calls exec() from the menu and after a first
// start.
class WizardWindow : public QDialog
{
    Q_OBJECT

public:
    WizardWindow(app::Context &ctx, QWidget *parent = nullptr);
    ~WizardWindow() override;

    // Shows the wizard modally on its start page; returns when it has been closed.
    int exec() override;
    // What exec() does before it waits: the main window's purpose-line handler runs and the
    // start page shows. Tests show the window themselves after it.
    void prepare();

    const app::WizardState &state() const { return m_state; }

private:
    QWidget *buildStartPage();
    QWidget *buildSourcePage();
    QWidget *buildMappingPage();
    QWidget *buildFinishPage();
    void connectControls();
    void showState();
    void showTables();
    // Runs one operation; an error it raises is shown, and the window shows the state again.
    // Returns false when it raised one.
    template<typename Operation>
    bool run(Operation operation);

    app::Context &m_ctx;
    app::WizardState m_state;
    // While the state is shown, boxes and choices set by the program are no user's choice.
    bool m_showing = false;
    int m_shownPage = -1;

    QStackedWidget *m_stack = nullptr;
    // PStart
    QPushButton *m_close = nullptr;
    QPushButton *m_start = nullptr;
    // P1
    QLineEdit *EQuelldatei = nullptr;
    QToolButton *SpeedButton4 = nullptr;
    QComboBox *CBTabellen = nullptr;
    QCheckBox *CBTitelzeile = nullptr;
    QButtonGroup *m_separators = nullptr;
    std::array<QRadioButton *, 3> m_separatorButtons = {};
    WizardGrid *SGDatei = nullptr;
    SourceGridModel *m_previewModel = nullptr;
    QPushButton *m_next = nullptr;
    // P2
    WizardGrid *SGDatenbank = nullptr;
    MappingGridModel *m_mappingModel = nullptr;
    WizardGrid *SgDatei2 = nullptr;
    SourceGridModel *m_sourceModel = nullptr;
    QToolButton *SpeedButton5 = nullptr;
    QPushButton *m_backToStep1 = nullptr;
    QPushButton *m_step4 = nullptr;
    // P3
    QButtonGroup *RGZahlungsart = nullptr;
    std::array<QRadioButton *, 4> m_paymentButtons = {};
    QButtonGroup *m_formats = nullptr;
    std::array<QRadioButton *, 2> m_formatButtons = {};
    QLabel *m_mandant = nullptr;
    QLineEdit *EZieldatei = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QPushButton *m_backToStep3 = nullptr;
    QPushButton *m_finish = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace ordovan::ui
