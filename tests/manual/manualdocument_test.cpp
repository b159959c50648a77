#include "manualdocument.h"

#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

const QString kSmallManual = QStringLiteral("# Testhandbuch für Ämter\n"
                                            "\n"
                                            "Eine Einleitung.\n"
                                            "\n"
                                            "## Erste Schritte\n"
                                            "\n"
                                            "Text.\n"
                                            "\n"
                                            "### Installation\n"
                                            "\n"
                                            "Mehr Text.\n"
                                            "\n"
                                            "## Meldungen\n"
                                            "\n"
                                            "| Meldung | Bedeutung |\n"
                                            "| --- | --- |\n"
                                            "| FEHLER | schlecht |\n");

// The title as a PDF text string holds it: UTF-16 big-endian after a byte-order mark.
QByteArray pdfTextString(const QString &text)
{
    QStringEncoder utf16(QStringConverter::Utf16BE);
    return QByteArray("\xfe\xff", 2) + QByteArray(utf16(text));
}

void writeImage(const QString &path, QSize size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    ASSERT_TRUE(image.save(path, "PNG"));
}

struct ToolRun
{
    int status = -1;
    QString errors;
};

ToolRun runTool(const QString &input, const QString &output)
{
    QProcess tool;
    tool.start(QStringLiteral(ORDOVAN_MANUALPDF), {input, output});
    tool.waitForFinished(60000);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardError())};
}

} // namespace

