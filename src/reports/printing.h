#pragma once

#include <QString>

#include <memory>

namespace ordovan::reports {

// The small page interface the printed reports draw on. Positions are in units of 0.1 mm
// with the origin at the top left corner of the printable area and y growing upwards, so
// every position on the page has a negative y. Font heights are character cell heights in
// the same units. A layout is a plain sequence of calls, which the recording device lets
// tests check call by call.

enum class TextAnchor
{
    TopLeft,     // the text's cell starts at the point
    TopCenter,   // centred horizontally on the point, cell below it
    BaselineLeft // left end of the baseline at the point
};

struct TextStyle
{
    QString face;
    int height = 0;
    TextAnchor anchor = TextAnchor::TopLeft;
};

// One print job on one output. Destroying it without finish() discards the job.
class PageDevice
{
public:
    virtual ~PageDevice() = default;
    // Printable width of the page in whole millimetres.
    virtual int printableWidthMm() const = 0;
    virtual void drawLine(int x1, int y1, int x2, int y2, int penWidth) = 0;
    virtual void drawText(int x, int y, const QString &text, const TextStyle &style) = 0;
    virtual void newPage() = 0;
    // Ends the job; throws Error when the output could not be completed.
    virtual void finish() = 0;
};

enum class ReportKind
{
    CoverSheet,
    BookingList
};

struct PrintRequest
{
    QString title; // the print job's title
    ReportKind kind = ReportKind::CoverSheet;
    QString targetPath; // the SEPA file the report belongs to (outputs beside it use it)
};

// What the printer canvas keeps from one job to the next: a layout that sets no face prints
// in the face the last report left behind.
struct CanvasState
{
    QString face = QStringLiteral("Arial");
    int height = 48;
    int penWidth = 1;
};

// Starts print jobs on the printer chosen by the last print dialog, or wherever the program
// sends its printouts (PDF files when unattended, a recording in tests).
class PrintService
{
public:
    virtual ~PrintService() = default;
    // Throws Error with a German message when no job can be started (no printer).
    virtual std::unique_ptr<PageDevice> startJob(const PrintRequest &request) = 0;

    CanvasState &canvas() { return m_canvas; }

private:
    CanvasState m_canvas;
};

// A running job as the layouts see it: the canvas with its current font, pen and text
// alignment, drawing through the device. The canvas state outlives the job in the service.
class PrintJob
{
public:
    PrintJob(PrintService &service, const PrintRequest &request);
    ~PrintJob();
    PrintJob(const PrintJob &) = delete;
    PrintJob &operator=(const PrintJob &) = delete;

    void setFontFace(const QString &face) { m_service.canvas().face = face; }
    void setFontHeight(int height) { m_service.canvas().height = height; }
    void setPenWidth(int width) { m_service.canvas().penWidth = width; }
    void setAnchor(TextAnchor anchor) { m_anchor = anchor; }

    void textOut(int x, int y, const QString &text);
    void line(int x1, int y1, int x2, int y2);
    void newPage() { m_device->newPage(); }
    // The page width W of the rules: the printable width in millimetres times 10.
    int pageWidth() const { return m_device->printableWidthMm() * 10; }
    void end();

private:
    PrintService &m_service;
    std::unique_ptr<PageDevice> m_device;
    TextAnchor m_anchor = TextAnchor::TopLeft;
    bool m_ended = false;
};

} // namespace ordovan::reports
