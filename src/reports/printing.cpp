#include "printing.h"

namespace ordovan::reports {

PrintJob::PrintJob(PrintService &service, const PrintRequest &request)
    : m_service(service), m_device(service.startJob(request))
{}

// An unfinished job (an error left the layout) is dropped with its device, which discards
// what was drawn instead of sending half a report.
PrintJob::~PrintJob() = default;

void PrintJob::textOut(int x, int y, const QString &text)
{
    const CanvasState &c = m_service.canvas();
    m_device->drawText(x, y, text, TextStyle{c.face, c.height, m_anchor});
}

void PrintJob::line(int x1, int y1, int x2, int y2)
{
    m_device->drawLine(x1, y1, x2, y2, m_service.canvas().penWidth);
}

void PrintJob::end()
{
    if (m_ended)
        return;
    m_ended = true;
    m_device->finish();
}

} // namespace ordovan::reports
