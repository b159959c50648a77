#include "qtprintservice.h"

#include "qtdialogs.h"

#include "base/error.h"
#include "reports/painterdevice.h"
#include "reports/recordedcall.h"
#include "reports/texts.h"

#include <QAction>
#include <QCoreApplication>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

namespace ordovan::ui {

// A report on its way to the preview: the drawing calls, replayed on whatever printer the
// preview paints on.
class PreviewJob : public reports::PageDevice
{
public:
    PreviewJob(QtPrintService &service, QPrinter *printer, bool printerChosen)
        : m_service(service), m_printer(printer), m_printerChosen(printerChosen),
          m_widthMm(int(printer->pageLayout().paintRect(QPageLayout::Millimeter).width()))
    {}

    int printableWidthMm() const override { return m_widthMm; }
    void drawLine(int x1, int y1, int x2, int y2, int penWidth) override
    {
        reports::RecordedCall c;
        c.kind = reports::RecordedCall::Line;
        c.x = x1;
        c.y = y1;
        c.x2 = x2;
        c.y2 = y2;
        c.penWidth = penWidth;
        m_calls.append(c);
    }
    void drawText(int x, int y, const QString &text, const reports::TextStyle &style) override
    {
        reports::RecordedCall c;
        c.kind = reports::RecordedCall::Text;
        c.x = x;
        c.y = y;
        c.text = text;
        c.style = style;
        m_calls.append(c);
    }
    void newPage() override
    {
        reports::RecordedCall c;
        c.kind = reports::RecordedCall::NewPage;
        m_calls.append(c);
    }
    void finish() override
    {
        QString failure;
        const QtPrintService::Painter paint = [this, &failure](QPrinter *printer) {
            // Called from the preview's signal: an error cannot travel through it, so it is
            // kept and raised once the preview is closed.
            try {
                reports::PainterPageDevice device(printer);
                for (const reports::RecordedCall &c : m_calls) {
                    switch (c.kind) {
                    case reports::RecordedCall::Text:
                        device.drawText(c.x, c.y, c.text, c.style);
                        break;
                    case reports::RecordedCall::Line:
                        device.drawLine(c.x, c.y, c.x2, c.y2, c.penWidth);
                        break;
                    case reports::RecordedCall::NewPage:
                        device.newPage();
                        break;
                    }
                }
                device.finish();
            } catch (const Error &e) {
                failure = e.message();
            }
        };
        const bool printed = m_service.m_preview
                                 ? m_service.m_preview(m_printer, paint, m_printerChosen)
                                 : QtPrintService::showPreviewDialog(
                                       m_printer, paint, m_printerChosen, m_service.m_parent);
        if (printed && !failure.isEmpty())
            throw Error(failure);
        if (printed && m_printer->printerState() == QPrinter::Error)
            throw Error(reports::texts::printJobFailed());
    }

private:
    QtPrintService &m_service;
    QPrinter *m_printer;
    bool m_printerChosen;
    int m_widthMm;
    QList<reports::RecordedCall> m_calls;
};

std::unique_ptr<reports::PageDevice> QtPrintService::startJob(const reports::PrintRequest &request)
{
    QPrinter *printer = m_dialogs.printer();
    printer->setDocName(request.title);
    return std::make_unique<PreviewJob>(*this, printer, m_dialogs.takePrintDialogConfirmed());
}

bool QtPrintService::showPreviewDialog(QPrinter *printer, const Painter &paint, bool printerChosen,
                                       QWidget *parent)
{
    QPrintPreviewDialog dialog(printer, parent);
    dialog.setObjectName(QStringLiteral("Druckvorschau"));
    dialog.setWindowTitle(QStringLiteral("Druckvorschau: ") + printer->docName());
    dialog.resize(800, 900);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter *p) { paint(p); });
    // "Drucken" in the preview asks for the printer again, unless the user has just chosen
    // it for this report (the booking list asks before it is made).
    auto *preview = dialog.findChild<QPrintPreviewWidget *>();
    const QString printText = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction *a : dialog.findChildren<QAction *>()) {
        if (a->text() != printText || !preview)
            continue;
        a->setObjectName(QStringLiteral("Drucken"));
        QObject::disconnect(a, &QAction::triggered, &dialog, nullptr);
        // Queued: the print dialog must not open inside the click, which a screen reader's
        // "press" would otherwise wait on until the dialog closes.
        QObject::connect(
            a, &QAction::triggered, &dialog,
            [&, printerChosen]() mutable {
                if (!printerChosen) {
                    QPrintDialog ask(printer, &dialog);
                    ask.setWindowTitle(QStringLiteral("Drucken"));
                    if (ask.exec() != QDialog::Accepted)
                        return;
                }
                printerChosen = true;
                preview->print();
                dialog.accept();
            },
            Qt::QueuedConnection);
        break;
    }
    return dialog.exec() == QDialog::Accepted;
}

} // namespace ordovan::ui
