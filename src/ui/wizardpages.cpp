// The four pages of the wizard window. Captions and button texts are the ones users know,
// leading blanks included; every control a keyboard or a screen reader needs has a name.
#include "statemodels.h"
#include "wizardgrids.h"
#include "wizardwindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
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

QWidget *page(const QString &name, QWidget *parent)
{
    auto *p = new QWidget(parent);
    p->setObjectName(name);
    return p;
}

QVBoxLayout *pageLayout(QWidget *page)
{
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(16, 14, 16, 12);
    v->setSpacing(8);
    return v;
}

QLabel *label(const QString &text, QWidget *parent, bool bold = false)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Return in a path field must not press a button.
    b->setAutoDefault(false);
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 32);
    return b;
}

QToolButton *fileButton(const QString &name, const QString &hint, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

QLineEdit *pathField(const QString &name, const QString &accessibleName, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAccessibleName(accessibleName);
    e->setClearButtonEnabled(false);
    return e;
}

// A line under the page's content, then its buttons: the going-back ones left, the others
// right.
void addButtonBar(QVBoxLayout *v, QWidget *parent, std::initializer_list<QPushButton *> left,
                  std::initializer_list<QPushButton *> right)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    v->addWidget(line);
    auto *bar = new QHBoxLayout;
    for (QPushButton *b : left)
        bar->addWidget(b);
    bar->addStretch(1);
    for (QPushButton *b : right)
        bar->addWidget(b);
    v->addLayout(bar);
}

} // namespace

QWidget *WizardWindow::buildStartPage()
{
    QWidget *p = page(QStringLiteral("PStart"), this);
    auto *v = pageLayout(p);
    v->addSpacing(24);
    QLabel *welcome = label(
        QStringLiteral("Herzlich Willkommen im Einrichtungsassistenten von Ordovan Profi"), p);
    welcome->setObjectName(QStringLiteral("LWillkommen"));
    QFont f = welcome->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.5);
    welcome->setFont(f);
    v->addWidget(welcome);
    v->addSpacing(8);
    v->addWidget(label(QStringLiteral("Dieser Assistent führt Sie bequem durch die grundlegenden "
                                      "Einstellungen von Ordovan Profi."),
                       p));
    v->addSpacing(16);
    QLabel *steps = label(QStringLiteral("Sie wählen nacheinander:\n"
                                         "1. die Quelldatei mit Ihren Zahlungen,\n"
                                         "2. die Tabelle oder das Trennzeichen,\n"
                                         "3. welche Spalte welches Feld füllt,\n"
                                         "4. den Mandanten,\n"
                                         "5. die Zahlungsart und das SEPA-Format,\n"
                                         "6. die Zieldatei.\n\n"
                                         "„Abschluss“ übernimmt alles in das Programmfenster und "
                                         "speichert die Einstellungen des Mandanten."),
                          p);
    steps->setObjectName(QStringLiteral("LSchritte"));
    v->addWidget(steps);
    v->addStretch(1);
    m_close = button(QStringLiteral("BSchliessen"), QStringLiteral(" Schließen"), p);
    m_start = button(QStringLiteral("BStart"), QStringLiteral(" Start"), p);
    addButtonBar(v, p, {m_close}, {m_start});
    return p;
}

