#include "testutil.h"
#include "schemacheck.h"

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

bool fixturesRequired()
{
    return qEnvironmentVariable("ORDOVAN_REQUIRE_FIXTURES") == u"1";
}

QString sharedFixtureFile(const QString &sub, const char *name)
{
    const QString folder = sharedFixtures(sub);
    if (folder.isEmpty())
        return {};
    const QString path = folder + u'/' + QString::fromUtf8(name);
    return QFileInfo::exists(path) ? QFileInfo(path).absoluteFilePath() : QString();
}

::testing::AssertionResult matchesGolden(const QByteArray &actual, const QString &goldenPath)
{
    const QString actualPath = goldenPath + QStringLiteral(".actual");
    QFile golden(goldenPath);
    if (!golden.open(QIODevice::ReadOnly)) {
        writeFile(actualPath, actual);
        return ::testing::AssertionFailure()
               << "golden file " << goldenPath.toStdString() << " missing; the actual bytes are in "
               << actualPath.toStdString();
    }
    const QByteArray expected = golden.readAll();
    if (expected == actual) {
        QFile::remove(actualPath);
        return ::testing::AssertionSuccess();
    }
    writeFile(actualPath, actual);
    qsizetype at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    return ::testing::AssertionFailure()
           << goldenPath.toStdString() << ": " << actual.size() << " bytes instead of "
           << expected.size() << ", first difference at byte " << at << "; actual kept in "
           << actualPath.toStdString()
           << "\n  see the difference: diff <(iconv -f UTF-16LE -t UTF-8 '"
           << goldenPath.toStdString() << "') <(iconv -f UTF-16LE -t UTF-8 '"
           << actualPath.toStdString() << "')  (cmp -l for files that are not UTF-16)";
}

QString validateWithSchema(const QString &xmlPath, const QString &xsdPath)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        return QStringLiteral("xmllint is not installed (package libxml2-utils)");
    if (!QFileInfo::exists(xsdPath))
        return QStringLiteral("schema missing: ") + xsdPath;
    QProcess p;
    p.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("--schema"), xsdPath, xmlPath});
    if (!p.waitForFinished(120000))
        return QStringLiteral("xmllint did not finish");
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return {};
    return QString::fromLocal8Bit(p.readAllStandardError());
}

QString declaredMessageVersion(const QString &xmlPath)
{
    const QByteArray head = readFile(xmlPath).left(400);
    const QByteArray marker = "xmlns=\"urn:iso:std:iso:20022:tech:xsd:";
    const qsizetype at = head.indexOf(marker);
    if (at < 0)
        return {};
    const qsizetype from = at + marker.size();
    const qsizetype to = head.indexOf('"', from);
    return to < 0 ? QString() : QString::fromLatin1(head.mid(from, to - from));
}

QString schemaComplaints(const QString &xmlPath, const QString &messageVersion)
{
    const QString version = declaredMessageVersion(xmlPath);
    if (version.isEmpty())
        return QStringLiteral("no SEPA message namespace in ") + xmlPath;
    if (!messageVersion.isEmpty() && version != messageVersion)
        return QStringLiteral("message version %1, expected %2").arg(version, messageVersion);
    const QString dir = QStringLiteral(ORDOVAN_TEST_DATA "/xsd/");
    // The 2009 messages (pain.xxx.001.0[23]) have the banks' subset GBIC_3, the 2019 ones
    // GBIC_5.
    const bool v2009 = version.endsWith(u"03") || version.endsWith(u"02");
    const QString subset = dir + QStringLiteral("dk/") + version +
                           (v2009 ? QStringLiteral("_GBIC_3.xsd") : QStringLiteral("_GBIC_5.xsd"));
    QString complaints = validateWithSchema(xmlPath, dir + version + QStringLiteral(".xsd"));
    complaints += validateWithSchema(xmlPath, subset);
    return complaints;
}

} // namespace ordovan::test
