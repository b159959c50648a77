#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace ordovan::platform {

// Where the program keeps its data and settings on this platform.
// DataDir: $XDG_DATA_HOME/Ordovan 2022/ (default ~/.local/share/Ordovan 2022/), with a
// trailing "/". The settings file: $XDG_CONFIG_HOME/Brunnhold Software/Ordovan.reg.
QString dataDirectory();
QString settingsFilePath();
// The folder of the running executable, with a trailing "/".
QString applicationDirectory();

// Creates the folder and its missing parents; throws Error when that fails.
void ensureDirectory(const QString &path);

// Writes the bytes to a temporary file beside the target and renames it into place, so that
// a crash or a full disk leaves the previous version intact. Throws Error on failure.
void writeFileAtomically(const QString &path, const QByteArray &bytes);

// The same for writers that stream: open(), write through device(), then commit().
// Destroying it without commit() removes the temporary file and keeps the old one.
class AtomicFile
{
public:
    explicit AtomicFile(const QString &path);
    void open(); // throws Error
    QIODevice *device() { return &m_file; }
    void write(const char *data, qint64 size); // throws Error
    void write(const QByteArray &bytes) { write(bytes.constData(), bytes.size()); }
    void commit(); // throws Error

private:
    [[noreturn]] void fail(const QString &reason);
    QString m_path;
    QSaveFile m_file;
};

// An exclusive lock on a folder (flock on the folder itself, so no lock file is left in it),
// held from lock() until the object goes away. The data folder is locked for a whole
// program run: a second copy waits instead of overwriting the first copy's tables with what
// it read before the first one saved.
class FolderLock
{
public:
    explicit FolderLock(QString folder) : m_folder(std::move(folder)) {}
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Waits up to timeoutMs for the lock; throws Error when it cannot be had.
    void lock(int timeoutMs);
    bool tryLock();

private:
    QString m_folder;
    int m_fd = -1;
};

// The German error for a file that cannot be created or written.
QString cannotWriteMessage(const QString &path);
// The folder part of a path, up to and including its last "/" or "\"; empty without one.
QString folderOf(const QString &path);

} // namespace ordovan::platform
