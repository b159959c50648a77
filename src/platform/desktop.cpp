#include "desktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include <cstdio>

namespace ordovan::platform {

QUrl desktopUrl(const QString &pathOrAddress)
{
    for (const QStringView scheme : {u"http://", u"https://", u"mailto:"}) {
        if (pathOrAddress.startsWith(scheme, Qt::CaseInsensitive))
            return QUrl(pathOrAddress);
    }
    return QUrl::fromLocalFile(pathOrAddress);
}

void SystemDesktop::openWithDefault(const QString &path)
{
    QDesktopServices::openUrl(desktopUrl(path));
}

void SystemDesktop::startProgram(const QString &program, const QStringList &arguments)
{
    QProcess::startDetached(program, arguments);
}

void UnattendedDesktop::openWithDefault(const QString &path)
{
    std::fprintf(stderr, "Öffnen: %s\n", path.toLocal8Bit().constData());
}

void UnattendedDesktop::startProgram(const QString &program, const QStringList &arguments)
{
    std::fprintf(stderr, "Programmstart: %s %s\n", program.toLocal8Bit().constData(),
                 arguments.join(u' ').toLocal8Bit().constData());
}

} // namespace ordovan::platform
