// The manual and the maker's web page, opened with the desktop's default programs. The
// manual lies beside the program (a build or a copied installation) or in the installed
// documentation folder; when it is nowhere, nothing happens.
#include "context.h"
#include "operations.h"

#include "platform/desktop.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ordovan::app {

const QString kManualFileName = QStringLiteral("Ordovan Pro - Handbuch.pdf");
const QString kWebPage = QStringLiteral("https://github.com/brunnhold-software/ordovan");

QString manualPath(const QString &programFolder)
{
    const QStringList candidates = {
        programFolder + u'/' + kManualFileName,
        programFolder + QStringLiteral("/../share/doc/ordovan/") + kManualFileName,
        QStringLiteral("/usr/share/doc/ordovan/") + kManualFileName,
    };
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return QFileInfo(path).canonicalFilePath();
    }
    return {};
}

void openManual(Context &ctx)
{
    const QString path = manualPath(QCoreApplication::applicationDirPath());
    if (!path.isEmpty() && ctx.services.desktop)
        ctx.services.desktop->openWithDefault(path);
}

void openWebPage(Context &ctx)
{
    if (ctx.services.desktop)
        ctx.services.desktop->openWithDefault(kWebPage);
}

} // namespace ordovan::app
