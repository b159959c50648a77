#pragma once

#include <QAbstractTableModel>

namespace ordovan::import {
class SourceGrid;
}
namespace ordovan::app {
struct MappingGrid;
}

namespace ordovan::ui {

// The source grid SGDatei as the window shows it: one column per source record, one row per
// source field, read in place from the state (a source of 100,000 records is never copied).
class SourceGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SourceGridModel(const import::SourceGrid &grid, QObject *parent = nullptr);

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

// The mapping grid SGDatenbank: its row 0 (the titles) is the header, rows 1 .. n the
// target fields with the preview of their assigned source field.
class MappingGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit MappingGridModel(const app::MappingGrid &grid, QObject *parent = nullptr);

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

} // namespace ordovan::ui
