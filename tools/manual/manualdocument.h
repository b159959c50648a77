#pragma once

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>

class QBuffer;
class QPainter;
class QPdfWriter;
class QTextDocument;

// The user manual as a printed book: a Markdown text laid out on A4 pages by Qt's own
// Markdown import and written as PDF. The level-1 heading is the title, every level-2
// heading starts a chapter on a new page, a table of contents with page numbers follows the
// title page, and every page but the first carries the title and its number in the footer.
// Images are the screenshots beside the text; a manual that names one that is not there is
// refused, so a stale manual never reaches the users.

namespace ordovan::manual {

struct Heading
{
    int level = 0;
    QString text;
    int page = 0; // counted from 1, the title page
};

class ManualDocument
{
public:
    // Relative image paths in the text start at baseFolder.
    ManualDocument(const QString &markdown, const QString &baseFolder);
    ~ManualDocument();
    ManualDocument(const ManualDocument &) = delete;
    ManualDocument &operator=(const ManualDocument &) = delete;

    // The text of the first level-1 heading; empty when there is none.
    QString title() const { return m_title; }
    // The images the text shows, as it names them, each once, in order.
    QStringList images() const { return m_images; }
    // Those of them that are no readable image file.
    QStringList missingImages() const { return m_missing; }
    // The chapters and sections (levels 2 and 3) with the page each starts on.
    QList<Heading> contents() const { return m_contents; }
    // How large the image appears on the page, in millimetres; invalid for a missing one.
    QSizeF shownSize(const QString &image) const;
    int pageCount() const;

    // Writes the PDF atomically (a failed write leaves no file). False with the reason.
    bool writePdf(const QString &path, QString *error) const;

    // The page geometry, in device units of the layout (kDotsPerInch).
    static constexpr int kDotsPerInch = 300;

private:
    void applyStyles();
    void fitImages();
    void insertContents();
    void keepHeadingsWithText();
    void fillContentPages();
    void paintPage(QPainter &painter, int page) const;

    // Declared in the order they depend on each other: the document goes first.
    std::unique_ptr<QBuffer> m_sink;
    std::unique_ptr<QPdfWriter> m_layoutDevice;
    std::unique_ptr<QTextDocument> m_doc;
    QString m_baseFolder;
    QString m_title;
    QStringList m_images;
    QStringList m_missing;
    QList<Heading> m_contents;
    int m_contentsTable = -1; // position of the contents table, -1 when there is none
};

// The image paths that Markdown image syntax names in a text, each once, in order; what
// Qt's import shows as images and nothing else (no links, no HTML comments).
QStringList markdownImages(const QString &markdown);

} // namespace ordovan::manual
