#include "mandanteditorwindow.h"

#include "placement.h"

#include "app/context.h"
#include "app/operations.h"
#include "base/error.h"
#include "platform/dialogs.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace ordovan::ui {

namespace {

const QString kTitle = QStringLiteral("Mandantenverwaltung");
const QString kNew = QStringLiteral("NEU");
const QString kSave = QStringLiteral("Speichern");
const QString kDelete = QStringLiteral("Löschen");
const QString kClose = QStringLiteral("Schließen");
const QString kActiveAccount = QStringLiteral("Aktives Konto");
const QString kAccount = QStringLiteral("Konto %1");
const QString kPreviousHint = QStringLiteral("Vorheriges Mitglied");
const QString kNextHint = QStringLiteral("Nächstes Mitglied");
const QString kHelpHint = QStringLiteral("Hile aufrufen");

const QString kNameField = QStringLiteral("Name");
const QString kActiveAccountField = QStringLiteral("Aktives Konto");

// Wide enough for an IBAN of 34 characters and most names.
constexpr int kBoxCharacters = 36;

QPushButton *pushButton(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Return in a box must not press "NEU" or "Löschen".
    b->setAutoDefault(false);
    return b;
}

// An icon-only button: screen readers and the tooltip name it by its hint.
QToolButton *iconButton(QWidget *parent, const QString &name, QStyle::StandardPixmap icon,
                        const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(parent->style()->standardIcon(icon, nullptr, parent));
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

// Read-only boxes look like the window behind them, so nobody tries to type there.
void showAsReadOnly(QLineEdit *box, bool frame)
{
    box->setReadOnly(true);
    box->setFrame(frame);
    QPalette p = box->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    box->setPalette(p);
}

} // namespace

template<typename Operation>
void MandantEditorWindow::run(Operation operation)
{
    if (!m_ctx)
        return;
    try {
        operation();
    } catch (const Error &e) {
        m_ctx->dialogs().uncaughtError(e.message());
    } catch (const std::exception &e) {
        m_ctx->dialogs().uncaughtError(QString::fromLocal8Bit(e.what()));
    }
    showState();
}

MandantEditorWindow::MandantEditorWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TMandantenF"));
    setWindowTitle(kTitle);
    buildControls();
}

MandantEditorWindow::~MandantEditorWindow() = default;

void MandantEditorWindow::buildControls()
{
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    const int boxWidth = fontMetrics().averageCharWidth() * kBoxCharacters;

    // Created column by column, so the tab order runs down the left column, then the right.
    auto addColumn = [&](const QList<app::MandantBox> &boxes, int column) {
        int row = 0;
        for (const app::MandantBox &b : boxes) {
            auto *box = new QLineEdit(this);
            box->setObjectName(QStringLiteral("DBEdit") + b.field);
            box->setAccessibleName(b.caption);
            box->setMinimumWidth(boxWidth);
            auto *label = new QLabel(b.caption, this);
            label->setObjectName(QStringLiteral("L") + b.field);
            label->setBuddy(box);
            grid->addWidget(label, row, column);
            grid->addWidget(box, row, column + 1);
            ++row;
            m_boxes.insert(b.field, box);
            if (b.readOnly) {
                showAsReadOnly(box, b.field != QStringLiteral("ID"));
                continue;
            }
            if (b.field.startsWith(QStringLiteral("BLZ"))) {
                box->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]{0,8}")), box));
            }
            // Any change but the window's own counts: a screen reader or a speech tool may
            // set the text instead of typing it.
            connect(box, &QLineEdit::textChanged, this, [this, field = b.field](const QString &t) {
                if (!m_showing)
                    run([&] { app::setMandantField(*m_ctx, field, t); });
            });
        }
        return row;
    };
    addColumn(app::mandantEditorLeftColumn(), 0);
    const int accountRow = addColumn(app::mandantEditorRightColumn(), 3);

    auto *accountLabel = new QLabel(kActiveAccount, this);
    accountLabel->setObjectName(QStringLiteral("LAktivesKonto"));
    auto *accountBox = new QWidget(this);
    accountBox->setObjectName(QStringLiteral("RGAktivesKonto"));
    accountBox->setAccessibleName(kActiveAccount);
    auto *accountLayout = new QHBoxLayout(accountBox);
    accountLayout->setContentsMargins(0, 0, 0, 0);
    m_accounts = new QButtonGroup(this);
    for (int n = 1; n <= 3; ++n) {
        auto *rb = new QRadioButton(kAccount.arg(n), accountBox);
        rb->setObjectName(QStringLiteral("RBKonto%1").arg(n));
        m_accounts->addButton(rb, n);
        m_accountButtons[n - 1] = rb;
        accountLayout->addWidget(rb);
    }
    accountLayout->addStretch();
    accountLabel->setBuddy(m_accountButtons[0]);
    grid->addWidget(accountLabel, accountRow, 3);
    grid->addWidget(accountBox, accountRow, 4);
    // Toggled, not clicked: a screen reader chooses an account without a click.
    connect(m_accounts, &QButtonGroup::idToggled, this, [this](int n, bool checked) {
        if (checked && !m_showing)
            run([&] { app::setActiveAccount(*m_ctx, n); });
    });

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    m_new = pushButton(this, QStringLiteral("BNeu"), kNew);
    m_save = pushButton(this, QStringLiteral("BSpeichern"), kSave);
    m_delete = pushButton(this, QStringLiteral("BLoeschen"), kDelete);
    m_close = pushButton(this, QStringLiteral("BSchliessen"), kClose);
    auto *navigator = new QWidget(this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto *navigatorLayout = new QHBoxLayout(navigator);
    navigatorLayout->setContentsMargins(0, 0, 0, 0);
    navigatorLayout->setSpacing(2);
    m_previous =
        iconButton(navigator, QStringLiteral("BVorheriges"), QStyle::SP_ArrowLeft, kPreviousHint);
    m_next = iconButton(navigator, QStringLiteral("BNaechstes"), QStyle::SP_ArrowRight, kNextHint);
    navigatorLayout->addWidget(m_previous);
    navigatorLayout->addWidget(m_next);
    m_help = iconButton(this, QStringLiteral("BHilfe"), QStyle::SP_MessageBoxQuestion, kHelpHint);

    auto *bar = new QHBoxLayout;
    for (QPushButton *b : {m_new, m_save, m_delete, m_close})
        bar->addWidget(b);
    bar->addStretch();
    bar->addWidget(navigator);
    bar->addSpacing(12);
    bar->addWidget(m_help);

    auto *main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addSpacing(4);
    main->addWidget(line);
    main->addLayout(bar);
    main->setSizeConstraint(QLayout::SetMinimumSize);

    connect(m_new, &QPushButton::clicked, this, [this] {
        run([&] { app::startNewMandant(*m_ctx); });
        m_boxes.value(kNameField)->setFocus();
    });
    connect(m_save, &QPushButton::clicked, this,
            [this] { run([&] { app::saveMandant(*m_ctx); }); });
    connect(m_delete, &QPushButton::clicked, this,
            [this] { run([&] { app::deleteMandant(*m_ctx); }); });
    connect(m_close, &QPushButton::clicked, this, &MandantEditorWindow::reject);
    connect(m_previous, &QToolButton::clicked, this,
            [this] { run([&] { app::showPreviousMandant(*m_ctx); }); });
    connect(m_next, &QToolButton::clicked, this,
            [this] { run([&] { app::showNextMandant(*m_ctx); }); });
    connect(m_help, &QToolButton::clicked, this, [this] { run([&] { app::openManual(*m_ctx); }); });
}

