#include "manualdocument.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <cmath>

namespace ordovan::manual {

namespace {

constexpr qreal kDpi = ManualDocument::kDotsPerInch;

qreal mm(qreal millimetres)
{
    return millimetres * kDpi / 25.4;
}

// Lengths in a laid-out text are device units; type is set in points.
qreal pt(qreal points)
{
    return points * kDpi / 72.0;
}

// A4 with room for binding on the left and for the footer at the bottom.
const QSizeF kPage(mm(210), mm(297));
const qreal kLeft = mm(25);
const qreal kRight = mm(20);
const qreal kTop = mm(20);
const qreal kBottom = mm(25);
const QSizeF kBody(kPage.width() - kLeft - kRight, kPage.height() - kTop - kBottom);

const QColor kDarkBlue(0x12, 0x3d, 0x73);
const QColor kBlue(0x1f, 0x5f, 0xa8);
const QColor kRule(0xb0, 0xb8, 0xc4);
const QColor kCodeBackground(0xf1, 0xf3, 0xf6);
const QColor kTableHead(0xe3, 0xeb, 0xf5);

QFont bodyFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(10.5);
    return f;
}

// Screenshots are PNG files of a 96 dpi screen; an image without a size of its own is
// scaled by the layout from those pixels to the device.
constexpr qreal kScreenDpi = 96;

QString imagePath(const QString &name, const QString &baseFolder)
{
    const QUrl url(name);
    if (url.isRelative())
        return QDir(baseFolder).filePath(url.path());
    if (url.isLocalFile())
        return url.toLocalFile();
    return {};
}

bool isReadableImage(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    QImageReader reader(path);
    return reader.canRead() && reader.size().isValid();
}

struct ImageFragment
{
    int position = 0;
    int length = 0;
    QTextImageFormat format;
};

QList<ImageFragment> imageFragments(const QTextDocument &doc)
{
    QList<ImageFragment> found;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.isValid() && f.charFormat().isImageFormat())
                found.append({f.position(), f.length(), f.charFormat().toImageFormat()});
        }
    }
    return found;
}

QStringList imageNames(const QTextDocument &doc)
{
    QStringList names;
    for (const ImageFragment &f : imageFragments(doc)) {
        if (!names.contains(f.format.name()))
            names.append(f.format.name());
    }
    return names;
}

void importMarkdown(QTextDocument &doc, const QString &markdown)
{
    doc.setDefaultFont(bodyFont());
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
}

void setBlockText(QTextCursor cursor, const QString &text)
{
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

} // namespace

QStringList markdownImages(const QString &markdown)
{
    QTextDocument doc;
    importMarkdown(doc, markdown);
    return imageNames(doc);
}

ManualDocument::ManualDocument(const QString &markdown, const QString &baseFolder)
    : m_sink(std::make_unique<QBuffer>()),
      // Text is laid out with the metrics of the PDF it goes to: a writer of the same
      // resolution that is never painted on.
      m_layoutDevice(std::make_unique<QPdfWriter>(m_sink.get())),
      m_doc(std::make_unique<QTextDocument>()), m_baseFolder(baseFolder)
{
    m_doc->setBaseUrl(QUrl::fromLocalFile(QDir(baseFolder).absolutePath() + u'/'));
    importMarkdown(*m_doc, markdown);

    m_images = imageNames(*m_doc);
    for (const QString &name : std::as_const(m_images)) {
        if (!isReadableImage(imagePath(name, m_baseFolder)))
            m_missing.append(name);
    }

    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() == 1) {
            m_title = b.text().trimmed();
            break;
        }
    }

    // Every change of a laid-out text lays it out again: the changes come first.
    applyStyles();
    fitImages();
    insertContents();
    m_layoutDevice->setResolution(kDotsPerInch);
    m_doc->documentLayout()->setPaintDevice(m_layoutDevice.get());
    m_doc->setDocumentMargin(0);
    m_doc->setPageSize(kBody);
    keepHeadingsWithText();
    fillContentPages();
}

ManualDocument::~ManualDocument() = default;

QSizeF ManualDocument::shownSize(const QString &image) const
{
    for (const ImageFragment &f : imageFragments(*m_doc)) {
        if (f.format.name() != image || !f.format.hasProperty(QTextFormat::ImageWidth))
            continue;
        const qreal toMillimetres = 25.4 / kScreenDpi;
        return {f.format.width() * toMillimetres, f.format.height() * toMillimetres};
    }
    return {};
}

int ManualDocument::pageCount() const
{
    return m_doc->pageCount();
}

