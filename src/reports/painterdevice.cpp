#include "painterdevice.h"

#include "texts.h"

#include "base/error.h"
#include "platform/files.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPdfWriter>

namespace ordovan::reports {

PainterPageDevice::PainterPageDevice(QPagedPaintDevice *device) : m_device(device)
{
    if (!m_painter.begin(device))
        throw Error(texts::printJobFailed());
    m_scale = device->logicalDpiX() / 254.0;
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setPen(QPen(Qt::black));
}

PainterPageDevice::~PainterPageDevice()
{
    if (m_painter.isActive())
        m_painter.end();
}

int PainterPageDevice::printableWidthMm() const
{
    return int(m_device->pageLayout().paintRect(QPageLayout::Millimeter).width());
}

void PainterPageDevice::drawLine(int x1, int y1, int x2, int y2, int penWidth)
{
    QPen pen(Qt::black);
    pen.setWidthF(std::max(px(penWidth), 1.0));
    pen.setCapStyle(Qt::RoundCap);
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(px(x1), -px(y1)), QPointF(px(x2), -px(y2)));
}

QFont PainterPageDevice::fontFor(const QString &face, int height)
{
    const QString key = face + u'/' + QString::number(height);
    auto it = m_fonts.constFind(key);
    if (it != m_fonts.constEnd())
        return *it;
    // The height is the cell (ascent plus descent); Qt sizes fonts by the em, so measure
    // once and scale.
    const double target = std::max(px(height), 1.0);
    QFont font(face);
    font.setPixelSize(std::max(1, qRound(target)));
    const double cell = QFontMetricsF(font, m_device).height();
    if (cell > 0)
        font.setPixelSize(std::max(1, qRound(target * target / cell)));
    m_fonts.insert(key, font);
    return font;
}

void PainterPageDevice::drawText(int x, int y, const QString &text, const TextStyle &style)
{
    // Line breaks inside a value (purpose lines) have no glyph on paper: a blank stands in.
    QString shown = text;
    for (QChar &c : shown)
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    const QFont font = fontFor(style.face, style.height);
    m_painter.setFont(font);
    m_painter.setPen(QPen(Qt::black));
    const QFontMetricsF fm(font, m_device);
    double left = px(x);
    double baseline = -px(y);
    switch (style.anchor) {
    case TextAnchor::TopLeft:
        baseline += fm.ascent();
        break;
    case TextAnchor::TopCenter:
        baseline += fm.ascent();
        left -= fm.horizontalAdvance(shown) / 2;
        break;
    case TextAnchor::BaselineLeft:
        break;
    }
    m_painter.drawText(QPointF(left, baseline), shown);
}

void PainterPageDevice::newPage()
{
    if (!m_device->newPage())
        throw Error(texts::printJobFailed());
}

void PainterPageDevice::finish()
{
    if (!m_painter.end())
        throw Error(texts::printJobFailed());
}

namespace {

// The PDF file is written to a temporary file that only replaces the target when the whole
// document is complete. Members are destroyed painter first, file last.
class PdfDevice : public PageDevice
{
public:
    PdfDevice(const QString &path, const QString &title) : m_file(path)
    {
        m_file.open();
        m_writer = std::make_unique<QPdfWriter>(m_file.device());
        m_writer->setTitle(title);
        m_writer->setCreator(QStringLiteral("Ordovan Profi 2022"));
        m_writer->setResolution(1200);
        m_writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                            QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
        m_painter = std::make_unique<PainterPageDevice>(m_writer.get());
    }

    int printableWidthMm() const override { return m_painter->printableWidthMm(); }
    void drawLine(int x1, int y1, int x2, int y2, int penWidth) override
    {
        m_painter->drawLine(x1, y1, x2, y2, penWidth);
    }
    void drawText(int x, int y, const QString &text, const TextStyle &style) override
    {
        m_painter->drawText(x, y, text, style);
    }
    void newPage() override { m_painter->newPage(); }
    void finish() override
    {
        m_painter->finish();
        m_file.commit();
    }

private:
    platform::AtomicFile m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<PainterPageDevice> m_painter;
};

} // namespace

QString PdfPrintService::outputPath(const PrintRequest &request)
{
    const QString name = request.kind == ReportKind::CoverSheet
                             ? QStringLiteral("Begleitzettel.pdf")
                             : QStringLiteral("Buchungsliste.pdf");
    return platform::folderOf(request.targetPath) + name;
}

std::unique_ptr<PageDevice> PdfPrintService::startJob(const PrintRequest &request)
{
    return std::make_unique<PdfDevice>(outputPath(request), request.title);
}

} // namespace ordovan::reports
