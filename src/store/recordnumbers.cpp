#include "recordnumbers.h"

#include "base/error.h"
#include "platform/settingsstore.h"
#include "table.h"

#include <limits>

namespace ordovan::store {

const QString RecordNumbers::kDomestic = QStringLiteral("LastBuchungID-D");
const QString RecordNumbers::kSepa = QStringLiteral("LastBuchungID-EU");
const QString RecordNumbers::kHistory = QStringLiteral("LastHistoryID");
const QString RecordNumbers::kMandant = QStringLiteral("LastMandantID");

namespace {

// The counter cannot hand out numbers past the largest 32-bit value; wrapping around would
// give out numbers that records already carry.
void checkRoom(const QString &counter, qint32 base, qint32 count)
{
    if (base > std::numeric_limits<qint32>::max() - count)
        throw Error(QStringLiteral("Der Zähler %1 hat seinen höchsten Wert erreicht; es können "
                                   "keine weiteren Nummern vergeben werden.")
                        .arg(counter));
}

qint32 highestId(const Table &table)
{
    const int f = table.fieldIndex(u"ID");
    return f < 0 ? 0 : table.maxIntegerEver(f);
}

} // namespace

RecordNumbers::RecordNumbers(platform::SettingsStore &settings) : m_settings(settings) {}

qint32 RecordNumbers::next(const QString &counter, const Table &table)
{
    auto it = m_reserved.find(counter);
    if (it != m_reserved.end() && it->next <= it->end) {
        const qint32 n = it->next++;
        m_last[counter] = n;
        return n;
    }
    const qint32 top = highestId(table);
    const qint32 n =
        m_settings.updateInteger(u"", counter, [top, &counter](std::optional<qint32> stored) {
            qint32 base = stored.value_or(-1);
            if (base < top)
                base = top;
            if (base < 0)
                base = 0;
            checkRoom(counter, base, 1);
            return base + 1;
        });
    m_last[counter] = n;
    return n;
}

qint32 RecordNumbers::guard(const QString &counter, const Table &table)
{
    const qint32 top = highestId(table);
    const auto stored = m_settings.integerValue(u"", counter);
    if (top > 0 && (!stored || *stored < top))
        return m_settings.updateInteger(
            u"", counter, [top](std::optional<qint32> s) { return std::max(s.value_or(-1), top); });
    return stored.value_or(-1);
}

qint32 RecordNumbers::reserve(const QString &counter, const Table &table, qint32 count)
{
    if (count <= 0) {
        m_reserved.remove(counter);
        return std::max(guard(counter, table), 0) + 1;
    }
    const qint32 top = highestId(table);
    qint32 first = 0;
    m_settings.updateInteger(u"", counter, [&](std::optional<qint32> stored) {
        qint32 base = std::max(stored.value_or(-1), top);
        if (base < 0)
            base = 0;
        checkRoom(counter, base, count);
        first = base + 1;
        return base + count;
    });
    m_reserved[counter] = Block{first, first + count - 1};
    return first;
}

void RecordNumbers::release(const QString &counter)
{
    m_reserved.remove(counter);
}

} // namespace ordovan::store
