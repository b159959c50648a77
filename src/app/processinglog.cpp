#include "processinglog.h"

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/german.h"

namespace ordovan::app {

void ProcessingLog::append(const QDateTime &now, const QString &text)
{
    m_lines.append(german::formatDateTime(now) + text);
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
