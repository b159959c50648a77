#pragma once

#include "app/state.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace ordovan::ui {

class MappingGridModel;
class SourceGridModel;
class StringGrid;

// The tab "Einstellungen der Quelldatei": how the source is read, and the column mapping
// made by selecting a line on each side and pressing the arrow.
class SourcePage : public QWidget
{
    Q_OBJECT

public:
    SourcePage(app::SourcePage &state, QWidget *parent = nullptr);

    void show(const app::MainState &s);
    void collect(app::MainState &s) const;

    QRadioButton *RBTabulator, *RBSemikolon, *RBKomma;
    QRadioButton *RBdoppelt, *RBeinfach, *RBkeine;
    QCheckBox *CBTitelzeile;
    std::array<QRadioButton *, 2> betrag; // RGBetrag: "11,58", "1158"
    QComboBox *CBTabellen;
    StringGrid *SGDatenbank, *SGDatei;
    QToolButton *SpeedButton5; // the arrow
    QPushButton *Button4;      // "Zuordnung löschen"

private:
    SourceGridModel *m_sourceModel;
    MappingGridModel *m_mappingModel;
};

} // namespace ordovan::ui
