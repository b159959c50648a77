#include "recording.h"

#include "base/error.h"

namespace ordovan::reports {

QStringList RecordedJob::describe() const
{
    QStringList out;
    for (const RecordedCall &c : calls)
        out << c.describe();
    return out;
}

int RecordedJob::pageCount() const
{
    int pages = 1;
    for (const RecordedCall &c : calls)
        if (c.kind == RecordedCall::NewPage)
            ++pages;
    return pages;
}

QStringList RecordedJob::texts() const
{
    QStringList out;
    for (const RecordedCall &c : calls)
        if (c.kind == RecordedCall::Text)
            out << c.text;
    return out;
}

// Appends to the service's job list as it draws, so a job abandoned half way stays visible
// to the test (with finished false).
class RecordingDevice : public PageDevice
{
public:
    RecordingDevice(RecordingPrintService &service, qsizetype job) : m_service(service), m_job(job)
    {}

    int printableWidthMm() const override { return m_service.m_widthMm; }

    void drawLine(int x1, int y1, int x2, int y2, int penWidth) override
    {
        RecordedCall c;
        c.kind = RecordedCall::Line;
        c.x = x1;
        c.y = y1;
        c.x2 = x2;
        c.y2 = y2;
        c.penWidth = penWidth;
        job().calls.append(c);
    }

    void drawText(int x, int y, const QString &text, const TextStyle &style) override
    {
        RecordedCall c;
        c.kind = RecordedCall::Text;
        c.x = x;
        c.y = y;
        c.text = text;
        c.style = style;
        job().calls.append(c);
    }

    void newPage() override
    {
        RecordedCall c;
        c.kind = RecordedCall::NewPage;
        job().calls.append(c);
    }

    void finish() override
    {
        if (m_service.m_failFinish) {
            const QString message = *m_service.m_failFinish;
            m_service.m_failFinish.reset();
            throw Error(message);
        }
        job().finished = true;
    }

private:
    RecordedJob &job() { return m_service.m_jobs[m_job]; }

    RecordingPrintService &m_service;
    qsizetype m_job;
};

std::unique_ptr<PageDevice> RecordingPrintService::startJob(const PrintRequest &request)
{
    if (m_failStart) {
        const QString message = *m_failStart;
        m_failStart.reset();
        throw Error(message);
    }
    RecordedJob job;
    job.request = request;
    job.widthMm = m_widthMm;
    m_jobs.append(job);
    return std::make_unique<RecordingDevice>(*this, m_jobs.size() - 1);
}

} // namespace ordovan::reports
