#pragma once

#include <QHash>
#include <QString>

namespace ordovan::platform {
class SettingsStore;
}

namespace ordovan::store {

class Table;

// Record numbers come from four counters in the global settings key
// (LastBuchungID-D, LastBuchungID-EU, LastHistoryID, LastMandantID). A counter only grows
// and a number is handed out once: each draw holds the settings file's lock, and a counter
// that is missing or lags behind the highest ID its table ever held is first raised to it.
class RecordNumbers
{
public:
    explicit RecordNumbers(platform::SettingsStore &settings);

    static const QString kDomestic; // "LastBuchungID-D"
    static const QString kSepa;     // "LastBuchungID-EU"
    static const QString kHistory;  // "LastHistoryID"
    static const QString kMandant;  // "LastMandantID"

    // The next number for a new row of the table; the counter is written at once.
    qint32 next(const QString &counter, const Table &table);

    // Raises the counter to the table's highest ID when it is missing or below it, and
    // returns the (possibly raised) value; -1 stays -1 only for an empty table.
    qint32 guard(const QString &counter, const Table &table);

    // Reserves count numbers at once (one locked update); the following count calls of
    // next() for this counter hand them out in order. Returns the first reserved number.
    qint32 reserve(const QString &counter, const Table &table, qint32 count);
    // Drops what is left of a reservation (its numbers are never handed out).
    void release(const QString &counter);
    // The last number handed out by next() in this process for the counter, or -1.
    qint32 lastHandedOut(const QString &counter) const { return m_last.value(counter, -1); }

private:
    struct Block
    {
        qint32 next = 0;
        qint32 end = -1; // inclusive
    };
    platform::SettingsStore &m_settings;
    QHash<QString, Block> m_reserved;
    QHash<QString, qint32> m_last;
};

} // namespace ordovan::store
