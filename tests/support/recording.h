#pragma once

#include "reports/printing.h"
#include "reports/recordedcall.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace ordovan::reports {

// A print service that keeps every job's drawing calls instead of printing, so that a layout
// can be checked call by call. It can also be told to fail like a missing printer or a
// failing output.

struct RecordedJob
{
    PrintRequest request;
    int widthMm = 0;
    QList<RecordedCall> calls;
    bool finished = false;

    QStringList describe() const;
    // Number of pages (new-page calls plus one).
    int pageCount() const;
    // The texts drawn, in order.
    QStringList texts() const;
};

class RecordingPrintService : public PrintService
{
public:
    explicit RecordingPrintService(int printableWidthMm = 200) : m_widthMm(printableWidthMm) {}

    std::unique_ptr<PageDevice> startJob(const PrintRequest &request) override;

    // The next job start throws this German message (no printer installed).
    void failNextStart(const QString &message) { m_failStart = message; }
    // The next job's finish throws this German message (the output failed).
    void failNextFinish(const QString &message) { m_failFinish = message; }

    const QList<RecordedJob> &jobs() const { return m_jobs; }
    void clear() { m_jobs.clear(); }

private:
    friend class RecordingDevice;
    int m_widthMm;
    QList<RecordedJob> m_jobs;
    std::optional<QString> m_failStart;
    std::optional<QString> m_failFinish;
};

} // namespace ordovan::reports
