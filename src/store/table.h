#pragma once

#include "cellcodec.h"
#include "filter.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ordovan::store {

// The in-memory record set behind every table of the program.
//
// Rows are kept as row versions in storage order, exactly as the table file lists them:
// an insert appends a version, an edit appends a new version that replaces the old one, a
// delete marks the version deleted. The change log records each of these as a group of three
// numbers (version position, replaced position or 0, flags), so a saved file reads back to
// the same table. What the program works on is the visible table: the live versions, ordered
// by the index field (ties keep storage order), and further narrowed by the filter.
//
// Values are held in their stored form (cellcodec.h); the filter language is in filter.h.

enum RowFlag : quint8
{
    RowUnchanged = 0,
    RowDeleted = 2,
    RowInserted = 4,
    RowModified = 8,
};

// One row version: its flags and its fields packed into a single allocation
// (uint32 field count, uint32 end offset of each field, then the payload).
class RowVersion
{
public:
    RowVersion() = default;
    RowVersion(quint8 flags, const std::vector<Cell> &cells);
    RowVersion(quint8 flags, const std::vector<std::string_view> &cells);

    quint8 flags() const { return m_flags; }
    void setFlags(quint8 f) { m_flags = f; }
    int fieldCount() const;
    std::string_view cell(int field) const;

private:
    std::unique_ptr<uint8_t[]> m_data;
    quint8 m_flags = 0;
};

class Table
{
public:
    enum class State
    {
        Inactive,
        Browse,
        Edit,
        Insert
    };

    explicit Table(QString name, QString filePath = {});
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    const QString &name() const { return m_name; }
    const QString &filePath() const { return m_filePath; }
    void setFilePath(const QString &path) { m_filePath = path; }

    // --- Field list -----------------------------------------------------------------------
    // Creates an open table with no rows from the stored fields. Calculated fields set by
    // setCalculatedFields() follow them.
    void createEmpty(const QList<FieldDef> &fields);
    void setCalculatedFields(const QList<FieldDef> &fields);
    // Adds a stored field after the others (not while a row is edited). Rows stored without
    // it read it as empty, and the table file gets it when it is written next.
    void appendStoredField(const FieldDef &field);
    const QList<FieldDef> &storedFields() const { return m_fields; }
    QList<FieldDef> fields() const; // stored, then calculated
    int storedFieldCount() const { return int(m_fields.size()); }
    int fieldCount() const { return int(m_fields.size() + m_calcFields.size()); }
    const FieldDef &fieldDef(int field) const;
    // Case-insensitive; "Strasse" reaches "Straße". -1 when the table has no such field.
    int fieldIndex(QStringView name) const;
    // As fieldIndex, but throws Error for an unknown name.
    int field(QStringView name) const;

    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    void close();

    // --- Navigation over the visible rows -------------------------------------------------
    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isEmpty() const { return m_view.empty(); }
    int recordCount() const { return int(m_view.size()); }
    // 1-based position of the current row among the visible rows; 0 when there is none.
    int recNo() const;
    bool hasCurrentRow() const;
    // Exact comparison (texts with letter case) over the visible rows in their order; on
    // success the first match becomes current. A text value for a number field that does not
    // convert throws Error with the conversion message.
    bool locate(QStringView fieldName, const QVariant &value);
    // Makes the visible row at this 0-based position current (posting a pending edit) and
    // runs the scroll hook; false when there is no such row.
    bool moveTo(int position);

    // --- Visible rows by position, for views that read the table in place -----------------
    // Neither the current row nor its hooks move. A position or field out of range reads as
    // empty; calculated fields are not reachable this way.
    std::string_view cellAt(int position, int field) const;
    QVariant valueAt(int position, int field) const;

    // --- Editing --------------------------------------------------------------------------
    void insert(); // starts a new row; runs the after-insert hook
    void append() { insert(); }
    void edit();
    void post();
    void cancel();
    void remove(); // deletes the current row; the following row becomes current

    // --- Values of the current row (or of the row being edited) ---------------------------
    QVariant value(int field) const; // invalid QVariant for null
    QVariant value(QStringView fieldName) const { return value(field(fieldName)); }
    bool isNull(int field) const;
    QString text(int field) const; // display text: numbers in decimal, dates dd.MM.yyyy
    QString text(QStringView fieldName) const { return text(field(fieldName)); }
    std::optional<qint32> integer(int field) const;
    std::optional<double> number(int field) const;
    std::optional<QDate> date(int field) const;
    std::optional<qint32> integer(QStringView fieldName) const { return integer(field(fieldName)); }
    std::optional<double> number(QStringView fieldName) const { return number(field(fieldName)); }
    std::optional<QDate> date(QStringView fieldName) const { return date(field(fieldName)); }

