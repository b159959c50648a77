#include "files.h"

#include "base/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
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

FolderLock::~FolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

bool FolderLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    const QByteArray native = QFile::encodeName(m_folder);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw Error(
            QStringLiteral("Das Verzeichnis \"%1\" kann nicht geöffnet werden.").arg(m_folder),
            QString::fromLocal8Bit(std::strerror(errno)));
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        m_fd = fd;
        return true;
    }
    ::close(fd);
    return false;
}

void FolderLock::lock(int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!tryLock()) {
        if (std::chrono::steady_clock::now() >= until)
            throw Error(QStringLiteral("Die Daten in \"%1\" werden von einer anderen Kopie des "
                                       "Programms verwendet. Bitte später erneut versuchen.")
                            .arg(m_folder));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    AtomicFile file(path);
    file.open();
    file.write(bytes);
    file.commit();
}

} // namespace ordovan::platform
