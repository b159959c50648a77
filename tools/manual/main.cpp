// manualpdf: turns the Markdown manual into its PDF at build time.
//
//   manualpdf INPUT.md OUTPUT.pdf
//
// Images are looked up beside INPUT.md. A manual that shows an image that is not there is
// refused (exit status 1, no PDF), so a missing screenshot fails the build. No display is
// needed: the tool always runs on Qt's offscreen platform.
#include "manualdocument.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {

int fail(const QString &text)
{
    std::fprintf(stderr, "manualpdf: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 2)
        return fail(QStringLiteral("usage: manualpdf INPUT.md OUTPUT.pdf"));
    const QString input = args[0];
    const QString output = args[1];

    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(input));
    const QString markdown = QString::fromUtf8(file.readAll());

    const ordovan::manual::ManualDocument manual(markdown, QFileInfo(input).absolutePath());
    if (!manual.missingImages().isEmpty()) {
        for (const QString &name : manual.missingImages())
            fail(QStringLiteral("%1 shows %2, which is missing or no image")
                     .arg(QFileInfo(input).fileName(), name));
        QFile::remove(output);
        return 1;
    }
    if (manual.title().isEmpty())
        return fail(QStringLiteral("%1 has no title (a level-1 heading)").arg(input));
    QString error;
    if (!manual.writePdf(output, &error))
        return fail(error);
    return 0;
}
