#include "table.h"

#include "base/codec.h"
#include "base/error.h"
#include "base/german.h"

#include <algorithm>
#include <cstring>

namespace ordovan::store {

// ---- RowVersion ------------------------------------------------------------------------
// Layout: uint32 field count, uint32 end offset of each field (relative to the payload),
// then the payload.

namespace {

template<typename Cells>
std::unique_ptr<uint8_t[]> pack(const Cells &cells)
{
    const size_t n = cells.size();
    size_t payload = 0;
    for (const auto &c : cells)
        payload += size_t(c.size());
    auto data = std::make_unique_for_overwrite<uint8_t[]>(4 + 4 * n + payload);
    quint32 count = quint32(n);
    std::memcpy(data.get(), &count, 4);
    uint8_t *ends = data.get() + 4;
    uint8_t *out = ends + 4 * n;
    quint32 end = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto &c = cells[i];
        if (c.size() > 0)
            std::memcpy(out + end, c.data(), size_t(c.size()));
        end += quint32(c.size());
        std::memcpy(ends + 4 * i, &end, 4);
    }
    return data;
}

quint32 readU32(const uint8_t *p)
{
    quint32 v;
    std::memcpy(&v, p, 4);
    return v;
}

QString normalizedFieldName(QStringView name)
{
    QString s = name.toString().toLower();
    s.replace(u'ß', QStringLiteral("ss"));
    return s;
}

} // namespace

RowVersion::RowVersion(quint8 flags, const std::vector<Cell> &cells)
    : m_data(pack(cells)), m_flags(flags)
{}

RowVersion::RowVersion(quint8 flags, const std::vector<std::string_view> &cells)
    : m_data(pack(cells)), m_flags(flags)
{}

int RowVersion::fieldCount() const
{
    return m_data ? int(readU32(m_data.get())) : 0;
}

std::string_view RowVersion::cell(int field) const
{
    if (!m_data)
        return {};
    const quint32 n = readU32(m_data.get());
    if (field < 0 || quint32(field) >= n)
        return {};
    const uint8_t *ends = m_data.get() + 4;
    const quint32 begin = field == 0 ? 0 : readU32(ends + 4 * (field - 1));
    const quint32 end = readU32(ends + 4 * field);
    const char *payload = reinterpret_cast<const char *>(ends + 4 * n);
    return std::string_view(payload + begin, end - begin);
}

// ---- Table -----------------------------------------------------------------------------

Table::Table(QString name, QString filePath)
    : m_name(std::move(name)), m_filePath(std::move(filePath))
{}

Table::~Table() = default;

void Table::createEmpty(const QList<FieldDef> &fields)
{
    load(fields, {}, {});
}

void Table::setCalculatedFields(const QList<FieldDef> &fields)
{
    m_calcFields = fields;
    for (FieldDef &f : m_calcFields)
        f.calculated = true;
    m_calcValues.assign(m_calcFields.size(), QVariant());
    m_calcFor = -2;
}

QDate Table::currentDate() const
{
    return today ? today() : QDate::currentDate();
}

void Table::appendStoredField(const FieldDef &field)
{
    Q_ASSERT(m_state != State::Edit && m_state != State::Insert);
    postIfEditing();
    m_fields.append(field);
    m_calcFor = -2;
}

QList<FieldDef> Table::fields() const
{
    return m_fields + m_calcFields;
}

const FieldDef &Table::fieldDef(int field) const
{
    Q_ASSERT(field >= 0 && field < fieldCount());
    if (field < m_fields.size())
        return m_fields[field];
    return m_calcFields[field - m_fields.size()];
}