void ManualDocument::applyStyles()
{
    struct HeadingStyle
    {
        qreal size;
        QColor colour;
        qreal above;
        qreal below;
    };
    const HeadingStyle styles[] = {{24, kDarkBlue, 60, 14},
                                   {17, kBlue, 0, 10},
                                   {13, kDarkBlue, 14, 5},
                                   {11, kDarkBlue, 10, 3}};
    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
        QTextCursor c(b);
        QTextBlockFormat bf = b.blockFormat();
        const int level = bf.headingLevel();
        if (level >= 1) {
            const HeadingStyle &s = styles[std::min(level, 4) - 1];
            bf.setTopMargin(pt(s.above));
            bf.setBottomMargin(pt(s.below));
            // A chapter begins on a page of its own.
            if (level == 2)
                bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            c.setBlockFormat(bf);
            QTextCharFormat cf;
            cf.setFontPointSize(s.size);
            cf.setFontWeight(QFont::Bold);
            cf.setForeground(s.colour);
            c.select(QTextCursor::BlockUnderCursor);
            c.movePosition(QTextCursor::StartOfBlock);
            c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            c.mergeCharFormat(cf);
            continue;
        }
        if (bf.hasProperty(QTextFormat::BlockCodeFence)) {
            bf.setBackground(kCodeBackground);
            bf.setLeftMargin(pt(6));
            bf.setTopMargin(pt(2));
            bf.setBottomMargin(pt(8));
            c.setBlockFormat(bf);
            continue;
        }
        // Table cells keep only their padding; list items stand closer than paragraphs.
        const bool inTable = c.currentTable() != nullptr;
        const bool listContinues = b.textList() && b.next().textList() == b.textList();
        bf.setTopMargin(0);
        bf.setBottomMargin(inTable ? 0 : listContinues ? pt(2) : pt(6));
        bf.setLineHeight(115, QTextBlockFormat::ProportionalHeight);
        c.setBlockFormat(bf);
    }

    // Code comes in the system's fixed font at the system's size; it should match the text.
    QList<std::pair<int, int>> code;
    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.isValid() && f.charFormat().fontFixedPitch())
                code.append({f.position(), f.length()});
        }
    }
    QTextCharFormat codeFormat;
    codeFormat.setFontPointSize(9.5);
    for (const auto &[position, length] : code) {
        QTextCursor c(m_doc.get());
        c.setPosition(position);
        c.setPosition(position + length, QTextCursor::KeepAnchor);
        c.mergeCharFormat(codeFormat);
    }

    // Tables of the text: thin ruled cells, a tinted head row that repeats on every page.
    for (QTextFrame *frame : m_doc->rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        QTextTableFormat tf = table->format();
        tf.setBorder(pt(0.6));
        tf.setBorderBrush(kRule);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setBorderCollapse(true);
        tf.setCellPadding(pt(2.5));
        tf.setCellSpacing(0);
        tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        tf.setHeaderRowCount(1);
        tf.setTopMargin(pt(2));
        tf.setBottomMargin(pt(8));
        table->setFormat(tf);
        for (int col = 0; col < table->columns(); ++col) {
            QTextTableCell cell = table->cellAt(0, col);
            QTextCharFormat cf = cell.format();
            cf.setBackground(kTableHead);
            cell.setFormat(cf);
        }
    }
}

void ManualDocument::fitImages()
{
    // No screenshot wider than the text or taller than most of a page.
    const qreal scale = kDpi / kScreenDpi;
    const qreal maxWidth = kBody.width() / scale;
    const qreal maxHeight = kBody.height() * 0.8 / scale;
    for (ImageFragment f : imageFragments(*m_doc)) {
        const QString path = imagePath(f.format.name(), m_baseFolder);
        const QSize size = QImageReader(path).size();
        if (!size.isValid())
            continue;
        const qreal factor = std::min({1.0, maxWidth / size.width(), maxHeight / size.height()});
        f.format.setWidth(size.width() * factor);
        f.format.setHeight(size.height() * factor);
        QTextCursor c(m_doc.get());
        c.setPosition(f.position);
        c.setPosition(f.position + f.length, QTextCursor::KeepAnchor);
        c.setCharFormat(f.format);
    }
}

void ManualDocument::insertContents()
{
    QList<QTextBlock> headings;
    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level == 2 || level == 3)
            headings.append(b);
    }
    // The contents stand between the title page and the first chapter.
    if (headings.isEmpty() || !headings.first().previous().isValid())
        return;

    QTextCursor c(headings.first().previous());
    c.movePosition(QTextCursor::EndOfBlock);
    QTextBlockFormat titleBlock;
    titleBlock.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    titleBlock.setBottomMargin(pt(10));
    QTextCharFormat titleChar;
    titleChar.setFontPointSize(17);
    titleChar.setFontWeight(QFont::Bold);
    titleChar.setForeground(kBlue);
    c.insertBlock(titleBlock, titleChar);
    c.insertText(QStringLiteral("Inhalt"), titleChar);

    QTextTableFormat tf;
    tf.setBorder(0);
    tf.setCellPadding(pt(1.5));
    tf.setCellSpacing(0);
    tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tf.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90),
                                  QTextLength(QTextLength::PercentageLength, 10)});
    QTextTable *table = c.insertTable(int(headings.size()), 2, tf);
    for (int row = 0; row < headings.size(); ++row) {
        const bool chapter = headings[row].blockFormat().headingLevel() == 2;
        QTextCharFormat cf;
        cf.setFontWeight(chapter ? QFont::Bold : QFont::Normal);
        cf.setForeground(QColor(Qt::black));
        QTextBlockFormat entry;
        entry.setLeftMargin(chapter ? 0 : pt(14));
        entry.setTopMargin(chapter && row > 0 ? pt(5) : 0);
        QTextCursor left = table->cellAt(row, 0).firstCursorPosition();
        left.setBlockFormat(entry);
        left.insertText(headings[row].text().trimmed(), cf);
        // Three digits hold the place of the page number until the layout knows it, so
        // that filling it in moves nothing.
        entry.setAlignment(Qt::AlignRight);
        QTextCursor right = table->cellAt(row, 1).firstCursorPosition();
        right.setBlockFormat(entry);
        right.insertText(QStringLiteral("000"), cf);
    }
    m_contentsTable = table->firstPosition();
}