QWidget *WizardWindow::buildSourcePage()
{
    QWidget *p = page(QStringLiteral("P1"), this);
    auto *v = pageLayout(p);

    QLabel *step1 =
        label(QStringLiteral("1. Schritt: Bitte wählen Sie die Quelldatei aus:"), p, true);
    v->addWidget(step1);
    EQuelldatei = pathField(QStringLiteral("EQuelldatei"), QStringLiteral("Quelldatei"), p);
    step1->setBuddy(EQuelldatei);
    SpeedButton4 =
        fileButton(QStringLiteral("SpeedButton4"), QStringLiteral("Quelldatei wählen"), p);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(EQuelldatei, 1);
    pathRow->addWidget(SpeedButton4);
    v->addLayout(pathRow);
    v->addSpacing(4);

    auto *tables = new QGroupBox(
        QStringLiteral("2. Schritt für Excel- und Accessdateien: Auswahl der Tabelle"), p);
    CBTabellen = new QComboBox(tables);
    CBTabellen->setObjectName(QStringLiteral("CBTabellen"));
    CBTabellen->setAccessibleName(QStringLiteral("Tabelle"));
    CBTabellen->setMinimumContentsLength(20);
    CBTabellen->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    QLabel *tableLabel = new QLabel(QStringLiteral("Tabelle:"), tables);
    tableLabel->setBuddy(CBTabellen);
    CBTitelzeile =
        new QCheckBox(QStringLiteral("1. Spalte in Excel-Datei enthält Feldbezeichner"), tables);
    CBTitelzeile->setObjectName(QStringLiteral("CBTitelzeile"));
    {
        auto *g = new QGridLayout(tables);
        g->addWidget(tableLabel, 0, 0);
        g->addWidget(CBTabellen, 0, 1);
        g->addWidget(CBTitelzeile, 1, 0, 1, 3);
        g->setColumnStretch(2, 1);
    }
    v->addWidget(tables);

    auto *separators =
        new QGroupBox(QStringLiteral("2. Schritt für CSV- und Text-Dateien: Trennzeichen"), p);
    m_separators = new QButtonGroup(this);
    {
        auto *h = new QHBoxLayout(separators);
        const std::pair<const char16_t *, const char16_t *> buttons[] = {
            {u"RBTabulator", u"Tabulator"}, {u"RBSemikolon", u"Semikolon"}, {u"RBKomma", u"Komma"}};
        for (int i = 0; i < 3; ++i) {
            auto *rb = new QRadioButton(QString::fromUtf16(buttons[i].second), separators);
            rb->setObjectName(QString::fromUtf16(buttons[i].first));
            m_separators->addButton(rb, i); // the order of app::Separator
            m_separatorButtons[i] = rb;
            h->addWidget(rb);
            h->addSpacing(12);
        }
        h->addStretch(1);
    }
    v->addWidget(separators);

    QLabel *previewLabel = label(QStringLiteral("Hier sehen Sie die Vorschau der Datei"), p);
    v->addWidget(previewLabel);
    SGDatei = new WizardGrid(QStringLiteral("SGDatei"), QStringLiteral("Quelldatei-Vorschau"), p);
    m_previewModel = new SourceGridModel(m_state.SGDatei, this);
    SGDatei->setModel(m_previewModel);
    SGDatei->horizontalHeader()->setDefaultSectionSize(120);
    previewLabel->setBuddy(SGDatei);
    v->addWidget(SGDatei, 1);

    m_next = button(QStringLiteral("BWeiter"), QStringLiteral(" Weiter"), p);
    addButtonBar(v, p, {}, {m_next});
    return p;
}

QWidget *WizardWindow::buildMappingPage()
{
    QWidget *p = page(QStringLiteral("P2"), this);
    auto *v = pageLayout(p);
    v->addWidget(label(QStringLiteral("Schritt 3: Bitte links und rechts die zusammengehörenden "
                                      "Zeilen markieren und dann auf den Pfeil klicken."),
                       p, true));

    SGDatenbank =
        new WizardGrid(QStringLiteral("SGDatenbank"), QStringLiteral("Spaltenzuordnung"), p);
    m_mappingModel = new MappingGridModel(m_state.SGDatenbank, this);
    SGDatenbank->setModel(m_mappingModel);
    SGDatenbank->verticalHeader()->hide();
    // The labels keep their width; the two previews share the rest, so nothing scrolls.
    SGDatenbank->setColumnWidth(0, SGDatenbank->fontMetrics().horizontalAdvance(
                                       QStringLiteral("Mandatsreferenz/NotizIntern")) +
                                       16);
    SGDatenbank->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    SGDatenbank->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);

    SgDatei2 = new WizardGrid(QStringLiteral("SgDatei2"), QStringLiteral("Quelldatei-Vorschau"), p);
    m_sourceModel = new SourceGridModel(m_state.SgDatei2, this);
    SgDatei2->setModel(m_sourceModel);
    SgDatei2->horizontalHeader()->setDefaultSectionSize(100);

    SpeedButton5 = new QToolButton(p);
    SpeedButton5->setObjectName(QStringLiteral("SpeedButton5"));
    SpeedButton5->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    SpeedButton5->setIconSize(QSize(24, 24));
    SpeedButton5->setToolTip(QStringLiteral("Zuordnen"));
    SpeedButton5->setAccessibleName(QStringLiteral("Zuordnen"));
    SpeedButton5->setFocusPolicy(Qt::StrongFocus);

    QLabel *mappingLabel = label(QStringLiteral("Spaltenzuordnung"), p);
    mappingLabel->setBuddy(SGDatenbank);
    QLabel *sourceLabel = label(QStringLiteral("Quelldatei"), p);
    sourceLabel->setBuddy(SgDatei2);

    auto *grids = new QGridLayout;
    grids->setHorizontalSpacing(6);
    grids->addWidget(mappingLabel, 0, 0);
    grids->addWidget(sourceLabel, 0, 2);
    grids->addWidget(SGDatenbank, 1, 0);
    grids->addWidget(SpeedButton5, 1, 1, Qt::AlignVCenter);
    grids->addWidget(SgDatei2, 1, 2);
    // The mapping grid shows a label and two previews, the source grid lines of a few records.
    grids->setColumnStretch(0, 3);
    grids->setColumnStretch(2, 2);
    grids->setRowStretch(1, 1);
    v->addLayout(grids, 1);

    m_backToStep1 = button(QStringLiteral("BZurueck1"), QStringLiteral(" zurück zu Schritt 1"), p);
    m_step4 = button(QStringLiteral("BSchritt4"), QStringLiteral(" Schritt 4"), p);
    addButtonBar(v, p, {m_backToStep1}, {m_step4});
    return p;
}

