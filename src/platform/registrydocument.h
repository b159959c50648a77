#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ordovan::platform {

// The registry editor's export format, as the settings store keeps its file: the key
// HKEY_CURRENT_USER\SOFTWARE\Brunnhold Software\Ordovan and its subkeys, with their values.
// Key paths are relative to that root: "" is the root itself, "7" the key of Mandant 7.
// Value and key names match without regard to case; a value keeps the case of its last
// writer. Parsing and serializing only: no file, no lock (see SettingsStore).

struct RegistryValue
{
    enum class Kind
    {
        String,
        Dword,
        Other
    };
    QString name;
    Kind kind = Kind::String;
    QString text;      // String
    qint32 number = 0; // Dword
    QString raw;       // Other: the text after "=", kept as read (hex:..., hex(7):...)
};

struct RegistryKey
{
    QString path; // relative to the root; "" for the root itself
    QList<RegistryValue> values;
};

// A parsed export file. Keys outside the root are not kept.
class RegistryDocument
{
public:
    static const QString &rootName();

    // Parses the bytes of an export file (UTF-16 with BOM, UTF-8 with or without BOM, or the
    // older REGEDIT4 form). Returns nothing when the bytes are not such a file.
    static std::optional<RegistryDocument> parse(const QByteArray &bytes);
    // UTF-16LE with BOM, CR LF, root first, then subkeys ordered like the registry lists them.
    QByteArray serialize() const;

    const RegistryValue *find(QStringView key, QStringView name) const;
    void set(QStringView key, RegistryValue value);
    void ensureKey(QStringView key);
    bool hasKey(QStringView key) const { return findKey(key) != nullptr; }
    // Merges another document as an import does: values replace, deletions apply.
    void merge(const RegistryDocument &other);

    const QList<RegistryKey> &keys() const { return m_keys; }

private:
    RegistryKey *findKey(QStringView path);
    const RegistryKey *findKey(QStringView path) const;
    QList<RegistryKey> m_keys;
    // Deletions found while parsing an import file.
    QStringList m_deletedKeys;
    QList<std::pair<QString, QString>> m_deletedValues;
};

} // namespace ordovan::platform
