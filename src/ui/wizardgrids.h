#pragma once

#include <QTableView>

namespace ordovan::ui {

// A read-only grid that selects whole lines. Tab leaves it (the arrow keys move within), so
// the page stays reachable by keyboard.
class WizardGrid : public QTableView
{
public:
    WizardGrid(const QString &name, const QString &accessibleName, QWidget *parent = nullptr);
    // The selected line, -1 when none.
    int selectedRow() const;
    void showSelectedRow(int row);
};

} // namespace ordovan::ui