void ManualDocument::keepHeadingsWithText()
{
    // A section heading whose text only begins on the next page (a table whose first rows do
    // not fit, say) moves to that page. Each move shifts what follows; the layout follows.
    QAbstractTextDocumentLayout *layout = m_doc->documentLayout();
    auto pageOf = [&](const QTextBlock &b) {
        return int(std::floor((layout->blockBoundingRect(b).top() + 1) / kBody.height()));
    };
    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat bf = b.blockFormat();
        if (bf.headingLevel() < 3 || !b.next().isValid() ||
            bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            continue;
        (void)m_doc->pageCount();
        if (pageOf(b.next()) == pageOf(b))
            continue;
        bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(b).setBlockFormat(bf);
    }
}

void ManualDocument::fillContentPages()
{
    m_contents.clear();
    (void)m_doc->pageCount(); // lays out the whole text
    QAbstractTextDocumentLayout *layout = m_doc->documentLayout();
    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level != 2 && level != 3)
            continue;
        const qreal top = layout->blockBoundingRect(b).top();
        const int page = int(std::floor((top + 1) / kBody.height())) + 1;
        m_contents.append({level, b.text().trimmed(), page});
    }
    if (m_contentsTable < 0)
        return;
    QTextCursor at(m_doc.get());
    at.setPosition(m_contentsTable);
    QTextTable *table = at.currentTable();
    if (!table)
        return;
    for (int row = 0; row < table->rows() && row < m_contents.size(); ++row)
        setBlockText(table->cellAt(row, 1).firstCursorPosition(),
                     QString::number(m_contents[row].page));
}

void ManualDocument::paintPage(QPainter &painter, int page) const
{
    painter.save();
    painter.translate(kLeft, kTop - page * kBody.height());
    const QRectF clip(0, page * kBody.height(), kBody.width(), kBody.height());
    painter.setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext context;
    // The first line of the next page starts right on this page's lower edge; a clip that
    // stops short of it keeps it out of this page (painted, it would be clipped, but PDF
    // readers would still find its text here).
    context.clip = clip.adjusted(0, 0, 0, -2);
    context.palette.setColor(QPalette::Text, Qt::black);
    context.palette.setColor(QPalette::Link, kBlue);
    m_doc->documentLayout()->draw(&painter, context);
    painter.restore();

    if (page == 0)
        return;
    painter.save();
    const QRectF footer(kLeft, kPage.height() - kBottom + mm(8), kBody.width(), mm(8));
    painter.setPen(QPen(kRule, pt(0.5)));
    painter.drawLine(footer.topLeft(), footer.topRight());
    QFont small = bodyFont();
    small.setPointSizeF(8.5);
    painter.setFont(small);
    painter.setPen(QColor(0x55, 0x5d, 0x68));
    const QRectF text = footer.adjusted(0, mm(1.5), 0, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop, m_title);
    painter.drawText(text, Qt::AlignRight | Qt::AlignTop,
                     QStringLiteral("Seite %1 von %2").arg(page + 1).arg(pageCount()));
    painter.restore();
}

bool ManualDocument::writePdf(const QString &path, QString *error) const
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    {
        QPdfWriter writer(part);
        writer.setResolution(kDotsPerInch);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        writer.setTitle(m_title);
        writer.setCreator(QStringLiteral("Ordovan Profi"));
        QPainter painter;
        if (!painter.begin(&writer))
            return fail(QStringLiteral("cannot write %1").arg(part));
        const int pages = pageCount();
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                writer.newPage();
            paintPage(painter, page);
        }
        if (!painter.end())
            return fail(QStringLiteral("cannot write %1").arg(part));
    }
    QFile::remove(path);
    if (!QFile::rename(part, path)) {
        QFile::remove(part);
        return fail(QStringLiteral("cannot write %1").arg(path));
    }
    return true;
}

} // namespace ordovan::manual
