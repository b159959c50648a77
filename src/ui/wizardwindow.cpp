#include "wizardwindow.h"

#include "placement.h"
#include "statemodels.h"
#include "wizardgrids.h"

#include "app/context.h"
#include "base/error.h"
#include "platform/dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace ordovan::ui {

namespace {

const QString kTitle = QStringLiteral("Einstellungsassistent für Ordovan Profi");

} // namespace

template<typename Operation>
bool WizardWindow::run(Operation operation)
{
    bool ok = false;
    try {
        operation();
        ok = true;
    } catch (const Error &e) {
        m_ctx.dialogs().uncaughtError(e.message());
    } catch (const std::exception &e) {
        m_ctx.dialogs().uncaughtError(QString::fromLocal8Bit(e.what()));
    }
    showState();
    return ok;
}

WizardWindow::WizardWindow(app::Context &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TWizzardF"));
    setWindowTitle(kTitle);
    setModal(true);

    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("PageControl1"));
    m_stack->addWidget(buildStartPage());
    m_stack->addWidget(buildSourcePage());
    m_stack->addWidget(buildMappingPage());
    m_stack->addWidget(buildFinishPage());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    resize(720, 560);

    connectControls();
    showState();
}

WizardWindow::~WizardWindow()
{
    // The grids read the state in place: they go before it does.
    delete m_stack;
}

void WizardWindow::prepare()
{
    run([&] { app::openWizard(m_ctx, m_state); });
}

int WizardWindow::exec()
{
    prepare();
    centreOnParent(this);
    return QDialog::exec();
}

