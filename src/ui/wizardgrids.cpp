#include "wizardgrids.h"

#include "app/state.h"
#include "import/sourcegrid.h"

#include <QHeaderView>

namespace ordovan::ui {

WizardSourceModel::WizardSourceModel(const import::SourceGrid &grid, QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid), m_rows(grid.rowCount()),
      m_columns(grid.columnCount())
{}

void WizardSourceModel::refresh()
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

int WizardSourceModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int WizardSourceModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant WizardSourceModel::data(const QModelIndex &index, int role) const
{
    // The tooltip shows a text the column is too narrow for.
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid())
        return {};
    return m_grid.cell(index.column(), index.row());
}

QVariant WizardSourceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    // Lines of the grid are the source's fields; its columns the records (lines of a file).
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);
    return QStringLiteral("Zeile %1").arg(section + 1);
}

WizardMappingModel::WizardMappingModel(const app::MappingGrid &grid, QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid), m_rows(std::max(0, grid.rowCount - 1))
{}

void WizardMappingModel::refresh()
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

int WizardMappingModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int WizardMappingModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant WizardMappingModel::data(const QModelIndex &index, int role) const
{
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid())
        return {};
    return m_grid.cell(index.column(), index.row() + 1);
}

QVariant WizardMappingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return m_grid.cell(section, 0);
}

WizardGrid::WizardGrid(const QString &name, const QString &accessibleName, QWidget *parent)
    : QTableView(parent)
{
    setObjectName(name);
    setAccessibleName(accessibleName);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

int WizardGrid::selectedRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void WizardGrid::showSelectedRow(int row)
{
    if (!model() || row < 0 || row >= model()->rowCount()) {
        clearSelection();
        return;
    }
    if (selectedRow() == row && selectionModel()->isRowSelected(row, {}))
        return;
    const int column = std::max(0, currentIndex().column());
    setCurrentIndex(model()->index(row, std::min(column, model()->columnCount() - 1)));
    selectRow(row);
}

} // namespace ordovan::ui
