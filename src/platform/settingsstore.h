#pragma once

#include "registrydocument.h"

#include <QString>

#include <functional>
#include <optional>

namespace ordovan::platform {

// The per-user settings store: the registry key HKEY_CURRENT_USER\SOFTWARE\Brunnhold
// Software\Ordovan with one subkey per Mandant, kept in one file in the registry editor's
// export format (UTF-16LE with BOM, CR LF). Keys are addressed relative to that root: "" is
// the global key, "7" the key of Mandant 7. Value and key names match without regard to
// case; a value keeps the case of its last writer. Reads never fail; writes rewrite the whole
// file atomically and throw Error.
class SettingsStore
{
public:
    explicit SettingsStore(QString filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    const QString &filePath() const { return m_path; }

    // -1 when missing, of another kind, or unreadable.
    qint32 readInteger(QStringView key, QStringView name) const;
    // Empty when missing, of another kind, or unreadable.
    QString readString(QStringView key, QStringView name) const;
    std::optional<qint32> integerValue(QStringView key, QStringView name) const;

    void writeInteger(QStringView key, QStringView name, qint32 value);
    void writeString(QStringView key, QStringView name, const QString &value);

    // Reads an integer, computes its new value and writes it back while holding an exclusive
    // lock on the settings file, so that two copies of the program never hand out the same
    // number. The function sees the stored value (nothing when missing or of another kind).
    qint32 updateInteger(QStringView key, QStringView name,
                         const std::function<qint32(std::optional<qint32>)> &update);

    // The same for a text value.
    QString updateString(QStringView key, QStringView name,
                         const std::function<QString(std::optional<QString>)> &update);

    // Groups writes: the file is written once when the outermost batch ends.
    class Batch
    {
    public:
        explicit Batch(SettingsStore &store);
        ~Batch() noexcept(false);
        void commit();

    private:
        SettingsStore &m_store;
        bool m_done = false;
    };

    // Writes the whole key tree to an export file (the backup's "einstellungen.reg").
    void exportTo(const QString &path) const;
    // Merges an export file into the store, as the registry editor imports one.
    void importFrom(const QString &path);
    // Replaces the whole key tree (every value, every Mandant subkey) by the document's.
    void replaceAll(const RegistryDocument &doc);

private:
    friend class Batch;
    void refresh() const;
    // Opens a key as the registry does for every access: a missing key is created (and the
    // file written), also when only reading. Failures are ignored: reads never fail.
    void openKey(QStringView key) const;
    void lock();
    void unlock();
    void writeBack();
    void checkWritable() const;

    QString m_path;
    mutable RegistryDocument m_doc;
    mutable bool m_loaded = false;
    mutable bool m_unreadable = false;
    mutable qint64 m_stamp = -1;
    mutable qint64 m_size = -1;
    mutable quint64 m_inode = 0;
    int m_lockFd = -1;
    int m_lockDepth = 0;
    int m_batchDepth = 0;
    bool m_dirty = false;
};

} // namespace ordovan::platform
