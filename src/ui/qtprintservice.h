#pragma once

#include "reports/printing.h"

namespace ordovan::ui {

class QtDialogs;

// Prints on the printer the print dialog chose (QtDialogs::printer()), or on the system's
// default printer when no dialog was shown. Without an installed printer a job does not
// start and the German message travels to the caller.
class QtPrintService : public reports::PrintService
{
public:
    explicit QtPrintService(QtDialogs &dialogs) : m_dialogs(dialogs) {}

    std::unique_ptr<reports::PageDevice> startJob(const reports::PrintRequest &request) override;

private:
    QtDialogs &m_dialogs;
};

} // namespace ordovan::ui
