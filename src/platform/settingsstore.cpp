#include "settingsstore.h"

#include "base/error.h"
#include "files.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ordovan::platform {

SettingsStore::SettingsStore(QString filePath) : m_path(std::move(filePath)) {}

SettingsStore::~SettingsStore()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

void SettingsStore::refresh() const
{
    struct stat st
    {};
    const QByteArray native = QFile::encodeName(m_path);
    if (::stat(native.constData(), &st) != 0) {
        // No file yet: an empty store.
        if (m_loaded && m_stamp == -1)
            return;
        m_doc = RegistryDocument();
        m_unreadable = false;
        m_loaded = true;
        m_stamp = -1;
        m_size = -1;
        m_inode = 0;
        return;
    }
    const qint64 stamp = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (m_loaded && stamp == m_stamp && st.st_size == m_size && st.st_ino == m_inode)
        return;
    m_loaded = true;
    m_stamp = stamp;
    m_size = st.st_size;
    m_inode = st.st_ino;
    m_doc = RegistryDocument();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_unreadable = true;
        return;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty()) {
        m_unreadable = false;
        return;
    }
    auto doc = RegistryDocument::parse(bytes);
    m_unreadable = !doc.has_value();
    if (doc)
        m_doc = std::move(*doc);
}

void SettingsStore::openKey(QStringView key) const
{
    refresh();
    if (m_unreadable || m_doc.hasKey(key))
        return;
    auto *self = const_cast<SettingsStore *>(this);
    try {
        self->lock();
    } catch (const Error &) {
        return;
    }
    try {
        refresh();
        if (!m_unreadable && !m_doc.hasKey(key)) {
            m_doc.ensureKey(key);
            self->writeBack();
        }
    } catch (const Error &) {
        // A read never fails; the key will be created by the next write that succeeds.
    }
    self->unlock();
}

std::optional<qint32> SettingsStore::integerValue(QStringView key, QStringView name) const
{
    openKey(key);
    const RegistryValue *v = m_doc.find(key, name);
    if (!v || v->kind != RegistryValue::Kind::Dword)
        return std::nullopt;
    return v->number;
}

qint32 SettingsStore::readInteger(QStringView key, QStringView name) const
{
    return integerValue(key, name).value_or(-1);
}

QString SettingsStore::readString(QStringView key, QStringView name) const
{
    openKey(key);
    const RegistryValue *v = m_doc.find(key, name);
    if (!v || v->kind != RegistryValue::Kind::String)
        return {};
    return v->text;
}

void SettingsStore::lock()
{
    if (m_lockDepth++ > 0)
        return;
    ensureDirectory(folderOf(m_path));
    // The lock is taken on the folder: the file itself is replaced by every write, and a
    // lock file would be left lying beside it.
    const QByteArray lockPath = QFile::encodeName(folderOf(m_path));
    m_lockFd = ::open(lockPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lockFd < 0) {
        m_lockDepth = 0;
        throw Error(
            QStringLiteral("Die Einstellungsdatei \"%1\" kann nicht gesperrt werden.").arg(m_path),
            QString::fromLocal8Bit(std::strerror(errno)));
    }
    while (::flock(m_lockFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(m_lockFd);
            m_lockFd = -1;
            m_lockDepth = 0;
            throw Error(QStringLiteral("Die Einstellungsdatei \"%1\" kann nicht gesperrt werden.")
                            .arg(m_path));
        }
    }
}

