#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace ordovan::app {

// The processing log (MLog): timestamped lines of what the readers, the import and the SEPA
// run did. Lines stay in memory until cleared; every run writes all of them to its log file.
class ProcessingLog
{
public:
    // Appends the timestamp of the moment (dd.MM.yyyy HH:mm:ss, only the date at midnight)
    // followed directly by the text, which begins with a blank.
    void append(const QDateTime &now, QStringView text);
    void clear() { m_lines.clear(); }
    const QStringList &lines() const { return m_lines; }
    QStringList &lines() { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }

    // All lines, each followed by CR LF, in Windows-1252 ("?" for what it cannot hold).
    QByteArray fileBytes() const;
    // Writes fileBytes() to the path (atomically); throws Error when that fails.
    void writeTo(const QString &path) const;

private:
    QStringList m_lines;
    // The timestamp text of the last second seen: a run writes many lines per second.
    QString m_stamp;
    qint64 m_stampSecond = -1;
    int m_stampOffset = 0;
};

} // namespace ordovan::app
