#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace ordovan::test {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QString sharedFixtures(const QString &sub)
{
    const QString dir = QStringLiteral(ORDOVAN_SHARED_FIXTURES "/") + sub;
    return QDir(dir).exists() ? QDir(dir).absolutePath() : QString();
}

QString validateWithSchema(const QString &xmlPath, const QString &xsdPath)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        return QStringLiteral("skip");
    QProcess p;
    p.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("--schema"), xsdPath, xmlPath});
    p.waitForFinished(120000);
    if (p.exitCode() == 0)
        return {};
    return QString::fromLocal8Bit(p.readAllStandardError());
}

} // namespace ordovan::test