void SettingsStore::unlock()
{
    if (m_lockDepth == 0 || --m_lockDepth > 0)
        return;
    if (m_lockFd >= 0) {
        ::flock(m_lockFd, LOCK_UN);
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}

void SettingsStore::checkWritable() const
{
    if (m_unreadable)
        throw Error(QStringLiteral("Die Einstellungsdatei \"%1\" kann nicht gelesen werden und "
                                   "wird deshalb nicht überschrieben.")
                        .arg(m_path));
}

void SettingsStore::writeBack()
{
    if (m_batchDepth > 0) {
        m_dirty = true;
        return;
    }
    writeFileAtomically(m_path, m_doc.serialize());
    m_dirty = false;
    m_loaded = false; // pick up the new stamp at the next read
    refresh();
}

namespace {

struct LockGuard
{
    explicit LockGuard(std::function<void()> release) : m_release(std::move(release)) {}
    ~LockGuard() { m_release(); }
    std::function<void()> m_release;
};

} // namespace

void SettingsStore::writeInteger(QStringView key, QStringView name, qint32 value)
{
    lock();
    LockGuard guard([this] { unlock(); });
    refresh();
    checkWritable();
    RegistryValue v;
    v.name = name.toString();
    v.kind = RegistryValue::Kind::Dword;
    v.number = value;
    m_doc.set(key, v);
    writeBack();
}

void SettingsStore::writeString(QStringView key, QStringView name, const QString &value)
{
    lock();
    LockGuard guard([this] { unlock(); });
    refresh();
    checkWritable();
    RegistryValue v;
    v.name = name.toString();
    v.kind = RegistryValue::Kind::String;
    v.text = value;
    m_doc.set(key, v);
    writeBack();
}

qint32 SettingsStore::updateInteger(QStringView key, QStringView name,
                                    const std::function<qint32(std::optional<qint32>)> &update)
{
    lock();
    LockGuard guard([this] { unlock(); });
    refresh();
    checkWritable();
    const RegistryValue *old = m_doc.find(key, name);
    std::optional<qint32> current;
    QString storedName = name.toString();
    if (old && old->kind == RegistryValue::Kind::Dword)
        current = old->number;
    const qint32 next = update(current);
    RegistryValue v;
    v.name = storedName;
    v.kind = RegistryValue::Kind::Dword;
    v.number = next;
    m_doc.set(key, v);
    writeBack();
    return next;
}

QString SettingsStore::updateString(QStringView key, QStringView name,
                                    const std::function<QString(std::optional<QString>)> &update)
{
    lock();
    LockGuard guard([this] { unlock(); });
    refresh();
    checkWritable();
    const RegistryValue *old = m_doc.find(key, name);
    std::optional<QString> current;
    if (old && old->kind == RegistryValue::Kind::String)
        current = old->text;
    const QString next = update(current);
    RegistryValue v;
    v.name = name.toString();
    v.kind = RegistryValue::Kind::String;
    v.text = next;
    m_doc.set(key, v);
    writeBack();
    return next;
}

SettingsStore::Batch::Batch(SettingsStore &store) : m_store(store)
{
    m_store.lock();
    ++m_store.m_batchDepth;
}

void SettingsStore::Batch::commit()
{
    if (m_done)
        return;
    m_done = true;
    --m_store.m_batchDepth;
    LockGuard guard([this] { m_store.unlock(); });
    if (m_store.m_batchDepth == 0 && m_store.m_dirty)
        m_store.writeBack();
}

SettingsStore::Batch::~Batch() noexcept(false)
{
    if (m_done)
        return;
    if (std::uncaught_exceptions() > 0) {
        // Keep what was written before the error; a second failure must not escape here.
        try {
            commit();
        } catch (...) {
        }
        return;
    }
    commit();
}

void SettingsStore::exportTo(const QString &path) const
{
    refresh();
    writeFileAtomically(path, m_doc.serialize());
}

void SettingsStore::importFrom(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden.").arg(path),
                    file.errorString());
    auto doc = RegistryDocument::parse(file.readAll());
    if (!doc)
        throw Error(
            QStringLiteral("Die Datei \"%1\" ist keine gültige Registrierungsdatei.").arg(path));
    lock();
    LockGuard guard([this] { unlock(); });
    refresh();
    checkWritable();
    m_doc.merge(*doc);
    writeBack();
}

void SettingsStore::replaceAll(const RegistryDocument &doc)
{
    lock();
    LockGuard guard([this] { unlock(); });
    refresh();
    checkWritable();
    RegistryDocument replaced;
    replaced.ensureKey(u"");
    replaced.merge(doc);
    m_doc = replaced;
    writeBack();
}

} // namespace ordovan::platform
