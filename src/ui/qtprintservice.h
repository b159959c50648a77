#pragma once

#include "reports/printing.h"

#include <functional>

class QPrinter;
class QWidget;

namespace ordovan::ui {

class QtDialogs;

// Every report goes through Qt's print preview before it reaches the printer the print
// dialog chose (QtDialogs::printer()). A job records its drawing; when it ends, the preview
// shows it, and "Drucken" there prints it (after the print dialog, unless the user has just
// confirmed one for this report). Closing the preview prints nothing. A printer that fails
// sends the German message to the caller.
class QtPrintService : public reports::PrintService
{
public:
    explicit QtPrintService(QtDialogs &dialogs, QWidget *parent = nullptr)
        : m_dialogs(dialogs), m_parent(parent)
    {}

    void setParent(QWidget *parent) { m_parent = parent; }
    std::unique_ptr<reports::PageDevice> startJob(const reports::PrintRequest &request) override;

    // Paints the recorded report on a printer (the preview's pages or the real one).
    using Painter = std::function<void(QPrinter *)>;
    // Shows the preview of a finished report; true when it was printed. Tests put their own
    // in place of Qt's preview dialog.
    using Preview =
        std::function<bool(QPrinter *printer, const Painter &paint, bool printerChosen)>;
    void setPreview(Preview preview) { m_preview = std::move(preview); }
    // Qt's preview dialog.
    static bool showPreviewDialog(QPrinter *printer, const Painter &paint, bool printerChosen,
                                  QWidget *parent);

private:
    friend class PreviewJob;
    QtDialogs &m_dialogs;
    QWidget *m_parent;
    Preview m_preview;
};

} // namespace ordovan::ui