int Table::fieldIndex(QStringView name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    for (int i = 0; i < m_calcFields.size(); ++i) {
        if (m_calcFields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(m_fields.size()) + i;
    }
    // "Strasse" and "Straße" name the same field.
    const QString wanted = normalizedFieldName(name);
    for (int i = 0; i < m_fields.size(); ++i) {
        if (normalizedFieldName(m_fields[i].name) == wanted)
            return i;
    }
    return -1;
}

int Table::field(QStringView name) const
{
    const int f = fieldIndex(name);
    if (f < 0)
        throw Error(QStringLiteral("%1: Feld '%2' nicht gefunden").arg(m_name, name.toString()));
    return f;
}

void Table::close()
{
    m_state = State::Inactive;
    m_versions.clear();
    m_live.clear();
    m_changeLog.clear();
    m_all.clear();
    m_view.clear();
    m_buffer.clear();
    m_pos = -1;
    m_eof = m_bof = true;
    m_maxEver.clear();
    m_modified = false;
}

void Table::load(QList<FieldDef> fields, std::vector<RowVersion> versions,
                 std::vector<quint32> changeLog, QList<std::pair<QString, QString>> params)
{
    m_fields = std::move(fields);
    m_versions = std::move(versions);
    m_changeLog = std::move(changeLog);
    m_params = std::move(params);
    m_state = State::Browse;
    m_buffer.clear();
    m_editVersion = -1;
    m_maxEver.clear();
    m_modified = false;
    m_calcFor = -2;

    // A version is live unless it is flagged deleted or a later change replaced it.
    m_live.assign(m_versions.size(), true);
    for (size_t i = 0; i < m_versions.size(); ++i) {
        if (m_versions[i].flags() & RowDeleted)
            m_live[i] = false;
    }
    for (size_t g = 0; g + 2 < m_changeLog.size(); g += 3) {
        const quint32 replaced = m_changeLog[g + 1];
        if (replaced > 0 && replaced <= m_versions.size())
            m_live[replaced - 1] = false;
    }
    m_indexField = m_indexFieldName.isEmpty() ? -1 : fieldIndex(m_indexFieldName);
    // Field positions of the filter are re-resolved against the new field list. When the
    // new fields lack one, the filter hides every row rather than showing rows it was meant
    // to hide (and load never fails half-way).
    if (m_filter || !m_filterText.trimmed().isEmpty()) {
        try {
            RowFilter f = compileFilter(m_filterText);
            m_filter = f.hasConditions() ? std::optional(std::move(f)) : std::nullopt;
        } catch (const Error &) {
            m_filter = RowFilter::matchingNothing();
        }
    }
    rebuildAll();
    first();
}

// ---- Ordering --------------------------------------------------------------------------

int Table::compareVersions(quint32 a, quint32 b) const
{
    if (m_indexField >= 0 && m_indexField < m_fields.size()) {
        const std::string_view ca = m_versions[a].cell(m_indexField);
        const std::string_view cb = m_versions[b].cell(m_indexField);
        if (ca.empty() != cb.empty())
            return ca.empty() ? -1 : 1;
        if (!ca.empty()) {
            int r = 0;
            switch (m_fields[m_indexField].kind) {
            case FieldKind::Integer:
            case FieldKind::Date: {
                const qint32 x = cellInt32(ca), y = cellInt32(cb);
                r = x < y ? -1 : (x > y ? 1 : 0);
                break;
            }
            case FieldKind::Currency:
            case FieldKind::Float: {
                const double x = cellDouble(ca), y = cellDouble(cb);
                r = x < y ? -1 : (x > y ? 1 : 0);
                break;
            }
            case FieldKind::Text:
                r = ca.compare(cb);
                r = r < 0 ? -1 : (r > 0 ? 1 : 0);
                break;
            }
            if (r != 0)
                return r;
        }
    }
    return a < b ? -1 : (a > b ? 1 : 0);
}

qsizetype Table::lowerBound(const std::vector<quint32> &list, quint32 version) const
{
    auto it = std::lower_bound(list.begin(), list.end(), version,
                               [this](quint32 x, quint32 v) { return compareVersions(x, v) < 0; });
    return it - list.begin();
}

void Table::rebuildAll()
{
    m_all.clear();
    m_all.reserve(m_versions.size());
    for (quint32 i = 0; i < m_versions.size(); ++i) {
        if (m_live[i])
            m_all.push_back(i);
    }
    auto less = [this](quint32 a, quint32 b) { return compareVersions(a, b) < 0; };
    if (!std::is_sorted(m_all.begin(), m_all.end(), less))
        std::sort(m_all.begin(), m_all.end(), less); // the version tiebreak keeps it stable
    rebuildView();
}

void Table::rebuildView()
{
    if (m_filtered && m_filter) {
        m_view.clear();
        for (quint32 v : m_all) {
            if (passes(v))
                m_view.push_back(v);
        }
    } else {
        m_view = m_all;
    }
}

bool Table::passes(quint32 version) const
{
    if (!m_filtered || !m_filter)
        return true;
    return m_filter->matches(m_versions[version], m_fields);
}

void Table::placeInOrder(quint32 version, std::optional<quint32> replaced)
{
    auto eraseFrom = [this](std::vector<quint32> &list, quint32 v) {
        qsizetype p = lowerBound(list, v);
        if (p < qsizetype(list.size()) && list[p] == v)
            list.erase(list.begin() + p);
    };
    if (replaced) {
        eraseFrom(m_all, *replaced);
        eraseFrom(m_view, *replaced);
    }
    // New rows mostly come last in index order (IDs only grow): append without a search.
    auto place = [this, version](std::vector<quint32> &list) {
        if (list.empty() || compareVersions(list.back(), version) < 0)
            list.push_back(version);
        else
            list.insert(list.begin() + lowerBound(list, version), version);
    };
    place(m_all);
    if (passes(version))
        place(m_view);
}

// ---- Navigation ------------------------------------------------------------------------

void Table::setPosition(qsizetype pos)
{
    m_pos = pos;
    m_eof = false;
    m_bof = false;
}

void Table::scrolled()
{
    if (afterScroll)
        afterScroll(*this);
}

void Table::postIfEditing()
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void Table::first()
{
    postIfEditing();
    if (m_view.empty()) {
        m_pos = -1;
        m_eof = m_bof = true;
    } else {
        m_pos = 0;
        m_eof = false;
        m_bof = true;
    }
    scrolled();
}

void Table::next()
{
    postIfEditing();
    if (m_pos + 1 < qsizetype(m_view.size())) {
        ++m_pos;
        m_bof = false;
        m_eof = false;
        scrolled();
    } else {
        m_eof = true;
    }
}

void Table::prior()
{
    postIfEditing();
    if (m_pos > 0 && m_pos <= qsizetype(m_view.size())) {
        --m_pos;
        m_bof = false;
        m_eof = false;
        scrolled();
    } else {
        m_bof = true;
    }
}

void Table::last()
{
    postIfEditing();
    if (m_view.empty()) {
        m_pos = -1;
        m_eof = m_bof = true;
    } else {
        m_pos = qsizetype(m_view.size()) - 1;
        m_eof = true;
        m_bof = false;
    }
    scrolled();
}

int Table::recNo() const
{
    return hasCurrentRow() ? int(m_pos + 1) : 0;
}

bool Table::hasCurrentRow() const
{
    return m_pos >= 0 && m_pos < qsizetype(m_view.size());
}

bool Table::locate(QStringView fieldName, const QVariant &value)
{
    const int f = field(fieldName);
    postIfEditing();
    if (f >= m_fields.size())
        return false;
    const FieldDef &def = m_fields[f];
    Cell wanted;
    if (value.isValid() && !value.isNull()) {
        const bool isString = value.typeId() == QMetaType::QString;
        switch (def.kind) {
        case FieldKind::Integer: {
            if (isString) {
                auto v = german::parseInteger(value.toString());
                if (!v)
                    throw Error(german::notAnIntegerMessage(value.toString()));
                wanted = encodeInteger(*v);
            } else {
                wanted = encodeInteger(value.toInt());
            }
            break;
        }
        case FieldKind::Currency:
        case FieldKind::Float: {
            if (isString) {
                auto v = german::parseNumber(value.toString());
                if (!v)
                    throw Error(german::notAFloatMessage(value.toString()));
                wanted = encodeFloat(*v);
            } else {
                wanted = encodeFloat(value.toDouble());
            }
            break;
        }
        case FieldKind::Date: {
            QDate d = value.toDate();
            if (isString) {
                auto p = german::parseDate(value.toString(), currentDate().year());
                if (!p)
                    throw Error(german::notADateMessage(value.toString()));
                d = *p;
            }
            wanted = encodeDate(d);
            break;
        }
        case FieldKind::Text:
            wanted = codec::toCp1252(value.toString());
            break;
        }
    }
    const std::string_view w(wanted.constData(), size_t(wanted.size()));
    for (size_t i = 0; i < m_view.size(); ++i) {
        if (m_versions[m_view[i]].cell(f) == w) {
            setPosition(qsizetype(i));
            scrolled();
            return true;
        }
    }
    return false;
}

bool Table::moveTo(int position)
{
    postIfEditing();
    if (position < 0 || position >= qsizetype(m_view.size()))
        return false;
    setPosition(position);
    m_bof = position == 0;
    scrolled();
    return true;
}

std::string_view Table::cellAt(int position, int field) const
{
    if (position < 0 || position >= qsizetype(m_view.size()) || field < 0 ||
        field >= m_fields.size())
        return {};
    return m_versions[m_view[position]].cell(field);
}

QVariant Table::valueAt(int position, int field) const
{
    if (field < 0 || field >= m_fields.size())
        return {};
    return decodeCell(m_fields[field], cellAt(position, field));
}

// ---- Editing ---------------------------------------------------------------------------

void Table::requireEditing() const
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw Error(
            QStringLiteral("%1: Datenmenge nicht im Bearbeitungs- oder Einfügemodus").arg(m_name));
}

