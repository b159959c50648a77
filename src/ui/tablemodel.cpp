#include "tablemodel.h"

#include "base/error.h"
#include "base/german.h"
#include "store/table.h"

namespace ordovan::ui {

TableModel::TableModel(store::Table &table, QList<FieldColumn> columns, bool editable,
                       QObject *parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns)),
      m_editable(editable)
{
    m_observer = m_table.addObserver([this] {
        if (m_deferred)
            m_dirty = true;
        else
            refresh();
    });
    resolveFields();
    m_rows = m_table.isOpen() ? m_table.recordCount() : 0;
}

TableModel::~TableModel()
{
    m_table.removeObserver(m_observer);
}

void TableModel::resolveFields()
{
    m_fields.clear();
    for (const FieldColumn &c : m_columns)
        m_fields << (m_table.isOpen() ? m_table.fieldIndex(c.field) : -1);
}

int TableModel::fieldOf(int column) const
{
    return m_fields.value(column, -1);
}

void TableModel::setCaptions(const QStringList &captions)
{
    for (int i = 0; i < m_columns.size() && i < captions.size(); ++i)
        m_columns[i].caption = captions[i];
    if (!m_columns.isEmpty())
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
}

void TableModel::refresh()
{
    m_dirty = false;
    const int rows = m_table.isOpen() ? m_table.recordCount() : 0;
    // A reload may change the field list (older files gain fields): resolve again.
    QList<int> before = m_fields;
    resolveFields();
    if (rows != m_rows || before != m_fields) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        Q_EMIT reloaded();
        return;
    }
    if (rows > 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rows - 1, int(m_columns.size()) - 1));
    Q_EMIT reloaded();
}

void TableModel::setDeferred(bool deferred)
{
    m_deferred = deferred;
    if (!deferred)
        flush();
}

void TableModel::flush()
{
    if (m_dirty)
        refresh();
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString TableModel::displayText(const QVariant &value, int kind)
{
    if (!value.isValid())
        return {};
    switch (store::FieldKind(kind)) {
    case store::FieldKind::Integer:
        return QString::number(value.toInt());
    case store::FieldKind::Currency:
        return german::formatMoney(value.toDouble()) + QStringLiteral(" €");
    case store::FieldKind::Float:
        return german::formatNumber(value.toDouble());
    case store::FieldKind::Date:
        return german::formatDate(value.toDate());
    case store::FieldKind::Text: {
        // Purpose lines are kept with line breaks; a grid row shows them on one line.
        QString text = value.toString();
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(u'\n', u' ');
        text.replace(u'\r', u' ');
        return text;
    }
    }
    return {};
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    const int field = fieldOf(index.column());
    // The table may have lost rows since the last reset (a deferred update): such a row
    // reads as empty until the model catches up.
    if (!index.isValid() || field < 0 || index.row() >= m_table.recordCount())
        return {};
    const store::FieldKind kind = m_table.fieldDef(field).kind;
    switch (role) {
    case Qt::DisplayRole:
        return displayText(m_table.valueAt(index.row(), field), int(kind));
    case Qt::EditRole: {
        const QVariant v = m_table.valueAt(index.row(), field);
        if (!v.isValid())
            return QString();
        if (kind == store::FieldKind::Currency)
            return german::formatMoney(v.toDouble());
        if (kind == store::FieldKind::Text)
            return v.toString();
        return displayText(v, int(kind));
    }
    case Qt::TextAlignmentRole:
        if (kind == store::FieldKind::Integer || kind == store::FieldKind::Currency ||
            kind == store::FieldKind::Float)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_columns.value(section).caption;
}

Qt::ItemFlags TableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_editable && fieldOf(index.column()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int field = fieldOf(index.column());
    if (!m_editable || role != Qt::EditRole || field < 0 || index.row() >= m_table.recordCount())
        return false;
    QString text = value.toString().trimmed();
    if (m_table.fieldDef(field).kind == store::FieldKind::Currency && text.endsWith(u'€'))
        text = text.chopped(1).trimmed();
    try {
        m_table.moveTo(index.row());
        m_table.edit();
        if (text.isEmpty())
            m_table.setNull(field);
        else if (m_table.fieldDef(field).kind == store::FieldKind::Text)
            m_table.setValue(field, value.toString());
        else
            m_table.setValue(field, text);
        m_table.post();
    } catch (const Error &e) {
        m_table.cancel();
        if (onEditError)
            onEditError(e.message());
        return false;
    }
    // The post told the observers; a row that moved (a sorted field) is re-read there.
    return true;
}

} // namespace ordovan::ui
