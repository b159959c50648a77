#include "registrydocument.h"

#include "base/codec.h"

#include <QStringDecoder>

#include <algorithm>

namespace ordovan::platform {

namespace {

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");

QString decodeExport(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    // UTF-16LE without a byte-order mark shows as ASCII with every second byte zero.
    if (bytes.size() >= 4 && bytes[0] != 0 && bytes[1] == 0 && bytes[3] == 0)
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return codec::fromCp1252(bytes); // REGEDIT4 files are in the ANSI code page
}

// Reads a quoted string starting at pos (at the opening quote); pos ends after the closing
// quote. Returns nothing when the quote is not closed.
std::optional<QString> readQuoted(QStringView line, qsizetype &pos)
{
    QString out;
    ++pos;
    while (pos < line.size()) {
        QChar c = line[pos];
        if (c == u'\\' && pos + 1 < line.size()) {
            QChar n = line[pos + 1];
            if (n == u'\\' || n == u'"') {
                out += n;
                pos += 2;
                continue;
            }
            out += c;
            ++pos;
            continue;
        }
        if (c == u'"') {
            ++pos;
            return out;
        }
        out += c;
        ++pos;
    }
    return std::nullopt;
}

QString quote(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

QByteArray hexBytes(QStringView hexList)
{
    QByteArray out;
    for (QStringView part : hexList.split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        bool ok = false;
        uint v = part.toUInt(&ok, 16);
        if (!ok || v > 255)
            return {};
        out.append(char(v));
    }
    return out;
}

// The key path relative to the root, or nothing when the key lies outside it.
std::optional<QString> relativeKey(QStringView full)
{
    const QString &root = RegistryDocument::rootName();
    if (full.compare(root, Qt::CaseInsensitive) == 0)
        return QString();
    if (full.size() > root.size() && full.at(root.size()) == u'\\' &&
        full.left(root.size()).compare(root, Qt::CaseInsensitive) == 0)
        return full.mid(root.size() + 1).toString();
    return std::nullopt;
}

bool keyLess(const RegistryKey &a, const RegistryKey &b)
{
    if (a.path.isEmpty() != b.path.isEmpty())
        return a.path.isEmpty();
    return a.path.compare(b.path, Qt::CaseInsensitive) < 0;
}

} // namespace

const QString &RegistryDocument::rootName()
{
    static const QString root =
        QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan");
    return root;
}

std::optional<RegistryDocument> RegistryDocument::parse(const QByteArray &bytes)
{
    const QString text = decodeExport(bytes);
    QStringList physical = text.split(u'\n');
    // Join continuation lines (a trailing backslash in hex data).
    QStringList lines;
    QString pending;
    for (QString line : physical) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        QString t = pending.isEmpty() ? line : pending + line.trimmed();
        if (t.endsWith(u'\\') && !t.trimmed().startsWith(u'[') && t.contains(u"=hex")) {
            t.chop(1);
            pending = t;
            continue;
        }
        pending.clear();
        lines << t;
    }
    if (!pending.isEmpty())
        lines << pending;

    qsizetype i = 0;
    while (i < lines.size() && lines[i].trimmed().isEmpty())
        ++i;
    if (i >= lines.size())
        return std::nullopt;
    const QString header = lines[i].trimmed();
    if (header != kHeader5 && header != kHeader4)
        return std::nullopt;

    RegistryDocument doc;
    std::optional<QString> current;
    for (++i; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            QStringView inner = QStringView(line).mid(1, line.size() - 2).trimmed();
            if (inner.startsWith(u'-')) {
                if (auto rel = relativeKey(inner.mid(1)))
                    doc.m_deletedKeys << *rel;
                current.reset();
                continue;
            }
            current = relativeKey(inner);
            if (current)
                doc.ensureKey(*current);
            continue;
        }
        if (!current)
            continue;
        qsizetype pos = 0;
        QString name;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (line.startsWith(u'"')) {
            auto n = readQuoted(line, pos);
            if (!n)
                continue;
            name = *n;
        } else {
            continue;
        }
        while (pos < line.size() && line[pos].isSpace())
            ++pos;
        if (pos >= line.size() || line[pos] != u'=')
            continue;
        ++pos;
        QStringView data = QStringView(line).mid(pos).trimmed();
        RegistryValue value;
        value.name = name;
        if (data == u"-") {
            doc.m_deletedValues.append({*current, name});
            continue;
        }
        if (data.startsWith(u'"')) {
            qsizetype p = 0;
            auto s = readQuoted(data, p);
            if (!s)
                continue;
            value.kind = RegistryValue::Kind::String;
            value.text = *s;
        } else if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
            bool ok = false;
            quint32 v = data.mid(6).trimmed().toUInt(&ok, 16);
            if (!ok)
                continue;
            value.kind = RegistryValue::Kind::Dword;
            value.number = static_cast<qint32>(v);
        } else if (data.startsWith(u"hex(1):", Qt::CaseInsensitive)) {
            QByteArray b = hexBytes(data.mid(7));
            QString s = QStringDecoder(QStringDecoder::Utf16LE).decode(b);
            while (s.endsWith(QChar(0)))
                s.chop(1);
            value.kind = RegistryValue::Kind::String;
            value.text = s;
        } else {
            value.kind = RegistryValue::Kind::Other;
            // A backslash left at the end continued nothing here (no "=hex" line, or blanks
            // after it). Written back, it would join the next value to this one on the next
            // read, and that value would be lost.
            while (data.endsWith(u'\\'))
                data = data.chopped(1).trimmed();
            value.raw = data.toString();
        }
        doc.set(*current, value);
    }
    return doc;
}

