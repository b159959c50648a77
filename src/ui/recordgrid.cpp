#include "recordgrid.h"

#include "tablemodel.h"

#include "base/error.h"
#include "store/table.h"

#include <QHeaderView>

namespace ordovan::ui {

QColor windowColour()
{
    return QColor(235, 235, 214);
}

namespace {

void styleTitles(QTableView *view)
{
    view->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(235, 235, 214);"
                       " border: none; border-right: 1px solid rgb(190, 190, 170);"
                       " border-bottom: 1px solid rgb(190, 190, 170); padding: 1px 3px; }"));
    // A caption wider than its column ends in "..." instead of losing both ends.
    view->horizontalHeader()->setTextElideMode(Qt::ElideRight);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

} // namespace

RecordGrid::RecordGrid(const QString &name, const QString &accessibleName, TableModel *model,
                       bool sortable, QWidget *parent)
    : QTableView(parent), m_model(model)
{
    setObjectName(name);
    setAccessibleName(accessibleName);
    setModel(model);
    styleTitles(this);
    verticalHeader()->hide();
    for (int i = 0; i < model->columnCount(); ++i)
        setColumnWidth(i, app::defaultColumnWidth(model->headerData(i, Qt::Horizontal).toString()));
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    if (model->isEditable()) {
        setSelectionBehavior(QAbstractItemView::SelectItems);
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
    } else {
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    setSelectionMode(QAbstractItemView::SingleSelection);
    model->onEditError = [this](const QString &message) {
        if (onError)
            onError(message);
    };
    connect(model, &TableModel::reloaded, this, &RecordGrid::followTable);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { rowSelected(current); });
    if (sortable) {
        horizontalHeader()->setSectionsClickable(true);
        horizontalHeader()->setSortIndicatorShown(false);
        connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &RecordGrid::titleClicked);
    }
}

void RecordGrid::applyColumns(const QList<app::GridColumn> &columns)
{
    QStringList captions;
    for (const app::GridColumn &c : columns)
        captions << c.caption;
    m_model->setCaptions(captions);
    for (int i = 0; i < columns.size() && i < m_model->columnCount(); ++i)
        setColumnWidth(i, columns[i].width < 0 ? app::defaultColumnWidth(columns[i].caption)
                                               : columns[i].width);
}

void RecordGrid::setShareOfHeight(int height)
{
    setMaximumHeight(std::max(height, 0));
    setMinimumHeight(std::min(std::max(height, 0), 40));
}

void RecordGrid::collectColumns(QList<app::GridColumn> &columns) const
{
    for (int i = 0; i < columns.size() && i < m_model->columnCount(); ++i)
        columns[i].width = columnWidth(i);
}

void RecordGrid::followTable()
{
    const store::Table &t = m_model->table();
    const int row = t.isOpen() && t.hasCurrentRow() ? t.recNo() - 1 : -1;
    m_following = true;
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
    } else if (currentIndex().row() != row) {
        const int column = std::max(0, currentIndex().column());
        setCurrentIndex(m_model->index(row, column));
    }
    m_following = false;
}

void RecordGrid::rowSelected(const QModelIndex &current)
{
    if (m_following || !current.isValid())
        return;
    store::Table &t = m_model->table();
    if (!t.isOpen() || t.recNo() - 1 == current.row())
        return;
    try {
        t.moveTo(current.row());
    } catch (const Error &e) {
        if (onError)
            onError(e.message());
    }
}

void RecordGrid::titleClicked(int column)
{
    store::Table &t = m_model->table();
    const QString field = m_model->fieldNameOf(column);
    if (!t.isOpen() || field.isEmpty() || m_model->fieldOf(column) < 0)
        return;
    try {
        t.setIndexField(t.fieldDef(m_model->fieldOf(column)).name);
        horizontalHeader()->setSortIndicatorShown(true);
        horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
    } catch (const Error &e) {
        if (onError)
            onError(e.message());
    }
}

StringGrid::StringGrid(const QString &name, const QString &accessibleName, QWidget *parent)
    : QTableView(parent)
{
    setObjectName(name);
    setAccessibleName(accessibleName);
    styleTitles(this);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    QPalette p = palette();
    p.setColor(QPalette::Base, windowColour());
    p.setColor(QPalette::AlternateBase, windowColour().lighter(104));
    setPalette(p);
}

int StringGrid::selectedRow() const
{
    // A screen reader selects rows without moving the current cell: the selection counts.
    const QModelIndexList rows =
        selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    if (!rows.isEmpty())
        return rows.first().row();
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void StringGrid::selectRow(int row)
{
    if (!model() || row < 0 || row >= model()->rowCount()) {
        if (selectionModel())
            selectionModel()->clearSelection();
        return;
    }
    const int column = std::max(0, currentIndex().column());
    setCurrentIndex(model()->index(row, column));
}

} // namespace ordovan::ui
