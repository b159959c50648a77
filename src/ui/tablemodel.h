#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <functional>

namespace ordovan::store {
class Table;
}

namespace ordovan::ui {

// One column of a record grid: the field it shows and its caption.
struct FieldColumn
{
    QString field;
    QString caption;
};

// The model of a record grid. It reads the visible rows of its table in place, in the table's
// order and through its filter, so a table of a million rows costs the grid nothing but the
// rows on screen. Amounts show two decimals and "€", dates dd.MM.yyyy. An editable model
// writes a cell through the table's edit and post; a value that does not convert is refused
// with the table's German message, and the row keeps its old value.
//
// The table tells the model of every change; while updates are deferred (a batch run adds
// and deletes rows by the thousand) the model only notes it and catches up in flush().
class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    TableModel(store::Table &table, QList<FieldColumn> columns, bool editable,
               QObject *parent = nullptr);
    ~TableModel() override;

    store::Table &table() const { return m_table; }
    bool isEditable() const { return m_editable; }
    // The field of a column, -1 when the table has no such field (or is not open).
    int fieldOf(int column) const;
    QString fieldNameOf(int column) const { return m_columns.value(column).field; }
    void setCaptions(const QStringList &captions);

    // Re-reads the table: a reset when the number of rows changed, otherwise every cell.
    void refresh();
    void setDeferred(bool deferred);
    void flush();

    // Receives the German message of a refused edit.
    std::function<void(const QString &)> onEditError;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The text a cell shows (also for tests).
    static QString displayText(const QVariant &value, int kind);

Q_SIGNALS:
    // After a reset: the grid re-selects the table's current row.
    void reloaded();

private:
    void resolveFields();

    store::Table &m_table;
    QList<FieldColumn> m_columns;
    QList<int> m_fields;
    bool m_editable;
    int m_observer = 0;
    int m_rows = 0;
    bool m_deferred = false;
    bool m_dirty = false;
};

} // namespace ordovan::ui