TEST(ManualDocument, WritesAPdfThatHoldsTheTitle)
{
    QTemporaryDir dir;
    const manual::ManualDocument doc(kSmallManual, dir.path());
    EXPECT_EQ(doc.title(), QStringLiteral("Testhandbuch für Ämter"));
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QString error;
    ASSERT_TRUE(doc.writePdf(pdf, &error)) << error.toStdString();
    const QByteArray bytes = test::readFile(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    EXPECT_TRUE(bytes.contains(pdfTextString(doc.title())));
    EXPECT_FALSE(QFileInfo::exists(pdf + QStringLiteral(".part")));
}

TEST(ManualDocument, ChaptersStartOnNewPagesAfterTitleAndContents)
{
    QTemporaryDir dir;
    const manual::ManualDocument doc(kSmallManual, dir.path());
    const QList<manual::Heading> contents = doc.contents();
    ASSERT_EQ(contents.size(), 3);
    EXPECT_EQ(contents[0].text, QStringLiteral("Erste Schritte"));
    EXPECT_EQ(contents[0].level, 2);
    EXPECT_EQ(contents[1].text, QStringLiteral("Installation"));
    EXPECT_EQ(contents[1].level, 3);
    // Page 1 the title, page 2 the contents, then one page per chapter.
    EXPECT_EQ(contents[0].page, 3);
    EXPECT_EQ(contents[1].page, 3);
    EXPECT_EQ(contents[2].page, 4);
    EXPECT_EQ(doc.pageCount(), 4);
}

TEST(ManualDocument, LongChapterRunsOverSeveralPages)
{
    QString text = QStringLiteral("# Titel\n\nVorwort.\n\n## Lang\n\n");
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("Absatz %1 mit etwas Text, damit die Seite voll wird.\n\n").arg(i);
    text += QStringLiteral("## Danach\n\nEnde.\n");
    QTemporaryDir dir;
    const manual::ManualDocument doc(text, dir.path());
    const QList<manual::Heading> contents = doc.contents();
    ASSERT_EQ(contents.size(), 2);
    EXPECT_EQ(contents[0].page, 3);
    EXPECT_GT(contents[1].page, contents[0].page + 2);
    EXPECT_EQ(doc.pageCount(), contents[1].page);
}

TEST(ManualDocument, NamesOnlyImagesThatAreShown)
{
    const QString text = QStringLiteral("# T\n"
                                        "<!-- screenshot: main-Hauptseite.png -->\n\n"
                                        "Ein [Verweis](anderes.png) ist kein Bild.\n\n"
                                        "![Hauptseite](screenshots/main.png)\n\n"
                                        "Zweimal: ![Hauptseite](screenshots/main.png)\n\n"
                                        "![Editor](<screenshots/Mandanten Editor.png>)\n");
    EXPECT_EQ(manual::markdownImages(text),
              (QStringList{QStringLiteral("screenshots/main.png"),
                           QStringLiteral("screenshots/Mandanten Editor.png")}));
}

TEST(ManualDocument, MissingImageIsReported)
{
    QTemporaryDir dir;
    writeImage(dir.filePath(QStringLiteral("screenshots/da.png")), {40, 30});
    QFile notAnImage(dir.filePath(QStringLiteral("screenshots/kaputt.png")));
    ASSERT_TRUE(notAnImage.open(QIODevice::WriteOnly));
    notAnImage.write("kein PNG");
    notAnImage.close();
    const manual::ManualDocument doc(QStringLiteral("# T\n\n![a](screenshots/da.png)\n\n"
                                                    "![b](screenshots/weg.png)\n\n"
                                                    "![c](screenshots/kaputt.png)\n"),
                                     dir.path());
    EXPECT_EQ(doc.missingImages(), (QStringList{QStringLiteral("screenshots/weg.png"),
                                                QStringLiteral("screenshots/kaputt.png")}));
}

TEST(ManualDocument, WideScreenshotIsScaledToTheTextWidth)
{
    QTemporaryDir dir;
    writeImage(dir.filePath(QStringLiteral("breit.png")), {2000, 400});
    writeImage(dir.filePath(QStringLiteral("klein.png")), {96, 48});
    const manual::ManualDocument doc(
        QStringLiteral("# T\n\n![Breit](breit.png)\n\n![Klein](klein.png)\n"), dir.path());
    // The text is 165 mm wide; the proportions stay.
    const QSizeF wide = doc.shownSize(QStringLiteral("breit.png"));
    EXPECT_NEAR(wide.width(), 165.0, 0.5);
    EXPECT_NEAR(wide.height(), 33.0, 0.5);
    // A small one keeps its size as on a 96 dpi screen: 96 pixels are an inch.
    const QSizeF small = doc.shownSize(QStringLiteral("klein.png"));
    EXPECT_NEAR(small.width(), 25.4, 0.1);
    EXPECT_NEAR(small.height(), 12.7, 0.1);
}

TEST(ManualPdfTool, WritesThePdfWithItsImages)
{
    QTemporaryDir dir;
    writeImage(dir.filePath(QStringLiteral("screenshots/main.png")), {800, 600});
    const QString md = dir.filePath(QStringLiteral("handbuch.md"));
    test::writeFile(md, "# Handbuch\n\nText.\n\n## Kapitel\n\n![Fenster](screenshots/main.png)\n");
    const QString pdf = dir.filePath(QStringLiteral("Handbuch.pdf"));
    const ToolRun run = runTool(md, pdf);
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    const QByteArray bytes = test::readFile(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.contains(pdfTextString(QStringLiteral("Handbuch"))));
    EXPECT_TRUE(bytes.contains("/Subtype /Image"));
}

TEST(ManualPdfTool, MissingScreenshotFailsAndLeavesNoPdf)
{
    QTemporaryDir dir;
    const QString md = dir.filePath(QStringLiteral("handbuch.md"));
    test::writeFile(md,
                    "# Handbuch\n\n## Kapitel\n\n![Fenster](screenshots/main-Hauptseite.png)\n");
    const QString pdf = dir.filePath(QStringLiteral("Handbuch.pdf"));
    test::writeFile(pdf, "%PDF- an older manual");
    const ToolRun run = runTool(md, pdf);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("screenshots/main-Hauptseite.png")))
        << run.errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST(ManualPdfTool, ManualWithoutTitleFails)
{
    QTemporaryDir dir;
    const QString md = dir.filePath(QStringLiteral("handbuch.md"));
    test::writeFile(md, "## Nur ein Kapitel\n\nText.\n");
    const ToolRun run = runTool(md, dir.filePath(QStringLiteral("Handbuch.pdf")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("title")));
}

TEST(ManualPdfTool, UnreadableInputFails)
{
    QTemporaryDir dir;
    const ToolRun run = runTool(dir.filePath(QStringLiteral("fehlt.md")),
                                dir.filePath(QStringLiteral("Handbuch.pdf")));
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Handbuch.pdf"))));
}
