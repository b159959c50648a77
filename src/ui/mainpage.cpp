// The tab "Hauptseite". The upper panel keeps the pixel heights the program always had (its
// grid heights and the eight-line switch are computed from them), so its groups are placed
// by panel1Geometry() rather than by a layout; inside each group a layout aligns the
// controls.
#include "mainpage.h"

#include "recordgrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ordovan::ui {

Panel1Geometry panel1Geometry(int width, bool eightLines)
{
    constexpr int margin = 6;
    constexpr int gap = 6;
    const int usable = std::max(0, width - 2 * margin - gap);
    // The right side holds the options, dates and files, the left side the Mandant with the
    // payment type, the constant fields and the result; beyond these widths a maximised
    // window leaves the space empty rather than stretching the groups apart.
    const int right = std::clamp(int(usable * 0.42 + 0.5), 0, 420);
    const int left = std::min(usable - right, 620);
    const int payment = std::min(130, left / 3);
    const int mandant = left - payment - gap;
    const int rx = margin + left + gap;
    const int shift = eightLines ? 48 : 0;

    Panel1Geometry g;
    g.height = 401 + shift;
    g.mandant = QRect(margin, 4, mandant, 188);
    g.zahlungsart = QRect(margin + mandant + gap, 4, payment, 188);
    g.konstante = QRect(margin, 196, left, 81 + shift);
    g.ergebnis = QRect(margin, 280 + shift, left, 74);
    g.optionen = QRect(rx, 4, right, 120);
    g.datum = QRect(rx, 128, right, 98);
    g.quelldatei = QRect(rx, 230, right, 60);
    g.zieldatei = QRect(rx, 294, right, 60);
    g.buttons = QRect(0, g.height - 40, width, 40);
    return g;
}

