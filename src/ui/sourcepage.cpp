#include "sourcepage.h"

#include "recordgrid.h"
#include "statemodels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace ordovan::ui {

namespace {

QRadioButton *radio(const QString &name, const QString &caption, QWidget *parent)
{
    auto *r = new QRadioButton(caption, parent);
    r->setObjectName(name);
    return r;
}

QVBoxLayout *column(QGroupBox *g)
{
    auto *v = new QVBoxLayout(g);
    v->setContentsMargins(6, 2, 6, 4);
    v->setSpacing(1);
    return v;
}

} // namespace

SourcePage::SourcePage(app::SourcePage &state, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheetQuelldatei"));

    auto *separator = new QGroupBox(QStringLiteral("Feld-Trennzeichen"), this);
    RBTabulator = radio(QStringLiteral("RBTabulator"), QStringLiteral("Tabulator"), separator);
    RBSemikolon = radio(QStringLiteral("RBSemikolon"), QStringLiteral("Semikolon"), separator);
    RBKomma = radio(QStringLiteral("RBKomma"), QStringLiteral("Komma"), separator);
    {
        auto *v = column(separator);
        for (QRadioButton *r : {RBTabulator, RBSemikolon, RBKomma})
            v->addWidget(r);
    }

    auto *qualifier = new QGroupBox(QStringLiteral("Text-Kennzeichner"), this);
    RBdoppelt =
        radio(QStringLiteral("RBdoppelt"), QStringLiteral("Anführungszeichen: \"\""), qualifier);
    RBeinfach =
        radio(QStringLiteral("RBeinfach"), QStringLiteral("Anführungszeichen: ''"), qualifier);
    RBkeine = radio(QStringLiteral("RBkeine"), QStringLiteral("keine"), qualifier);
    {
        auto *v = column(qualifier);
        for (QRadioButton *r : {RBdoppelt, RBeinfach, RBkeine})
            v->addWidget(r);
    }

    auto *title = new QGroupBox(QStringLiteral("Titelzeile"), this);
    CBTitelzeile = new QCheckBox(QStringLiteral("1. Spalte enthält Feldbezeichner"), title);
    CBTitelzeile->setObjectName(QStringLiteral("CBTitelzeile"));
    column(title)->addWidget(CBTitelzeile);

    auto *tables = new QGroupBox(QStringLiteral("Tabelle"), this);
    CBTabellen = new QComboBox(tables);
    CBTabellen->setObjectName(QStringLiteral("CBTabellen"));
    CBTabellen->setAccessibleName(QStringLiteral("Tabelle"));
    CBTabellen->setMinimumContentsLength(16);
    // Typed names count too: the stored name shows before the source is read.
    CBTabellen->setEditable(true);
    CBTabellen->setInsertPolicy(QComboBox::NoInsert);
    // A screen reader meets the box's text field on its own as well.
    CBTabellen->lineEdit()->setAccessibleName(QStringLiteral("Tabelle"));
    column(tables)->addWidget(CBTabellen);

    auto *amount = new QGroupBox(QStringLiteral("Betrage: 11,58 € werden dargestellt:"), this);
    amount->setObjectName(QStringLiteral("RGBetrag"));
    betrag[0] = radio(QStringLiteral("RGBetrag0"), QStringLiteral("11,58"), amount);
    betrag[1] = radio(QStringLiteral("RGBetrag1"), QStringLiteral("1158"), amount);
    {
        auto *v = column(amount);
        v->addWidget(betrag[0]);
        v->addWidget(betrag[1]);
        v->addStretch(1);
    }

    // Two rows, so that the page fits a window of 700 pixels.
    auto *options = new QGridLayout;
    options->setHorizontalSpacing(6);
    options->setVerticalSpacing(4);
    options->addWidget(separator, 0, 0);
    options->addWidget(qualifier, 0, 1);
    options->addWidget(amount, 0, 2);
    options->addWidget(title, 1, 0, 1, 2);
    options->addWidget(tables, 1, 2);
    options->setColumnStretch(3, 1);
    for (QGroupBox *g : {separator, qualifier, amount, title, tables})
        g->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    // The grids: the mapping on the left, the source on the right, the arrow between them.
    SGDatenbank =
        new StringGrid(QStringLiteral("SGDatenbank"), QStringLiteral("Spaltenzuordnung"), this);
    m_mappingModel = new MappingGridModel(state.SGDatenbank, this);
    SGDatenbank->setModel(m_mappingModel);
    SGDatenbank->verticalHeader()->hide();
    SGDatenbank->horizontalHeader()->setStretchLastSection(true);
    SGDatenbank->setColumnWidth(0, 140);
    SGDatenbank->setColumnWidth(1, 100);

    SGDatei =
        new StringGrid(QStringLiteral("SGDatei"), QStringLiteral("Quelldatei-Vorschau"), this);
    m_sourceModel = new SourceGridModel(state.SGDatei, this);
    SGDatei->setModel(m_sourceModel);
    SGDatei->horizontalHeader()->setDefaultSectionSize(110);

    SpeedButton5 = new QToolButton(this);
    SpeedButton5->setObjectName(QStringLiteral("SpeedButton5"));
    SpeedButton5->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    SpeedButton5->setIconSize(QSize(24, 24));
    SpeedButton5->setToolTip(QStringLiteral("Zuordnen"));
    SpeedButton5->setAccessibleName(QStringLiteral("Zuordnen"));

    Button4 = new QPushButton(QStringLiteral("Zuordnung löschen"), this);
    Button4->setObjectName(QStringLiteral("Button4"));

    auto *mappingGroup = new QGroupBox(QStringLiteral("Spaltenzuordnung"), this);
    {
        auto *v = new QVBoxLayout(mappingGroup);
        v->setContentsMargins(4, 2, 4, 4);
        v->addWidget(SGDatenbank, 1);
        auto *h = new QHBoxLayout;
        h->addWidget(Button4);
        h->addStretch(1);
        v->addLayout(h);
    }
    auto *sourceGroup = new QGroupBox(QStringLiteral("Quelldatei"), this);
    {
        auto *v = new QVBoxLayout(sourceGroup);
        v->setContentsMargins(4, 2, 4, 4);
        v->addWidget(SGDatei, 1);
    }
    auto *arrow = new QVBoxLayout;
    arrow->addStretch(1);
    arrow->addWidget(SpeedButton5);
    arrow->addStretch(1);

    auto *grids = new QHBoxLayout;
    grids->setSpacing(4);
    grids->addWidget(mappingGroup, 5);
    grids->addLayout(arrow);
    grids->addWidget(sourceGroup, 4);

    auto *hint = new QLabel(QStringLiteral("Bitte einfach links und rechts die zusammengehörenden "
                                           "Zeilen markieren und dann auf den Pfeil klicken."),
                            this);
    hint->setWordWrap(true);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(6);
    v->addLayout(options);
    v->addLayout(grids, 1);
    v->addWidget(hint);
}