void Table::insert()
{
    if (m_state == State::Inactive)
        throw Error(
            QStringLiteral("%1: Operation bei geschlossener Datenmenge nicht möglich").arg(m_name));
    postIfEditing();
    // Empty cells that keep their capacity: a bulk import reuses them row after row.
    m_buffer.resize(m_fields.size());
    for (Cell &c : m_buffer)
        c.truncate(0);
    m_editVersion = -1;
    m_state = State::Insert;
    m_calcFor = -2;
    if (afterInsert)
        afterInsert(*this);
    scrolled();
}

void Table::edit()
{
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (!hasCurrentRow())
        throw Error(QStringLiteral("%1: Keine Daten zum Bearbeiten vorhanden").arg(m_name));
    const RowVersion &row = m_versions[m_view[m_pos]];
    m_buffer.resize(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i) {
        std::string_view c = row.cell(i);
        m_buffer[i] = Cell(c.data(), qsizetype(c.size()));
    }
    m_editVersion = m_view[m_pos];
    m_state = State::Edit;
    m_calcFor = -2;
}

void Table::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (m_state == State::Edit) {
        const RowVersion &old = m_versions[m_editVersion];
        bool same = true;
        for (int i = 0; i < m_fields.size() && same; ++i) {
            std::string_view c = old.cell(i);
            same = c == std::string_view(m_buffer[i].constData(), size_t(m_buffer[i].size()));
        }
        if (same) {
            m_state = State::Browse;
            m_buffer.clear();
            m_calcFor = -2;
            return;
        }
    }
    const quint8 flags = m_state == State::Insert ? RowInserted : RowModified;
    commitVersion(RowVersion(flags, m_buffer));
}