namespace {

QLabel *valueLabel(const QString &name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QToolButton *iconButton(const QString &name, QStyle::StandardPixmap icon, const QString &hint,
                        QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAccessibleName(hint);
    b->setAutoRaise(false);
    return b;
}

QLineEdit *lineEdit(const QString &name, const QString &accessibleName, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAccessibleName(accessibleName);
    return e;
}

QGroupBox *group(const QString &title, QWidget *parent)
{
    auto *g = new QGroupBox(title, parent);
    return g;
}

} // namespace

MainPage::MainPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheetHauptseite"));
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, windowColour());
    Panel1->setPalette(pal);
    Panel1->installEventFilter(this);

    // --- Mandant ---
    m_mandant = group(QStringLiteral("Mandant"), Panel1);
    CBMandanten = new QComboBox(m_mandant);
    CBMandanten->setObjectName(QStringLiteral("CBMandanten"));
    CBMandanten->setAccessibleName(QStringLiteral("Mandant"));
    finden = iconButton(QStringLiteral("SpeedButton3"), QStyle::SP_FileDialogContentsView,
                        QStringLiteral("Finden"), m_mandant);
    Label9 = new QLabel(QStringLiteral("Bitte hier einen Mandanten anlegen --^"), m_mandant);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->setStyleSheet(QStringLiteral("color: rgb(220, 0, 0);"));
    Label9->hide();
    LKontoinhaber = valueLabel(QStringLiteral("LKontoinhaber"), m_mandant);
    linhaberstrasse = valueLabel(QStringLiteral("linhaberstrasse"), m_mandant);
    LKontonummer = valueLabel(QStringLiteral("LKontonummer"), m_mandant);
    LBankleitzahl = valueLabel(QStringLiteral("LBankleitzahl"), m_mandant);
    LIBAN = valueLabel(QStringLiteral("LIBAN"), m_mandant);
    LBIC = valueLabel(QStringLiteral("LBIC"), m_mandant);
    LDebtorID = valueLabel(QStringLiteral("LDebtorID"), m_mandant);
    {
        auto *v = new QVBoxLayout(m_mandant);
        v->setContentsMargins(6, 2, 6, 4);
        v->setSpacing(2);
        auto *row = new QHBoxLayout;
        row->setSpacing(3);
        row->addWidget(CBMandanten, 1);
        row->addWidget(finden);
        v->addLayout(row);
        v->addWidget(Label9);
        auto *form = new QGridLayout;
        form->setHorizontalSpacing(6);
        form->setVerticalSpacing(1);
        const std::pair<const char16_t *, QLabel *> rows[] = {
            {u"Inhaber:", LKontoinhaber}, {u"", linhaberstrasse}, {u"Kontonnummer:", LKontonummer},
            {u"BLZ:", LBankleitzahl},     {u"IBAN:", LIBAN},      {u"BIC:", LBIC},
            {u"Gl-ID:", LDebtorID}};
        int r = 0;
        for (const auto &[caption, value] : rows) {
            form->addWidget(new QLabel(QString::fromUtf16(caption), m_mandant), r, 0);
            form->addWidget(value, r++, 1);
        }
        form->setColumnStretch(1, 1);
        v->addLayout(form);
        v->addStretch(1);
    }

    // --- Zahlungsart ---
    RGZahlungsart = group(QStringLiteral("Zahlungsart"), Panel1);
    RGZahlungsart->setObjectName(QStringLiteral("RGZahlungsart"));
    {
        auto *v = new QVBoxLayout(RGZahlungsart);
        v->setContentsMargins(6, 4, 6, 4);
        v->setSpacing(4);
        for (int i = 0; i < 4; ++i) {
            zahlungsart[i] = new QRadioButton(app::paymentTypeCaption(i), RGZahlungsart);
            zahlungsart[i]->setObjectName(QStringLiteral("RGZahlungsart%1").arg(i));
            v->addWidget(zahlungsart[i]);
        }
        v->addStretch(1);
    }

    // --- Optionen ---
    m_optionen = group(QStringLiteral("Optionen"), Panel1);
    {
        auto *v = new QVBoxLayout(m_optionen);
        v->setContentsMargins(6, 2, 6, 4);
        v->setSpacing(1);
        auto box = [&](QCheckBox *&b, const char *name, const QString &caption) {
            b = new QCheckBox(caption, m_optionen);
            b->setObjectName(QString::fromLatin1(name));
            v->addWidget(b);
        };
        box(CBBegleit, "CBBegleit", QStringLiteral("Begleitblatt automatisch drucken"));
        box(CBBuchungs, "CBBuchungs", QStringLiteral("Buchungsliste automatisch drucken"));
        box(CBLogspeichern, "CBLogspeichern",
            QStringLiteral("Begleitblatt/Buchungsliste in Datei drucken"));
        box(CB8Verw, "CB8Verw", QStringLiteral("8 Verwendungszweckzeilen"));
        box(CBIBANonly, "CBIBANonly", QStringLiteral("IBAN only (nur Zahlungen innerhalb DE)"));
        v->addStretch(1);
    }

    // --- Daten der DTAUS-Diskette ---
    m_datum = group(QStringLiteral("Daten der DTAUS-Diskette"), Panel1);
    {
        auto date = [this](const char *name, const QString &accessibleName) {
            auto *d = new QDateEdit(m_datum);
            d->setObjectName(QString::fromLatin1(name));
            d->setAccessibleName(accessibleName);
            d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
            d->setCalendarPopup(true);
            return d;
        };
        DTPErstell = date("DTPErstell", QStringLiteral("Erstellungsdatum"));
        DTPAusf = date("DTPAusf", QStringLiteral("Ausführungsdatum"));
        CBDatumueberschreiben =
            new QCheckBox(QStringLiteral("Datum der Einzelbuchungen überschreiben"), m_datum);
        CBDatumueberschreiben->setObjectName(QStringLiteral("CBDatumueberschreiben"));
        auto *grid = new QGridLayout(m_datum);
        grid->setContentsMargins(6, 2, 6, 4);
        grid->setVerticalSpacing(3);
        auto *l1 = new QLabel(QStringLiteral("Erstellungsdatum:"), m_datum);
        auto *l2 = new QLabel(QStringLiteral("Ausführungsdatum:"), m_datum);
        l1->setBuddy(DTPErstell);
        l2->setBuddy(DTPAusf);
        grid->addWidget(l1, 0, 0);
        grid->addWidget(DTPErstell, 0, 1);
        grid->addWidget(l2, 1, 0);
        grid->addWidget(DTPAusf, 1, 1);
        grid->addWidget(CBDatumueberschreiben, 2, 0, 1, 3);
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(3, 1);
    }

    // --- Files ---
    auto fileGroup = [this](QGroupBox *&g, const QString &title, QLineEdit *&edit,
                            const char *editName, const QString &accessibleName,
                            QToolButton *&button, const char *buttonName, const QString &hint,
                            QStyle::StandardPixmap icon) {
        g = group(title, Panel1);
        edit = lineEdit(QString::fromLatin1(editName), accessibleName, g);
        button = iconButton(QString::fromLatin1(buttonName), icon, hint, g);
        auto *h = new QHBoxLayout(g);
        h->setContentsMargins(6, 2, 6, 6);
        h->setSpacing(3);
        h->addWidget(edit, 1);
        h->addWidget(button);
    };
    fileGroup(m_quelle, QStringLiteral("Quelldatei (Excel, Access, CSV,TXT)"), EQuelldatei,
              "EQuelldatei", QStringLiteral("Quelldatei"), SpeedButton4, "SpeedButton4",
              QStringLiteral("Quelldatei wählen"), QStyle::SP_DialogOpenButton);
    fileGroup(m_ziel, QStringLiteral("Zieldatei"), EZieldatei, "EZieldatei",
              QStringLiteral("Zieldatei"), SpeedButton2, "SpeedButton2",
              QStringLiteral("Zieldatei wählen"), QStyle::SP_DialogSaveButton);

    // --- Konstante Felder: Verw 1 .. 8 in two columns, Betrag beside the first row; Verw 9 to
    // 14 exist for the settings but are never shown. ---
    GroupBox10 = group(QStringLiteral("Konstante Felder"), Panel1);
    GroupBox10->setObjectName(QStringLiteral("GroupBox10"));
    {
        auto *grid = new QGridLayout(GroupBox10);
        grid->setContentsMargins(6, 1, 6, 3);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(2);
        for (int i = 0; i < 14; ++i) {
            const QString caption = QStringLiteral("Verw %1").arg(i + 1);
            CBVerwkonst[i] = new QCheckBox(caption, GroupBox10);
            CBVerwkonst[i]->setObjectName(QStringLiteral("CBVerw%1konst").arg(i + 1));
            EVErwKonst[i] =
                lineEdit(QStringLiteral("EVErw%1Konst").arg(i + 1), caption, GroupBox10);
            EVErwKonst[i]->setEnabled(false);
            if (i < 8) {
                grid->addWidget(CBVerwkonst[i], i / 2, (i % 2) * 2);
                grid->addWidget(EVErwKonst[i], i / 2, (i % 2) * 2 + 1);
            } else {
                CBVerwkonst[i]->hide();
                EVErwKonst[i]->hide();
            }
        }
        CBBetragkonst = new QCheckBox(QStringLiteral("Betrag"), GroupBox10);
        CBBetragkonst->setObjectName(QStringLiteral("CBBetragkonst"));
        EBetragKonst =
            lineEdit(QStringLiteral("EBetragKonst"), QStringLiteral("Betrag"), GroupBox10);
        EBetragKonst->setEnabled(false);
        grid->addWidget(CBBetragkonst, 0, 4);
        grid->addWidget(EBetragKonst, 0, 5);
        for (int c : {1, 3, 5})
            grid->setColumnStretch(c, 1);
        grid->setRowStretch(4, 1);
    }

    // --- Ergebnis ---
    ergebnis = group(QStringLiteral("Ergebnis"), Panel1);
    ergebnis->setObjectName(QStringLiteral("GBErgebnis"));
    LLastGut = valueLabel(QStringLiteral("LLastGut"), ergebnis);
    LSatzzahl = valueLabel(QStringLiteral("LSatzzahl"), ergebnis);
    LSumme = valueLabel(QStringLiteral("LSumme"), ergebnis);
    LKontonr = valueLabel(QStringLiteral("LKontonr"), ergebnis);
    LBLZ = valueLabel(QStringLiteral("LBLZ"), ergebnis);
    {
        auto *grid = new QGridLayout(ergebnis);
        grid->setContentsMargins(6, 1, 6, 3);
        grid->setVerticalSpacing(1);
        grid->addWidget(LLastGut, 0, 0);
        grid->addWidget(LSatzzahl, 1, 0);
        grid->addWidget(LSumme, 2, 0);
        grid->addWidget(LKontonr, 1, 1);
        grid->addWidget(LBLZ, 2, 1);
        grid->setColumnStretch(0, 1);
        grid->setColumnStretch(1, 1);
    }

    // --- Button bar ---
    m_buttons = new QWidget(Panel1);
    m_buttons->setObjectName(QStringLiteral("Buttonleiste"));
    m_buttons->setAttribute(Qt::WA_StyledBackground);
    m_buttons->setStyleSheet(
        QStringLiteral("#Buttonleiste { background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
                       " stop:0 rgb(235, 235, 214), stop:1 rgb(255, 255, 250)); }"));
    BStart = new QPushButton(QStringLiteral("Start"), m_buttons);
    BStart->setObjectName(QStringLiteral("BStart"));
    BBegleit = new QPushButton(QStringLiteral(" Begleitblatt"), m_buttons);
    BBegleit->setObjectName(QStringLiteral("BBegleit"));
    BBuchungs = new QPushButton(QStringLiteral("Buchungsliste drucken"), m_buttons);
    BBuchungs->setObjectName(QStringLiteral("BBuchungs"));
    help = iconButton(QStringLiteral("SpeedButton1"), QStyle::SP_DialogHelpButton,
                      QStringLiteral("Hile aufrufen"), m_buttons);
    // A question mark reads as help in every style; not every style has a help icon.
    help->setIcon(QIcon());
    help->setText(QStringLiteral("?"));
    help->setFixedWidth(28);
    QFont bold = help->font();
    bold.setBold(true);
    help->setFont(bold);
    {
        auto *h = new QHBoxLayout(m_buttons);
        h->setContentsMargins(6, 6, 6, 6);
        h->setSpacing(6);
        BStart->setMinimumWidth(90);
        h->addWidget(BStart);
        h->addWidget(BBegleit);
        h->addWidget(BBuchungs);
        h->addStretch(1);
        h->addWidget(help);
    }

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    v->addWidget(Panel1);
    Panel1->setFixedHeight(401);
}