void MandantEditorWindow::edit(app::Context &ctx)
{
    attach(ctx);
    centreOnParent(this);
    exec();
    detach();
}

void MandantEditorWindow::attach(app::Context &ctx)
{
    m_ctx = &ctx;
    const store::Table &m = ctx.data.ClientDataSet3;
    {
        // A shorter limit may cut what a box shows; that is no edit.
        const QScopedValueRollback showing(m_showing, true);
        for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it) {
            const int width = m.isOpen() ? app::mandantFieldWidth(m, it.key()) : 0;
            if (width > 0)
                it.value()->setMaxLength(width);
        }
    }
    showState();
    m_boxes.value(kNameField)->setFocus();
}

void MandantEditorWindow::detach()
{
    m_ctx = nullptr;
}

void MandantEditorWindow::reject()
{
    if (!m_ctx) {
        QDialog::reject();
        return;
    }
    bool close = false;
    run([&] { close = app::confirmCloseMandantEditor(*m_ctx); });
    if (close)
        QDialog::reject();
}

void MandantEditorWindow::showBox(QLineEdit *box, const QString &text)
{
    if (box->text() == text)
        return;
    // The box being typed in keeps its cursor when a refused character is taken back.
    const int cursor = box->cursorPosition();
    box->setText(text);
    if (box->hasFocus())
        box->setCursorPosition(std::min(cursor, int(text.size())));
}

void MandantEditorWindow::showState()
{
    if (!m_ctx)
        return;
    const QScopedValueRollback showing(m_showing, true);
    const store::Table &m = m_ctx->data.ClientDataSet3;
    const app::MandantEditorControls c = app::mandantEditorControls(*m_ctx);
    const bool row = c.editable && (c.canSave || m.hasCurrentRow());

    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it) {
        showBox(it.value(), row && m.fieldIndex(it.key()) >= 0 ? m.text(it.key()) : QString());
        it.value()->setEnabled(c.editable);
    }

    const std::optional<qint32> active = row && m.fieldIndex(kActiveAccountField) >= 0
                                             ? m.integer(kActiveAccountField)
                                             : std::nullopt;
    // An account outside 1..3 (an old file) shows no button chosen.
    m_accounts->setExclusive(false);
    for (int n = 1; n <= 3; ++n) {
        m_accountButtons[n - 1]->setChecked(active == n);
        m_accountButtons[n - 1]->setEnabled(c.editable);
    }
    m_accounts->setExclusive(true);

    m_new->setEnabled(c.editable);
    m_save->setEnabled(c.canSave);
    m_delete->setEnabled(c.canDelete);
    m_previous->setEnabled(c.canPrevious);
    m_next->setEnabled(c.canNext);
}

} // namespace ordovan::ui
