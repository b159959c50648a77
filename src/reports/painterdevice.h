#pragma once

#include "printing.h"

#include <QFont>
#include <QHash>
#include <QPainter>

class QPagedPaintDevice;

namespace ordovan::reports {

// Draws the page interface with a QPainter on a paged device: a PDF writer or a printer.
// Units of 0.1 mm become device pixels by the device's resolution; y is negated because the
// painter's y grows downwards. Font heights are cell heights (ascent plus descent), the way
// the reports were laid out, so the pixel size is fitted to that.
class PainterPageDevice : public PageDevice
{
public:
    // Begins painting on the device; throws Error when the device cannot be painted on.
    explicit PainterPageDevice(QPagedPaintDevice *device);
    ~PainterPageDevice() override;

    int printableWidthMm() const override;
    void drawLine(int x1, int y1, int x2, int y2, int penWidth) override;
    void drawText(int x, int y, const QString &text, const TextStyle &style) override;
    void newPage() override;
    // Ends the painter; throws Error when the device reports a failure.
    void finish() override;

    // The font the device uses for a face and cell height (for tests of the font mapping).
    QFont fontFor(const QString &face, int height);

private:
    double px(int units) const { return units * m_scale; }

    QPagedPaintDevice *m_device;
    QPainter m_painter;
    double m_scale; // device pixels per 0.1 mm
    QHash<QString, QFont> m_fonts;
};

// The print service of a run without a window: each report becomes a PDF file beside the
// SEPA file ("Begleitzettel.pdf", "Buchungsliste.pdf"), written atomically, on A4 with a
// printable area like a printer's.
class PdfPrintService : public PrintService
{
public:
    std::unique_ptr<PageDevice> startJob(const PrintRequest &request) override;

    static QString outputPath(const PrintRequest &request);
};

} // namespace ordovan::reports