void Table::commitVersion(RowVersion &&row)
{
    const quint8 flags = row.flags();
    const quint32 version = quint32(m_versions.size());
    m_versions.push_back(std::move(row));
    m_live.push_back(true);
    std::optional<quint32> replaced;
    m_changeLog.push_back(version + 1);
    if (m_state == State::Edit) {
        replaced = quint32(m_editVersion);
        m_live[m_editVersion] = false;
        m_changeLog.push_back(quint32(m_editVersion) + 1);
    } else {
        m_changeLog.push_back(0);
    }
    m_changeLog.push_back(flags);
    for (size_t f = 0; f < m_maxEver.size(); ++f) {
        if (!m_maxEver[f])
            continue;
        std::string_view c = m_versions[version].cell(int(f));
        if (c.size() == 4)
            m_maxEver[f] = std::max(*m_maxEver[f], cellInt32(c));
    }
    placeInOrder(version, replaced);
    m_state = State::Browse;
    // The buffer keeps its cells' capacity for the next row (see setText).
    m_editVersion = -1;
    m_calcFor = -2;
    m_modified = true;
    // The posted row becomes current; when the filter hides it, the row at its place does.
    const qsizetype p = !m_view.empty() && m_view.back() == version ? qsizetype(m_view.size()) - 1
                                                                    : lowerBound(m_view, version);
    if (m_view.empty()) {
        m_pos = -1;
        m_eof = m_bof = true;
    } else {
        setPosition(std::min(p, qsizetype(m_view.size()) - 1));
    }
    changed();
}

bool Table::insertCopyOf(const Table &source)
{
    if (m_state == State::Inactive || afterInsert || !source.hasCurrentRow() ||
        source.storedFieldCount() < storedFieldCount())
        return false;
    for (int f = 0; f < m_fields.size(); ++f) {
        if (source.m_fields[f].kind != m_fields[f].kind)
            return false;
    }
    postIfEditing();
    std::vector<std::string_view> cells(m_fields.size());
    for (int f = 0; f < m_fields.size(); ++f) {
        std::string_view c = source.storedCell(f);
        const int width = m_fields[f].width;
        if (m_fields[f].kind == FieldKind::Text && width > 0 && c.size() > size_t(width))
            c = c.substr(0, size_t(width));
        cells[f] = c;
    }
    scrolled();
    m_state = State::Insert;
    commitVersion(RowVersion(RowInserted, cells));
    return true;
}