void SourcePage::show(const app::MainState &s)
{
    const app::SourcePage &p = s.source;
    RBTabulator->setChecked(p.separator == app::Separator::Tab);
    RBSemikolon->setChecked(p.separator == app::Separator::Semicolon);
    RBKomma->setChecked(p.separator == app::Separator::Comma);
    RBdoppelt->setChecked(p.qualifier == app::Qualifier::Double);
    RBeinfach->setChecked(p.qualifier == app::Qualifier::Single);
    RBkeine->setChecked(p.qualifier == app::Qualifier::None);
    CBTitelzeile->setChecked(p.CBTitelzeile);
    for (int i = 0; i < 2; ++i) {
        betrag[i]->setAutoExclusive(false);
        betrag[i]->setChecked(int(p.RGBetrag) == i);
        betrag[i]->setAutoExclusive(true);
    }
    QStringList items;
    for (int i = 0; i < CBTabellen->count(); ++i)
        items << CBTabellen->itemText(i);
    if (items != p.CBTabellenItems) {
        CBTabellen->clear();
        CBTabellen->addItems(p.CBTabellenItems);
    }
    if (CBTabellen->currentText() != p.CBTabellenText)
        CBTabellen->setEditText(p.CBTabellenText);

    m_mappingModel->refresh();
    m_sourceModel->refresh();
    SGDatenbank->selectRow(p.SGDatenbank.selectedRow - 1);
    SGDatei->selectRow(p.SGDatei.selectedRow);
}

void SourcePage::collect(app::MainState &s) const
{
    app::SourcePage &p = s.source;
    if (RBTabulator->isChecked())
        p.separator = app::Separator::Tab;
    else if (RBSemikolon->isChecked())
        p.separator = app::Separator::Semicolon;
    else if (RBKomma->isChecked())
        p.separator = app::Separator::Comma;
    if (RBdoppelt->isChecked())
        p.qualifier = app::Qualifier::Double;
    else if (RBeinfach->isChecked())
        p.qualifier = app::Qualifier::Single;
    else if (RBkeine->isChecked())
        p.qualifier = app::Qualifier::None;
    p.CBTitelzeile = CBTitelzeile->isChecked();
    if (betrag[0]->isChecked())
        p.RGBetrag = app::AmountNotation::Decimal;
    else if (betrag[1]->isChecked())
        p.RGBetrag = app::AmountNotation::Cents;
    p.CBTabellenText = CBTabellen->currentText();
    if (SGDatenbank->selectedRow() >= 0)
        p.SGDatenbank.selectedRow = SGDatenbank->selectedRow() + 1;
    if (SGDatei->selectedRow() >= 0)
        p.SGDatei.selectedRow = SGDatei->selectedRow();
}

} // namespace ordovan::ui
