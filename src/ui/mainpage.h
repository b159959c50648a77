#pragma once

#include "app/state.h"

#include <QRect>
#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace ordovan::ui {

class RecordGrid;

// Where the groups of the upper panel (Panel1) stand for a panel width: fixed heights and
// tops (the panel is 401 pixels high, 449 with eight purpose lines; "Konstante Felder" 81 or
// 129; "Ergebnis" at 280 or 328), widths that grow with the window up to a limit.
struct Panel1Geometry
{
    int height = 401;
    QRect mandant, zahlungsart, konstante, ergebnis;
    QRect optionen, datum, quelldatei, zieldatei;
    QRect buttons;
};
Panel1Geometry panel1Geometry(int width, bool eightLines);

// The tab "Hauptseite": the upper panel with the Mandant, payment type, options, dates,
// files, constant fields, result and buttons, and below it the two record grids. It only
// shows the state and copies edits back; the window connects its controls.
class MainPage : public QWidget
{
    Q_OBJECT

public:
    explicit MainPage(QWidget *parent = nullptr);

    void show(const app::MainState &s, const QString &executionDateHint);
    void collect(app::MainState &s) const;
    void setGrids(RecordGrid *domestic, RecordGrid *sepa);
    void setGridHeight(int height);

    QWidget *Panel1;
    QGroupBox *GroupBox10; // "Konstante Felder"
    QGroupBox *ergebnis;

    QComboBox *CBMandanten;
    QToolButton *finden;
    QLabel *Label9;
    QLabel *LKontoinhaber, *linhaberstrasse, *LKontonummer, *LBankleitzahl, *LIBAN, *LBIC,
        *LDebtorID;

    QGroupBox *RGZahlungsart;
    std::array<QRadioButton *, 4> zahlungsart;

    QCheckBox *CBBegleit, *CBBuchungs, *CBLogspeichern, *CB8Verw, *CBIBANonly;
    QDateEdit *DTPErstell, *DTPAusf;
    QCheckBox *CBDatumueberschreiben;
    QLineEdit *EQuelldatei, *EZieldatei;
    QToolButton *SpeedButton4, *SpeedButton2; // browse buttons of the source and the target

    QCheckBox *CBBetragkonst;
    QLineEdit *EBetragKonst;
    std::array<QCheckBox *, 14> CBVerwkonst;
    std::array<QLineEdit *, 14> EVErwKonst;

    QLabel *LLastGut, *LSatzzahl, *LSumme, *LKontonr, *LBLZ;
    QPushButton *BStart, *BBegleit, *BBuchungs;
    QToolButton *help;

private:
    void placeGroups();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QGroupBox *m_mandant, *m_optionen, *m_datum, *m_quelle, *m_ziel;
    QWidget *m_buttons;
    RecordGrid *m_domestic = nullptr;
    RecordGrid *m_sepa = nullptr;
    bool m_eightLines = false;
};

} // namespace ordovan::ui