void Table::cancel()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_state = State::Browse;
    m_buffer.clear();
    m_editVersion = -1;
    m_calcFor = -2;
}

void Table::remove()
{
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    if (!hasCurrentRow())
        throw Error(QStringLiteral("%1: Keine Daten zum Löschen vorhanden").arg(m_name));
    const quint32 v = m_view[m_pos];
    m_versions[v].setFlags(m_versions[v].flags() | RowDeleted);
    m_live[v] = false;
    m_changeLog.push_back(v + 1);
    m_changeLog.push_back(0);
    m_changeLog.push_back(RowDeleted);
    m_view.erase(m_view.begin() + m_pos);
    const qsizetype p = lowerBound(m_all, v);
    if (p < qsizetype(m_all.size()) && m_all[p] == v)
        m_all.erase(m_all.begin() + p);
    m_modified = true;
    m_calcFor = -2;
    if (m_pos < qsizetype(m_view.size())) {
        m_eof = false;
    } else if (!m_view.empty()) {
        m_pos = qsizetype(m_view.size()) - 1;
        m_eof = true;
    } else {
        m_pos = -1;
        m_eof = m_bof = true;
    }
    changed();
    scrolled();
}

// ---- Values ----------------------------------------------------------------------------

std::string_view Table::currentCell(int field) const
{
    if (m_state == State::Edit || m_state == State::Insert) {
        const Cell &c = m_buffer[field];
        return std::string_view(c.constData(), size_t(c.size()));
    }
    if (!hasCurrentRow())
        return {};
    return m_versions[m_view[m_pos]].cell(field);
}

void Table::ensureCalculated() const
{
    const qint64 key = (m_state == State::Edit || m_state == State::Insert)
                           ? -1
                           : (hasCurrentRow() ? qint64(m_view[m_pos]) : -3);
    if (key == m_calcFor)
        return;
    auto *self = const_cast<Table *>(this);
    self->m_calcValues.assign(m_calcFields.size(), QVariant());
    self->m_calcFor = key;
    if (calcFields && !m_inCalc && key != -3) {
        self->m_inCalc = true;
        try {
            calcFields(*self);
        } catch (...) {
            // Calculated values are for display; a failing lookup leaves them empty.
        }
        self->m_inCalc = false;
    }
}

QVariant Table::value(int field) const
{
    if (field < 0 || field >= fieldCount())
        return {};
    if (field >= m_fields.size()) {
        ensureCalculated();
        return m_calcValues[field - m_fields.size()];
    }
    return decodeCell(m_fields[field], currentCell(field));
}

bool Table::isNull(int field) const
{
    if (field >= m_fields.size())
        return !value(field).isValid();
    return currentCell(field).empty();
}

QString Table::text(int field) const
{
    const QVariant v = value(field);
    if (!v.isValid())
        return {};
    switch (fieldDef(field).kind) {
    case FieldKind::Integer:
        return QString::number(v.toInt());
    case FieldKind::Currency:
    case FieldKind::Float:
        return german::formatNumber(v.toDouble());
    case FieldKind::Date:
        return german::formatDate(v.toDate());
    case FieldKind::Text:
        return v.toString();
    }
    return {};
}

std::optional<qint32> Table::integer(int field) const
{
    if (field >= 0 && field < m_fields.size() && m_fields[field].kind == FieldKind::Integer) {
        const std::string_view c = currentCell(field);
        if (c.size() != 4)
            return std::nullopt;
        return cellInt32(c);
    }
    const QVariant v = value(field);
    if (!v.isValid())
        return std::nullopt;
    return v.toInt();
}

std::optional<double> Table::number(int field) const
{
    const QVariant v = value(field);
    if (!v.isValid())
        return std::nullopt;
    return v.toDouble();
}

std::optional<QDate> Table::date(int field) const
{
    const QVariant v = value(field);
    if (!v.isValid())
        return std::nullopt;
    return v.toDate();
}