QByteArray RegistryDocument::serialize() const
{
    QList<RegistryKey> keys = m_keys;
    if (!findKey(u""))
        keys.append(RegistryKey{});
    std::stable_sort(keys.begin(), keys.end(), keyLess);

    QString out = kHeader5 + QStringLiteral("\r\n\r\n");
    for (const RegistryKey &key : keys) {
        out += u'[' + rootName();
        if (!key.path.isEmpty())
            out += u'\\' + key.path;
        out += QStringLiteral("]\r\n");
        for (const RegistryValue &v : key.values) {
            out += v.name.isEmpty() ? QStringLiteral("@") : quote(v.name);
            out += u'=';
            switch (v.kind) {
            case RegistryValue::Kind::Dword:
                out += QStringLiteral("dword:%1")
                           .arg(static_cast<quint32>(v.number), 8, 16, QChar(u'0'));
                break;
            case RegistryValue::Kind::String:
                if (v.text.contains(u'\r') || v.text.contains(u'\n') || v.text.contains(QChar(0))) {
                    // Line breaks cannot stand in a quoted value; the registry editor writes
                    // such texts as hex(1) too.
                    QStringList hex;
                    for (QChar c : v.text) {
                        hex << QStringLiteral("%1").arg(c.unicode() & 0xFF, 2, 16, QChar(u'0'))
                            << QStringLiteral("%1").arg(c.unicode() >> 8, 2, 16, QChar(u'0'));
                    }
                    hex << QStringLiteral("00") << QStringLiteral("00");
                    out += QStringLiteral("hex(1):") + hex.join(u',');
                } else {
                    out += quote(v.text);
                }
                break;
            case RegistryValue::Kind::Other:
                out += v.raw;
                break;
            }
            out += QStringLiteral("\r\n");
        }
        out += QStringLiteral("\r\n");
    }
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char *>(out.utf16()), out.size() * 2);
    return bytes;
}

RegistryKey *RegistryDocument::findKey(QStringView path)
{
    for (RegistryKey &k : m_keys) {
        if (k.path.compare(path, Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

const RegistryKey *RegistryDocument::findKey(QStringView path) const
{
    return const_cast<RegistryDocument *>(this)->findKey(path);
}

const RegistryValue *RegistryDocument::find(QStringView key, QStringView name) const
{
    const RegistryKey *k = findKey(key);
    if (!k)
        return nullptr;
    for (const RegistryValue &v : k->values) {
        if (v.name.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    }
    return nullptr;
}

void RegistryDocument::ensureKey(QStringView key)
{
    if (!findKey(key))
        m_keys.append(RegistryKey{key.toString(), {}});
}

void RegistryDocument::set(QStringView key, RegistryValue value)
{
    ensureKey(key);
    RegistryKey *k = findKey(key);
    for (RegistryValue &v : k->values) {
        if (v.name.compare(value.name, Qt::CaseInsensitive) == 0) {
            v = std::move(value);
            return;
        }
    }
    k->values.append(std::move(value));
}

void RegistryDocument::merge(const RegistryDocument &other)
{
    for (const QString &deleted : other.m_deletedKeys) {
        m_keys.removeIf([&](const RegistryKey &k) {
            return k.path.compare(deleted, Qt::CaseInsensitive) == 0 ||
                   k.path.startsWith(deleted + u'\\', Qt::CaseInsensitive) || deleted.isEmpty();
        });
    }
    for (const auto &[key, name] : other.m_deletedValues) {
        if (RegistryKey *k = findKey(key)) {
            // Named again: clang before 16 cannot capture a structured binding.
            const QString &deleted = name;
            k->values.removeIf([&](const RegistryValue &v) {
                return v.name.compare(deleted, Qt::CaseInsensitive) == 0;
            });
        }
    }
    for (const RegistryKey &k : other.m_keys) {
        ensureKey(k.path);
        for (const RegistryValue &v : k.values)
            set(k.path, v);
    }
}

} // namespace ordovan::platform