void WizardWindow::connectControls()
{
    using app::WizardPage;
    auto page = [this](WizardPage p) {
        return [this, p] { run([&] { app::showWizardPage(m_state, p); }); };
    };
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_start, &QPushButton::clicked, this, page(WizardPage::Source));

    connect(SpeedButton4, &QToolButton::clicked, this,
            [this] { run([&] { app::chooseWizardSourceFile(m_ctx, m_state); }); });
    // Any change counts, not only typing: a screen reader or a speech tool may set the text.
    connect(EQuelldatei, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_state.EQuelldatei = text; });
    // A typed path is read on Return, as if it had been chosen.
    connect(EQuelldatei, &QLineEdit::returnPressed, this,
            [this] { run([&] { app::readWizardSource(m_ctx, m_state); }); });
    connect(CBTabellen, &QComboBox::activated, this, [this](int index) {
        const QString table = CBTabellen->itemText(index);
        run([&] { app::chooseWizardTable(m_ctx, m_state, table); });
    });
    // Boxes and choices react to toggled, not clicked: a screen reader toggles them without a
    // click. A choice reacts once, for the button that became chosen.
    connect(CBTitelzeile, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_showing)
            run([&] { app::setWizardTitleRow(m_ctx, m_state, on); });
    });
    connect(m_separators, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && !m_showing)
            run([&] { app::setWizardSeparator(m_ctx, m_state, app::Separator(id)); });
    });
    connect(m_next, &QPushButton::clicked, this,
            [this] { run([&] { app::showWizardMapping(m_state); }); });

    // The mouse and the keyboard move the current line; a screen reader selects a line
    // without moving it. Either way it is the line the arrow takes.
    auto follow = [this](WizardGrid *grid, int &selected, int offset) {
        QItemSelectionModel *model = grid->selectionModel();
        connect(model, &QItemSelectionModel::currentRowChanged, this,
                [&selected, offset](const QModelIndex &current) {
                    if (current.isValid())
                        selected = current.row() + offset;
                });
        connect(model, &QItemSelectionModel::selectionChanged, this, [model, &selected, offset] {
            const QModelIndexList rows = model->selectedRows();
            if (!rows.isEmpty())
                selected = rows.first().row() + offset;
        });
    };
    follow(SGDatenbank, m_state.SGDatenbank.selectedRow, 1);
    follow(SgDatei2, m_state.SgDatei2.selectedRow, 0);
    connect(SpeedButton5, &QToolButton::clicked, this,
            [this] { run([&] { app::assignWizardField(m_ctx, m_state); }); });
    connect(m_backToStep1, &QPushButton::clicked, this, page(WizardPage::Source));
    connect(m_step4, &QPushButton::clicked, this,
            [this] { run([&] { app::chooseWizardMandant(m_ctx, m_state); }); });

    connect(RGZahlungsart, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && !m_showing)
            m_state.RGZahlungsart = id;
    });
    connect(m_formats, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && !m_showing)
            m_state.SEPAFormat = sepa::Generation(id);
    });
    connect(EZieldatei, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_state.EZieldatei = text; });
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { run([&] { app::chooseWizardTargetFile(m_ctx, m_state); }); });
    connect(m_backToStep3, &QPushButton::clicked, this, page(WizardPage::Mapping));
    connect(m_finish, &QPushButton::clicked, this, [this] {
        // An error leaves the wizard open; what was done before it stays done.
        if (run([&] { app::finishWizard(m_ctx, m_state); }))
            accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void WizardWindow::showTables()
{
    QStringList items;
    for (int i = 0; i < CBTabellen->count(); ++i)
        items << CBTabellen->itemText(i);
    if (items != m_state.CBTabellenItems) {
        CBTabellen->clear();
        CBTabellen->addItems(m_state.CBTabellenItems);
    }
    CBTabellen->setCurrentIndex(int(m_state.CBTabellenItems.indexOf(m_state.CBTabellenText)));
}

void WizardWindow::showState()
{
    const QScopedValueRollback showing(m_showing, true);
    const app::WizardState &w = m_state;
    if (EQuelldatei->text() != w.EQuelldatei)
        EQuelldatei->setText(w.EQuelldatei);
    showTables();
    CBTitelzeile->setChecked(w.CBTitelzeile);
    m_separatorButtons[int(w.separator)]->setChecked(true);
    m_previewModel->refresh();

    m_mappingModel->refresh();
    m_sourceModel->refresh();
    SGDatenbank->showSelectedRow(w.SGDatenbank.selectedRow - 1);
    SgDatei2->showSelectedRow(w.SgDatei2.selectedRow);

    if (w.RGZahlungsart >= 0 && w.RGZahlungsart < int(m_paymentButtons.size())) {
        m_paymentButtons[w.RGZahlungsart]->setChecked(true);
    } else {
        RGZahlungsart->setExclusive(false);
        for (QRadioButton *b : m_paymentButtons)
            b->setChecked(false);
        RGZahlungsart->setExclusive(true);
    }
    m_formatButtons[int(w.SEPAFormat)]->setChecked(true);
    // Without a Mandant the settings have no key to go to: said in red, as on the main page.
    m_mandant->setText(w.mandantEntry.isEmpty()
                           ? QStringLiteral("Mandant: keiner ausgewählt – bitte in Schritt 4 "
                                            "einen Mandanten anlegen")
                           : QStringLiteral("Mandant: %1").arg(w.mandantEntry));
    m_mandant->setStyleSheet(w.mandantEntry.isEmpty() ? QStringLiteral("color: #c00000;")
                                                      : QString());
    if (EZieldatei->text() != w.EZieldatei)
        EZieldatei->setText(w.EZieldatei);

    // A new page takes the focus to its first control, so keyboard users start there.
    const int page = int(w.page);
    if (page != m_shownPage) {
        m_stack->setCurrentIndex(page);
        m_shownPage = page;
        QWidget *first = nullptr;
        switch (w.page) {
        case app::WizardPage::Start:
            first = m_start;
            break;
        case app::WizardPage::Source:
            first = SpeedButton4;
            break;
        case app::WizardPage::Mapping:
            first = SGDatenbank;
            break;
        case app::WizardPage::Finish:
            first = m_paymentButtons[std::max(0, w.RGZahlungsart)];
            break;
        }
        first->setFocus();
    }
}

} // namespace ordovan::ui