void Table::setValue(int field, const QVariant &value)
{
    if (field >= m_fields.size()) {
        setCalculatedValue(field, value);
        return;
    }
    requireEditing();
    const FieldDef &def = m_fields[field];
    Cell cell;
    if (value.isValid() && !value.isNull()) {
        const bool isString = value.typeId() == QMetaType::QString;
        const QString s = isString ? value.toString() : QString();
        switch (def.kind) {
        case FieldKind::Integer:
            if (isString) {
                if (s.isEmpty())
                    break;
                auto v = german::parseInteger(s);
                if (!v)
                    throw Error(german::notAnIntegerMessage(s));
                cell = encodeInteger(*v);
            } else {
                cell = encodeInteger(value.toInt());
            }
            break;
        case FieldKind::Currency:
        case FieldKind::Float:
            if (isString) {
                if (s.isEmpty())
                    break;
                auto v = german::parseNumber(s);
                if (!v)
                    throw Error(german::notAFloatMessage(s));
                cell = encodeFloat(*v);
            } else {
                cell = encodeFloat(value.toDouble());
            }
            break;
        case FieldKind::Date:
            if (isString) {
                if (s.trimmed().isEmpty())
                    break;
                auto d = german::parseDate(s, currentDate().year());
                if (!d)
                    throw Error(german::notADateMessage(s));
                cell = encodeDate(*d);
            } else if (value.typeId() == QMetaType::QDateTime) {
                cell = encodeDate(value.toDateTime().date());
            } else {
                cell = encodeDate(value.toDate());
            }
            break;
        case FieldKind::Text:
            cell = encodeText(value.toString(), def.width);
            break;
        }
    }
    m_buffer[field] = std::move(cell);
    m_calcFor = -2;
}

void Table::setText(int field, QStringView text)
{
    if (field < 0 || field >= m_fields.size() || m_fields[field].kind != FieldKind::Text) {
        setValue(field, text.toString());
        return;
    }
    requireEditing();
    // Encoded in place, into the capacity the cell kept from earlier rows.
    Cell &c = m_buffer[field];
    const qsizetype size = text.size();
    c.resize(size);
    char *out = c.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        char32_t ch = text[i].unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        if (ch < 0x20 && !storableTextByte(static_cast<unsigned char>(ch)))
            continue; // as encodeText: XML cannot carry it
        out[n++] = ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)
                       ? static_cast<char>(ch)
                       : static_cast<char>(codec::unicodeToCp1252(ch));
    }
    const int width = m_fields[field].width;
    c.truncate(width > 0 && n > width ? width : n);
    m_calcFor = -2;
}

void Table::setTextCp1252(int field, QByteArrayView bytes)
{
    if (field < 0 || field >= m_fields.size() || m_fields[field].kind != FieldKind::Text) {
        setValue(field, codec::fromCp1252(bytes));
        return;
    }
    requireEditing();
    Cell &c = m_buffer[field];
    const int width = m_fields[field].width;
    bool control = false;
    for (char ch : bytes)
        control |= static_cast<unsigned char>(ch) < 0x20;
    if (!control) {
        // The usual case: the bytes as they are, cut to the width.
        const qsizetype n = width > 0 && bytes.size() > width ? width : bytes.size();
        c.resize(n);
        if (n > 0)
            std::memcpy(c.data(), bytes.data(), size_t(n));
    } else {
        c.resize(bytes.size());
        char *out = c.data();
        qsizetype n = 0;
        for (char ch : bytes) {
            if (!storableTextByte(static_cast<unsigned char>(ch)))
                continue; // as encodeText: XML cannot carry it
            out[n++] = ch;
        }
        c.truncate(width > 0 && n > width ? width : n);
    }
    m_calcFor = -2;
}

bool Table::writeCell(int field, FieldKind kind1, FieldKind kind2, const void *data, qsizetype size)
{
    if (field < 0 || field >= m_fields.size() ||
        (m_fields[field].kind != kind1 && m_fields[field].kind != kind2))
        return false;
    requireEditing();
    Cell &c = m_buffer[field];
    c.resize(size);
    if (size > 0)
        std::memcpy(c.data(), data, size_t(size));
    m_calcFor = -2;
    return true;
}

