#include "files.h"

#include "error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace ordovan::platform {

namespace {

QString xdgHome(const char *variable, const QString &fallback)
{
    QString value = qEnvironmentVariable(variable);
    if (value.isEmpty() || !QDir::isAbsolutePath(value))
        value = QDir::homePath() + fallback;
    if (!value.endsWith(u'/'))
        value += u'/';
    return value;
}

} // namespace

QString dataDirectory()
{
    return xdgHome("XDG_DATA_HOME", QStringLiteral("/.local/share")) +
           QStringLiteral("Ordovan 2022/");
}

QString settingsFilePath()
{
    return xdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config")) +
           QStringLiteral("Brunnhold Software/Ordovan.reg");
}

QString applicationDirectory()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

void ensureDirectory(const QString &path)
{
    if (QFileInfo(path).isDir())
        return;
    if (!QDir().mkpath(path))
        throw Error(QStringLiteral("Das Verzeichnis \"%1\" kann nicht angelegt werden.")
                        .arg(QDir::toNativeSeparators(path)));
}

QString cannotWriteMessage(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" kann nicht erstellt werden.").arg(path);
}

QString folderOf(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

AtomicFile::AtomicFile(const QString &path) : m_path(path), m_file(path) {}

void AtomicFile::fail(const QString &reason)
{
    m_file.cancelWriting();
    throw Error(cannotWriteMessage(m_path), reason);
}

void AtomicFile::open()
{
    if (QFileInfo(m_path).isDir())
        throw Error(cannotWriteMessage(m_path), QStringLiteral("Ziel ist ein Verzeichnis"));
    if (!m_file.open(QIODevice::WriteOnly))
        fail(m_file.errorString());
}

void AtomicFile::write(const char *data, qint64 size)
{
    if (m_file.write(data, size) != size)
        fail(m_file.errorString());
}

void AtomicFile::commit()
{
    // QSaveFile renames its temporary file into place even when writing out its buffer
    // fails on close, and it ignores a failing sync: with a full disk a short file would
    // replace the good one. So everything must reach the disk before the rename.
    if (!m_file.flush())
        fail(m_file.errorString());
    const int fd = m_file.handle();
    if (fd >= 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!m_file.commit())
        throw Error(cannotWriteMessage(m_path), m_file.errorString());
}

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    AtomicFile file(path);
    file.open();
    file.write(bytes);
    file.commit();
}

} // namespace ordovan::platform
