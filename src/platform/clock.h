#pragma once

#include <QDateTime>

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
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A clock that shows a set time and, when asked to, moves on by a step at every reading.
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime start, qint64 stepMs = 0) : m_now(std::move(start)), m_step(stepMs)
    {
    }
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
