#include "processinglog.h"

#include "base/codec.h"
#include "base/german.h"
#include "platform/files.h"

namespace ordovan::app {

void ProcessingLog::append(const QDateTime &now, QStringView text)
{
    const qint64 ms = now.toMSecsSinceEpoch();
    const int offset = now.offsetFromUtc();
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    // Exactly midnight shows only the date, so that moment is never taken from the cache.
    const bool midnight = (ms + qint64(offset) * 1000) % 86400000 == 0;
    if (midnight || second != m_stampSecond || offset != m_stampOffset || m_stamp.isEmpty()) {
        m_stamp = german::formatDateTime(now);
        m_stampSecond = midnight ? -1 : second;
        m_stampOffset = offset;
    }
    QString line;
    line.reserve(m_stamp.size() + text.size());
    line += m_stamp;
    line += text;
    m_lines.append(std::move(line));
}

QByteArray ProcessingLog::fileBytes() const
{
    QByteArray out;
    for (const QString &line : m_lines) {
        out += codec::toCp1252(line);
        out += "\r\n";
    }
    return out;
}

void ProcessingLog::writeTo(const QString &path) const
{
    platform::writeFileAtomically(path, fileBytes());
}

} // namespace ordovan::app
