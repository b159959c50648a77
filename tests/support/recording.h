#pragma once

#include "reports/printing.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace ordovan::reports {

// A print service that keeps every job's drawing calls instead of printing, so that a layout
// can be checked call by call. It can also be told to fail like a missing printer or a
// failing output.

struct RecordedCall
{
    enum Kind
    {
        Text,
        Line,
        NewPage
    } kind = Text;
    int x = 0;
    int y = 0;
    int x2 = 0; // lines
    int y2 = 0;
    int penWidth = 0;
    QString text;
    TextStyle style;

    // One readable line, e.g. "text 300 -200 TL Times New Roman/48 Begleitzettel vom ..."
    // or "line 250 -400 1600 -400 pen 2" or "page".
    QString describe() const;
};

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