    // Only in the edit and insert states (throws Error otherwise). Text is cut to the width
    // and characters outside Windows-1252 become "?". A QString for a number or date field is
    // converted as typed by a German user, throwing Error when it does not convert.
    void setValue(int field, const QVariant &value);
    void setValue(QStringView fieldName, const QVariant &value)
    {
        setValue(field(fieldName), value);
    }
    void setNull(int field);
    // A text field's value without the detour through QVariant (the record import writes
    // millions of cells); any other kind of field takes the text as setValue() does.
    void setText(int field, QStringView text);
    // The same from Windows-1252 bytes, the form the table keeps.
    void setTextCp1252(int field, QByteArrayView bytes);
    // Typed values the same way; a field of another kind takes them as setValue() does.
    void setInteger(int field, qint32 value);
    void setFloat(int field, double value);
    void setDate(int field, const QDate &date); // an invalid date empties the field
    // The stored form of a field of the current row, and setting a field from the stored
    // form of a field of the same kind (copying rows between tables of one layout).
    std::string_view storedCell(int field) const { return currentCell(field); }
    void setStoredCell(int field, FieldKind kind, std::string_view cell);
    // Inserts and posts a copy of the current row of a table of the same layout, as
    // insert(), setting every stored field by position and post() would. Returns false
    // (and does nothing) when the layouts differ or this table numbers its rows itself.
    bool insertCopyOf(const Table &source);
    // Values of calculated fields, for the calculate-fields hook.
    void setCalculatedValue(int field, const QVariant &value);

    // --- Filter and order -----------------------------------------------------------------
    // Filter expressions compare fields with whole numbers: "ID > 5",
    // "ID >= 3 and ID <=9", "ID=0". Throws Error for anything else.
    void setFilter(const QString &expression);
    const QString &filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }
    void setIndexField(const QString &fieldName);
    const QString &indexField() const { return m_indexFieldName; }

    // --- Hooks ----------------------------------------------------------------------------
    std::function<void(Table &)> afterInsert;
    std::function<void(Table &)> afterScroll;
    std::function<void(Table &)> calcFields;
    // Today's date, for the century of two-digit years typed into date fields; the program
    // gives its clock, so that tests pin it. Without one the system's date is taken.
    std::function<QDate()> today;

    // Display updates: observers are told of changes unless updates are suspended.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }
    int addObserver(std::function<void()> observer);
    void removeObserver(int id);

    // --- Change tracking ------------------------------------------------------------------
    bool modified() const { return m_modified; }
    void setModified(bool m) { m_modified = m; }
    // Highest value of an integer field over every stored version (live or not); 0 when none.
    qint32 maxIntegerEver(int field) const;

    // --- Raw access for the table file reader and writer ----------------------------------
    // Replaces the whole content: fields, versions and change log.
    void load(QList<FieldDef> fields, std::vector<RowVersion> versions,
              std::vector<quint32> changeLog, QList<std::pair<QString, QString>> params = {});
    const std::vector<RowVersion> &versions() const { return m_versions; }
    // Whether a version is a live row (not deleted, not replaced by an edit). Reading rows
    // this way leaves the current row, and the hooks that follow it, alone.
    bool isLive(size_t version) const { return version < m_live.size() && m_live[version]; }
    const std::vector<quint32> &changeLog() const { return m_changeLog; }
    // Table properties other than the change log (name, value), kept as read.
    const QList<std::pair<QString, QString>> &params() const { return m_params; }

private:
    QDate currentDate() const;
    RowFilter compileFilter(const QString &expression) const;
    const Cell &bufferCell(int field) const;
    bool writeCell(int field, FieldKind kind1, FieldKind kind2, const void *data, qsizetype size);
    std::string_view currentCell(int field) const;
    void ensureCalculated() const;
    void requireEditing() const;
    void postIfEditing();
    void commitVersion(RowVersion &&row);
    void rebuildAll();
    void rebuildView();
    bool passes(quint32 version) const;
    int compareVersions(quint32 a, quint32 b) const;
    qsizetype lowerBound(const std::vector<quint32> &list, quint32 version) const;
    void placeInOrder(quint32 version, std::optional<quint32> replaced);
    void setPosition(qsizetype pos);
    void scrolled();
    void changed();

    QString m_name;
    QString m_filePath;
    QList<FieldDef> m_fields;
    QList<FieldDef> m_calcFields;
    State m_state = State::Inactive;

    std::vector<RowVersion> m_versions;
    std::vector<bool> m_live;
    std::vector<quint32> m_changeLog;
    QList<std::pair<QString, QString>> m_params;

    std::vector<quint32> m_all;  // live versions in index order
    std::vector<quint32> m_view; // those of m_all that pass the filter
    qsizetype m_pos = -1;
    bool m_eof = true;
    bool m_bof = true;

    std::vector<Cell> m_buffer; // row being edited or inserted
    qsizetype m_editVersion = -1;

    mutable std::vector<QVariant> m_calcValues;
    mutable qint64 m_calcFor = -2;
    bool m_inCalc = false;

    QString m_filterText;
    std::optional<RowFilter> m_filter; // none when the expression has no conditions
    bool m_filtered = false;
    QString m_indexFieldName;
    int m_indexField = -1;

    int m_disableCount = 0;
    bool m_pendingNotify = false;
    std::vector<std::pair<int, std::function<void()>>> m_observers;
    int m_nextObserver = 1;

    bool m_modified = false;
    mutable std::vector<std::optional<qint32>> m_maxEver; // per integer field, lazily
};

} // namespace ordovan::store