void Table::setStoredCell(int field, FieldKind kind, std::string_view cell)
{
    if (field < 0 || field >= m_fields.size())
        return;
    if (m_fields[field].kind == FieldKind::Text && kind == FieldKind::Text) {
        // Stored text never holds control characters; only the width may differ.
        const int width = m_fields[field].width;
        const qsizetype n =
            width > 0 && qsizetype(cell.size()) > width ? width : qsizetype(cell.size());
        writeCell(field, FieldKind::Text, FieldKind::Text, cell.data(), n);
        return;
    }
    const bool sameForm =
        m_fields[field].kind == kind ||
        ((kind == FieldKind::Currency || kind == FieldKind::Float) &&
         (m_fields[field].kind == FieldKind::Currency || m_fields[field].kind == FieldKind::Float));
    if (sameForm && kind != FieldKind::Text) {
        writeCell(field, m_fields[field].kind, m_fields[field].kind, cell.data(),
                  qsizetype(cell.size()));
        return;
    }
    FieldDef def;
    def.kind = kind;
    setValue(field, decodeCell(def, cell));
}

void Table::setInteger(int field, qint32 value)
{
    if (!writeCell(field, FieldKind::Integer, FieldKind::Integer, &value, 4))
        setValue(field, value);
}

void Table::setFloat(int field, double value)
{
    if (!writeCell(field, FieldKind::Float, FieldKind::Currency, &value, 8))
        setValue(field, value);
}

void Table::setDate(int field, const QDate &date)
{
    if (date.isValid() && (date.year() < 1 || date.year() > 9999)) {
        setValue(field, date); // refused there: no table file could hold it
        return;
    }
    const qint32 jd = date.isValid() ? qint32(date.toJulianDay()) : 0;
    if (!writeCell(field, FieldKind::Date, FieldKind::Date, &jd, date.isValid() ? 4 : 0))
        setValue(field, date);
}

void Table::setNull(int field)
{
    setValue(field, QVariant());
}

void Table::setCalculatedValue(int field, const QVariant &value)
{
    const qsizetype i = field - m_fields.size();
    if (i < 0 || i >= qsizetype(m_calcFields.size()))
        return;
    m_calcValues[i] = value;
}

// ---- Filter and order ------------------------------------------------------------------

RowFilter Table::compileFilter(const QString &expression) const
{
    return RowFilter::compile(
        expression, [this](QStringView name) { return fieldIndex(name); }, int(m_fields.size()),
        m_name);
}

void Table::setFilter(const QString &expression)
{
    RowFilter parsed = compileFilter(expression);
    postIfEditing();
    m_filterText = expression;
    m_filter = parsed.hasConditions() ? std::optional(std::move(parsed)) : std::nullopt;
    if (m_state != State::Inactive && m_filtered) {
        rebuildView();
        first();
        changed();
    }
}

void Table::setFiltered(bool on)
{
    postIfEditing();
    m_filtered = on;
    if (m_state != State::Inactive) {
        rebuildView();
        first();
        changed();
    }
}

void Table::setIndexField(const QString &fieldName)
{
    if (m_state == State::Inactive) {
        // Resolved when the table is opened.
        m_indexFieldName = fieldName;
        m_indexField = -1;
        return;
    }
    postIfEditing();
    const int f = fieldName.isEmpty() ? -1 : field(fieldName);
    m_indexFieldName = fieldName;
    m_indexField = f;
    if (m_state != State::Inactive) {
        rebuildAll();
        first();
        changed();
    }
}

// ---- Observers -------------------------------------------------------------------------

void Table::disableControls()
{
    ++m_disableCount;
}

void Table::enableControls()
{
    if (m_disableCount > 0 && --m_disableCount == 0 && m_pendingNotify) {
        m_pendingNotify = false;
        changed();
    }
}

int Table::addObserver(std::function<void()> observer)
{
    m_observers.emplace_back(m_nextObserver, std::move(observer));
    return m_nextObserver++;
}

void Table::removeObserver(int id)
{
    std::erase_if(m_observers, [id](const auto &p) { return p.first == id; });
}

void Table::changed()
{
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    for (auto &[id, observer] : m_observers)
        observer();
}

qint32 Table::maxIntegerEver(int field) const
{
    if (field < 0 || field >= m_fields.size() || m_fields[field].kind != FieldKind::Integer)
        return 0;
    if (m_maxEver.size() != size_t(m_fields.size()))
        m_maxEver.assign(m_fields.size(), std::nullopt);
    if (!m_maxEver[field]) {
        qint32 best = 0;
        for (const RowVersion &row : m_versions) {
            std::string_view c = row.cell(field);
            if (c.size() == 4)
                best = std::max(best, cellInt32(c));
        }
        m_maxEver[field] = best;
    }
    return *m_maxEver[field];
}

} // namespace ordovan::store
