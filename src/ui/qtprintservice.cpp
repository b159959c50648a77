#include "qtprintservice.h"

#include "qtdialogs.h"

#include "base/error.h"
#include "reports/painterdevice.h"
#include "reports/texts.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace ordovan::ui {

namespace {

// A job on a QPrinter. A job left unfinished (an error in the layout) is aborted, so the
// printer never gets half a report.
class PrinterDevice : public reports::PainterPageDevice
{
public:
    explicit PrinterDevice(QPrinter *printer)
        : reports::PainterPageDevice(printer), m_printer(printer)
    {}
    ~PrinterDevice() override
    {
        if (!m_finished)
            m_printer->abort();
    }
    void finish() override
    {
        m_finished = true;
        reports::PainterPageDevice::finish();
        if (m_printer->printerState() == QPrinter::Error)
            throw Error(reports::texts::printJobFailed());
    }

private:
    QPrinter *m_printer;
    bool m_finished = false;
};

} // namespace

std::unique_ptr<reports::PageDevice> QtPrintService::startJob(const reports::PrintRequest &request)
{
    QPrinter *printer = m_dialogs.printer();
    // Printing into a file needs no printer; anything else does (without a print system Qt
    // falls back to PDF with no file, which would fail less clearly).
    const bool toFile = !printer->outputFileName().isEmpty();
    if (!toFile && (QPrinterInfo::availablePrinters().isEmpty() || !printer->isValid()))
        throw Error(reports::texts::noPrinter());
    printer->setDocName(request.title);
    return std::make_unique<PrinterDevice>(printer);
}

} // namespace ordovan::ui
