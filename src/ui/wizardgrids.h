#pragma once

#include <QAbstractTableModel>
#include <QTableView>

namespace ordovan::import {
class SourceGrid;
}
namespace ordovan::app {
struct MappingGrid;
}

namespace ordovan::ui {

// The wizard's source grids (SGDatei, SgDatei2) as shown: one column per source record, one
// row per source field, read in place from the wizard's state.
class WizardSourceModel : public QAbstractTableModel
{
public:
    explicit WizardSourceModel(const import::SourceGrid &grid, QObject *parent = nullptr);

    // Re-reads the grid: a reset when its size changed, otherwise every cell.
    void refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const import::SourceGrid &m_grid;
    int m_rows = 0;
    int m_columns = 0;
};

// The wizard's mapping grid SGDatenbank: its row 0 (the titles) is the header, rows 1 to 18
// the target fields with the preview of their assigned source field.
class WizardMappingModel : public QAbstractTableModel
{
public:
    explicit WizardMappingModel(const app::MappingGrid &grid, QObject *parent = nullptr);

    void refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const app::MappingGrid &m_grid;
    int m_rows = 0;
};

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
