#include "wizardgrids.h"

#include "app/state.h"
#include "import/sourcegrid.h"

#include <QHeaderView>

namespace ordovan::ui {

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