QWidget *WizardWindow::buildFinishPage()
{
    QWidget *p = page(QStringLiteral("P3"), this);
    auto *v = pageLayout(p);
    v->addWidget(label(QStringLiteral("5. Schritt: Wählen Sie die Zahlungsart aus:"), p, true));

    auto *payment = new QGroupBox(QStringLiteral("Zahlungsart"), p);
    payment->setObjectName(QStringLiteral("RGZahlungsart"));
    RGZahlungsart = new QButtonGroup(this);
    {
        auto *c = new QVBoxLayout(payment);
        const QStringList captions = {
            QStringLiteral("Lastschrift CORE"), QStringLiteral("Lastschrift COR1"),
            QStringLiteral("Lastschrift B2B"), QStringLiteral("Gutschrift")};
        for (int i = 0; i < captions.size(); ++i) {
            auto *rb = new QRadioButton(captions[i], payment);
            rb->setObjectName(QStringLiteral("RGZahlungsart%1").arg(i));
            RGZahlungsart->addButton(rb, i);
            m_paymentButtons[i] = rb;
            c->addWidget(rb);
        }
    }

    auto *format = new QGroupBox(QStringLiteral("SEPA-Format"), p);
    format->setObjectName(QStringLiteral("RGSEPAFormat"));
    m_formats = new QButtonGroup(this);
    {
        auto *c = new QVBoxLayout(format);
        const std::pair<sepa::Generation, QString> formats[] = {
            {sepa::Generation::V2019, QStringLiteral("2019 (pain.001.001.09 / pain.008.001.08)")},
            {sepa::Generation::V2009, QStringLiteral("2009 (pain.001.001.03 / pain.008.001.02)")}};
        for (const auto &[generation, caption] : formats) {
            auto *rb = new QRadioButton(caption, format);
            rb->setObjectName(QStringLiteral("RBFormat%1")
                                  .arg(generation == sepa::Generation::V2019 ? 2019 : 2009));
            m_formats->addButton(rb, int(generation));
            m_formatButtons[int(generation)] = rb;
            c->addWidget(rb);
        }
        c->addStretch(1);
    }

    auto *choices = new QHBoxLayout;
    choices->addWidget(payment, 2);
    choices->addWidget(format, 3);
    v->addLayout(choices);

    m_mandant = label(QString(), p);
    m_mandant->setObjectName(QStringLiteral("LMandant"));
    v->addWidget(m_mandant);
    v->addSpacing(8);

    QLabel *step6 = label(
        QStringLiteral("6. Bitte wählen Sie den Speicherort und Dateinamen der Zieldatei aus:"), p,
        true);
    v->addWidget(step6);
    EZieldatei = pathField(QStringLiteral("EZieldatei"), QStringLiteral("Zieldatei"), p);
    step6->setBuddy(EZieldatei);
    SpeedButton2 =
        fileButton(QStringLiteral("SpeedButton2"), QStringLiteral("Zieldatei wählen"), p);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(EZieldatei, 1);
    pathRow->addWidget(SpeedButton2);
    v->addLayout(pathRow);
    v->addStretch(1);

    m_backToStep3 = button(QStringLiteral("BZurueck3"), QStringLiteral(" zurück zu Schritt 3"), p);
    m_finish = button(QStringLiteral("BAbschluss"), QStringLiteral(" Abschluss"), p);
    m_cancel = button(QStringLiteral("BAbbrechen"), QStringLiteral(" Abbrechen"), p);
    addButtonBar(v, p, {m_backToStep3}, {m_finish, m_cancel});
    return p;
}

} // namespace ordovan::ui
