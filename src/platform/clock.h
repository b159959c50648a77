#pragma once

#include <QDateTime>

#include <limits>

namespace ordovan::platform {

// The current local time, injected so that file names, log lines and SEPA ids are exact in
// tests.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    // Every log line reads the clock, and the local time zone lookup behind
    // QDateTime::currentDateTime() costs a file status call each time. The offset from UTC
    // only changes at whole seconds, so it is looked up once per second; the result carries
    // that offset and shows the same local date and time.
    QDateTime now() const override
    {
        const qint64 ms = QDateTime::currentMSecsSinceEpoch();
        if (ms == m_ms)
            return m_now; // many log lines are written within one millisecond
        const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
        if (second != m_second) {
            m_offset = QDateTime::fromMSecsSinceEpoch(second * 1000).offsetFromUtc();
            m_second = second;
        }
        m_ms = ms;
        m_now = QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, m_offset);
        return m_now;
    }

private:
    mutable qint64 m_second = std::numeric_limits<qint64>::min();
    mutable int m_offset = 0;
    mutable qint64 m_ms = std::numeric_limits<qint64>::min();
    mutable QDateTime m_now;
};

// A clock that shows a set time and, when asked to, moves on by a step at every reading.
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime start, qint64 stepMs = 0)
        : m_now(std::move(start)), m_step(stepMs)
    {}
    QDateTime now() const override
    {
        QDateTime t = m_now;
        m_now = m_now.addMSecs(m_step);
        return t;
    }
    void set(const QDateTime &t) { m_now = t; }
    void setStep(qint64 ms) { m_step = ms; }

private:
    mutable QDateTime m_now;
    qint64 m_step;
};

} // namespace ordovan::platform