void MainPage::setGrids(RecordGrid *domestic, RecordGrid *sepa)
{
    m_domestic = domestic;
    m_sepa = sepa;
    auto *v = static_cast<QVBoxLayout *>(layout());
    v->addWidget(domestic);
    v->addWidget(sepa);
    v->addStretch(1);
}

void MainPage::setGridHeight(int height)
{
    for (RecordGrid *g : {m_domestic, m_sepa}) {
        if (g)
            g->setShareOfHeight(height);
    }
}

bool MainPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel1 && event->type() == QEvent::Resize)
        placeGroups();
    return QWidget::eventFilter(watched, event);
}

void MainPage::placeGroups()
{
    const Panel1Geometry g = panel1Geometry(Panel1->width(), m_eightLines);
    m_mandant->setGeometry(g.mandant);
    RGZahlungsart->setGeometry(g.zahlungsart);
    GroupBox10->setGeometry(g.konstante);
    ergebnis->setGeometry(g.ergebnis);
    m_optionen->setGeometry(g.optionen);
    m_datum->setGeometry(g.datum);
    m_quelle->setGeometry(g.quelldatei);
    m_ziel->setGeometry(g.zieldatei);
    m_buttons->setGeometry(g.buttons);
}

void MainPage::show(const app::MainState &s, const QString &executionDateHint)
{
    const app::MainPage &m = s.main;
    if (CBMandanten->count() != m.CBMandantenItems.size() || [&] {
            for (int i = 0; i < CBMandanten->count(); ++i)
                if (CBMandanten->itemText(i) != m.CBMandantenItems[i])
                    return true;
            return false;
        }()) {
        CBMandanten->clear();
        CBMandanten->addItems(m.CBMandantenItems);
    }
    const int at = CBMandanten->findText(m.CBMandantenText);
    if (at >= 0)
        CBMandanten->setCurrentIndex(at);
    else
        CBMandanten->setCurrentIndex(-1);
    Label9->setVisible(m.Label9Visible);
    LKontoinhaber->setText(m.LKontoinhaber);
    linhaberstrasse->setText(m.linhaberstrasse);
    LKontonummer->setText(m.LKontonummer);
    LBankleitzahl->setText(m.LBankleitzahl);
    LIBAN->setText(m.LIBAN);
    LBIC->setText(m.LBIC);
    LDebtorID->setText(m.LDebtorID);

    for (int i = 0; i < 4; ++i) {
        zahlungsart[i]->setAutoExclusive(false);
        zahlungsart[i]->setChecked(m.RGZahlungsart == i);
        zahlungsart[i]->setAutoExclusive(true);
    }
    CBBegleit->setChecked(m.CBBegleit);
    CBBuchungs->setChecked(m.CBBuchungs);
    CBLogspeichern->setChecked(m.CBLogspeichern);
    CB8Verw->setChecked(m.CB8Verw);
    CBIBANonly->setChecked(m.CBIBANonly);
    DTPErstell->setDate(m.DTPErstell.date());
    DTPAusf->setDate(m.DTPAusf.date());
    DTPAusf->setToolTip(executionDateHint);
    CBDatumueberschreiben->setChecked(m.CBDatumueberschreiben);
    if (EQuelldatei->text() != m.EQuelldatei)
        EQuelldatei->setText(m.EQuelldatei);
    if (EZieldatei->text() != m.EZieldatei)
        EZieldatei->setText(m.EZieldatei);

    CBBetragkonst->setChecked(m.Betragkonst.checked);
    if (EBetragKonst->text() != m.Betragkonst.text)
        EBetragKonst->setText(m.Betragkonst.text);
    EBetragKonst->setEnabled(m.Betragkonst.checked);
    for (int i = 0; i < 14; ++i) {
        CBVerwkonst[i]->setChecked(m.Verwkonst[i].checked);
        if (EVErwKonst[i]->text() != m.Verwkonst[i].text)
            EVErwKonst[i]->setText(m.Verwkonst[i].text);
        EVErwKonst[i]->setEnabled(m.Verwkonst[i].checked);
    }
    // The eight-line layout: pairs 5 to 8, the group and panel heights, the result's place.
    const bool eight = m.CB8Verw;
    for (int i = 4; i < 8; ++i) {
        CBVerwkonst[i]->setVisible(eight);
        EVErwKonst[i]->setVisible(eight);
    }
    if (eight != m_eightLines || Panel1->height() != panel1Geometry(0, eight).height) {
        m_eightLines = eight;
        Panel1->setFixedHeight(panel1Geometry(0, eight).height);
        placeGroups();
    }

    LLastGut->setText(m.LLastGut);
    LSatzzahl->setText(m.LSatzzahl);
    LSumme->setText(m.LSumme);
    LKontonr->setText(m.LKontonr);
    LBLZ->setText(m.LBLZ);
}

void MainPage::collect(app::MainState &s) const
{
    app::MainPage &m = s.main;
    if (CBMandanten->currentIndex() >= 0)
        m.CBMandantenText = CBMandanten->currentText();
    for (int i = 0; i < 4; ++i) {
        if (zahlungsart[i]->isChecked())
            m.RGZahlungsart = i;
    }
    m.CBBegleit = CBBegleit->isChecked();
    m.CBBuchungs = CBBuchungs->isChecked();
    m.CBLogspeichern = CBLogspeichern->isChecked();
    m.CB8Verw = CB8Verw->isChecked();
    m.CBIBANonly = CBIBANonly->isChecked();
    m.DTPErstell.setDate(DTPErstell->date());
    m.DTPAusf.setDate(DTPAusf->date());
    m.CBDatumueberschreiben = CBDatumueberschreiben->isChecked();
    m.EQuelldatei = EQuelldatei->text();
    m.EZieldatei = EZieldatei->text();
    m.Betragkonst = {CBBetragkonst->isChecked(), EBetragKonst->text()};
    for (int i = 0; i < 14; ++i)
        m.Verwkonst[i] = {CBVerwkonst[i]->isChecked(), EVErwKonst[i]->text()};
}

} // namespace ordovan::ui
