#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace ordovan::app {
struct MainState;
}

namespace ordovan::ui {

class RecordGrid;

// The tab "Log-Datei": "Löschen", "Speichern" and the processing log, which the user may
// edit. A log of a long run has hundreds of thousands of lines: it is put into the text area
// only when it changed and the tab is looked at.
class LogPage : public QWidget
{
    Q_OBJECT

public:
    explicit LogPage(QWidget *parent = nullptr);
    void show(const app::MainState &s);
    void collect(app::MainState &s) const;

    QPushButton *Button9;  // "Löschen"
    QPushButton *Button10; // "Speichern"
    QPlainTextEdit *MLog;

private:
    QStringList m_shown;
};

// The tab "Buchungs-Historie": "Historien löschen" above the two archive grids.
class BookingHistoryPage : public QWidget
{
    Q_OBJECT

public:
    BookingHistoryPage(RecordGrid *domestic, RecordGrid *sepa, QWidget *parent = nullptr);
    void setGridHeight(int height);

    QPushButton *BHistorienLoeschen;

private:
    RecordGrid *m_domestic;
    RecordGrid *m_sepa;
};

// The tab "SEPA/DTAUS-Historie": the history of runs and, below it, the records of the run
// selected in it.
class SepaHistoryPage : public QWidget
{
    Q_OBJECT

public:
    SepaHistoryPage(RecordGrid *history, RecordGrid *domestic, RecordGrid *sepa,
                    QWidget *parent = nullptr);
    void setGridHeight(int height);

    QPushButton *BZeileLoeschen, *BLogAnzeigen, *SRColorButton5, *SRColorButton6;

private:
    RecordGrid *m_domestic;
    RecordGrid *m_sepa;
};

} // namespace ordovan::ui
