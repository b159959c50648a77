#pragma once

#include "app/state.h"

#include <QTableView>

#include <functional>

namespace ordovan::ui {

class TableModel;

// The colour of the window, the main tab's upper panel and the grids' title areas.
QColor windowColour();

// A grid over a table model: read-only grids select whole rows, editable ones single cells.
// The grid follows the table's current row and moves it when the user selects another row
// (so the history grid drives the record grids below it). A sortable grid orders its table
// by the field of a column whose title is clicked.
class RecordGrid : public QTableView
{
    Q_OBJECT

public:
    RecordGrid(const QString &name, const QString &accessibleName, TableModel *model, bool sortable,
               QWidget *parent = nullptr);

    TableModel *tableModel() const { return m_model; }
    // Captions and widths of the stored columns (width -1: the default width).
    void applyColumns(const QList<app::GridColumn> &columns);
    // The columns as the user left them, for the stored widths.
    void collectColumns(QList<app::GridColumn> &columns) const;
    // The height the window's share gives the grid; where the window's chrome is taller than
    // reckoned it may shrink, never below one row.
    void setShareOfHeight(int height);
    // Receives the German message of a failed edit or move.
    std::function<void(const QString &)> onError;

private:
    void followTable();
    void rowSelected(const QModelIndex &current);
    void titleClicked(int column);

    TableModel *m_model;
    bool m_following = false;
};

// A string grid of the source tab (SGDatenbank, SGDatei): whole rows, its own colour.
class StringGrid : public QTableView
{
    Q_OBJECT

public:
    StringGrid(const QString &name, const QString &accessibleName, QWidget *parent = nullptr);
    // The selected row, -1 when none.
    int selectedRow() const;
    void selectRow(int row);
};

} // namespace ordovan::ui
