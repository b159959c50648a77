#include "statemodels.h"

#include "app/state.h"
#include "import/sourcegrid.h"

namespace ordovan::ui {

SourceGridModel::SourceGridModel(const import::SourceGrid &grid, QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid), m_rows(grid.rowCount()),
      m_columns(grid.columnCount())
{}

void SourceGridModel::refresh()
{
    if (m_grid.rowCount() != m_rows || m_grid.columnCount() != m_columns) {
        beginResetModel();
        m_rows = m_grid.rowCount();
        m_columns = m_grid.columnCount();
        endResetModel();
        return;
    }
    Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
}

int SourceGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int SourceGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant SourceGridModel::data(const QModelIndex &index, int role) const
{
    // The tooltip shows a text the column is too narrow for.
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() ||
        index.row() >= m_grid.rowCount() || index.column() >= m_grid.columnCount())
        return {};
    return m_grid.cell(index.column(), index.row());
}

QVariant SourceGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    // Rows are the source's fields, numbered as the mapping counts them (from 1 on screen).
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);
    return QStringLiteral("Zeile %1").arg(section + 1);
}

MappingGridModel::MappingGridModel(const app::MappingGrid &grid, QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid), m_rows(std::max(0, grid.rowCount - 1))
{}

void MappingGridModel::refresh()
{
    const int rows = std::max(0, m_grid.rowCount - 1);
    if (rows != m_rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    } else if (rows > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rows - 1, 2));
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, 2);
}

int MappingGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int MappingGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant MappingGridModel::data(const QModelIndex &index, int role) const
{
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid())
        return {};
    return m_grid.cell(index.column(), index.row() + 1);
}

QVariant MappingGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return m_grid.cell(section, 0);
}

} // namespace ordovan::ui
