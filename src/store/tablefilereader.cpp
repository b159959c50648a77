// Reads a table file into a Table.
//
// The file streams through expat in large chunks; no document tree is built. Each ROW becomes
// one RowVersion straight from the attribute values, so the only copy of a row the reader
// keeps is the packed one the table ends up owning. Table files carry no encoding declaration
// and hold Windows-1252 bytes: expat reads them as ISO-8859-1, and every character it hands
// back (as UTF-8) maps to the byte it came from. A file that declares UTF-8 is read as UTF-8
// and converted to Windows-1252, so it reads like its Windows-1252 twin. The table is only
// replaced once the whole file has been read and checked.
#include "table.h"
#include "tablefile.h"

#include "platform/codec.h"
#include "platform/error.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace ordovan::store {

QString tableFileMissingMessage(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" wurde nicht gefunden.").arg(path);
}

QString tableFileUnreadableMessage(const QString &path)
{
    return QStringLiteral("Die Tabellendatei \"%1\" kann nicht gelesen werden.").arg(path);
}

namespace {

constexpr int kChunk = 1 << 20;
constexpr int kMaxChunk = 1 << 27; // twice that after transcoding still fits an int

// How the values of a field are parsed; several type words share a field kind.
enum class ValueKind
{
    Integer,
    Boolean,
    Float,
    Date,
    Text
};

struct FieldType
{
    FieldKind kind;
    ValueKind value;
};

bool sameText(const char *a, const char *b)
{
    return std::strcmp(a, b) == 0;
}

bool sameTextNoCase(const char *a, const char *b)
{
    return QByteArrayView(a).compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// The five kinds' own type words, and the other words of the data packet format mapped to
// the kind that holds their values without loss.
std::optional<FieldType> fieldTypeOf(const char *type, const char *subtype)
{
    const bool money = subtype && sameTextNoCase(subtype, "Money");
    for (const char *w : {"i4", "i2", "i1", "ui2", "ui1"}) {
        if (sameTextNoCase(type, w))
            return FieldType{FieldKind::Integer, ValueKind::Integer};
    }
    for (const char *w : {"r8", "r4", "fixed", "fixedFMT", "i8", "ui8", "ui4"}) {
        if (sameTextNoCase(type, w))
            return FieldType{money ? FieldKind::Currency : FieldKind::Float, ValueKind::Float};
    }
    if (sameTextNoCase(type, "date"))
        return FieldType{FieldKind::Date, ValueKind::Date};
    if (sameTextNoCase(type, "boolean"))
        return FieldType{FieldKind::Integer, ValueKind::Boolean};
    // Texts, and values whose meaning the program does not need, kept as written.
    for (const char *w : {"string", "string.uni", "bin.hex", "dateTime", "time", "SQLdateTime"}) {
        if (sameTextNoCase(type, w))
            return FieldType{FieldKind::Text, ValueKind::Text};
    }
    return std::nullopt;
}

// Writes the Windows-1252 form of a UTF-8 value as expat hands it over, at most limit bytes;
// returns the number written. With latin1, characters up to U+00FF are the bytes they were
// read from.
size_t convertText(const char *in, size_t length, char *out, size_t limit, bool latin1)
{
    const auto *s = reinterpret_cast<const unsigned char *>(in);
    size_t i = 0;
    size_t o = 0;
    while (i < length && o < limit) {
        // Most text is plain ASCII: copy it eight bytes at a time.
        while (i + 8 <= length && o + 8 <= limit) {
            quint64 word;
            std::memcpy(&word, s + i, 8);
            if (word & 0x8080808080808080ull)
                break;
            std::memcpy(out + o, s + i, 8);
            i += 8;
            o += 8;
        }
        if (i >= length || o >= limit)
            break;
        const unsigned char c = s[i];
        if (c < 0x80) {
            out[o++] = char(c);
            ++i;
            continue;
        }
        const int extra = c >= 0xF0 ? 3 : (c >= 0xE0 ? 2 : 1);
        if (i + size_t(extra) >= length) { // cut inside a character
            out[o++] = '?';
            break;
        }
        char32_t cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (s[i + k] & 0x3F);
        i += size_t(extra) + 1;
        out[o++] = (latin1 && cp <= 0xFF) ? char(cp) : char(codec::unicodeToCp1252(cp));
    }
    return o;
}

// The bytes of a Windows-1252 file as UTF-8, each byte the character of the same value, as
// an ISO-8859-1 decoder reads them; convertText() maps them back to the very same bytes.
// out needs room for twice the input.
size_t latin1ToUtf8(const char *in, size_t n, char *out)
{
    size_t i = 0;
    size_t o = 0;
    while (i < n) {
        while (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, in + i, 8);
            if (word & 0x8080808080808080ull)
                break;
            std::memcpy(out + o, in + i, 8);
            i += 8;
            o += 8;
        }
        if (i >= n)
            break;
        const auto c = static_cast<unsigned char>(in[i++]);
        if (c < 0x80) {
            out[o++] = char(c);
        } else {
            out[o++] = char(0xC0 | (c >> 6));
            out[o++] = char(0x80 | (c & 0x3F));
        }
    }
    return o;
}

template<typename T>
bool parseWhole(const char *s, size_t n, T &out)
{
    const auto r = std::from_chars(s, s + n, out);
    return r.ec == std::errc() && r.ptr == s + n;
}

class Parser
{
public:
    explicit Parser(bool utf8) : m_latin1(!utf8)
    {
        // Windows-1252 files reach expat as UTF-8 too (see latin1ToUtf8): its UTF-8 path is
        // the faster one.
        (void)utf8;
        m_parser = XML_ParserCreate("UTF-8");
        if (!m_parser)
            throw std::bad_alloc();
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, &Parser::onStart, &Parser::onEnd);
        XML_SetCharacterDataHandler(m_parser, &Parser::onText);
        XML_SetStartDoctypeDeclHandler(m_parser, &Parser::onDoctype);
    }
    ~Parser() { XML_ParserFree(m_parser); }
    Parser(const Parser &) = delete;
    Parser &operator=(const Parser &) = delete;

    // Parses the file; returns an empty text on success, else what went wrong.
    QString parse(QFile &file, QByteArrayView head);
    void finishInto(Table &table);

private:
    enum class Node
    {
        Packet,
        Metadata,
        Fields,
        Field,
        Params,
        RowData,
        Row,
        Other
    };

    static void XMLCALL onStart(void *self, const XML_Char *name, const XML_Char **atts);
    static void XMLCALL onEnd(void *self, const XML_Char *name);
    static void XMLCALL onText(void *self, const XML_Char *, int);
    static void XMLCALL onDoctype(void *self, const XML_Char *, const XML_Char *, const XML_Char *,
                                  int);

    void start(const char *name, const char **atts);
    void field(const char **atts);
    void params(const char **atts);
    void row(const char **atts);
    bool parseChangeLog(const char *text);
    bool addValue(int field, const char *value);
    void fail(const QString &why);
    QString text(const char *utf8) const;
    QString excerpt(const char *utf8) const;
    QString checkChangeLog() const;

    XML_Parser m_parser = nullptr;
    const bool m_latin1;
    QString m_failure;
    quint64 m_events = 0;
    std::vector<Node> m_stack;
    bool m_sawPacket = false;
    bool m_sawRowData = false;

    QList<FieldDef> m_fields;
    std::vector<std::string> m_attrNames; // as expat hands them over
    // Expat hands out each attribute name from its own table, the same pointer every time:
    // once a name matched, comparing pointers is enough.
    std::vector<const char *> m_namePointers;
    std::vector<ValueKind> m_valueKinds;
    std::vector<RowVersion> m_versions;
    std::vector<quint32> m_changeLog;
    QList<std::pair<QString, QString>> m_params;

    // Per row, reused: converted values back to back, and each field's place in them.
    std::string m_scratch;
    std::vector<std::pair<size_t, size_t>> m_spans;
    std::vector<std::string_view> m_cells;
};

void Parser::fail(const QString &why)
{
    if (m_failure.isEmpty())
        m_failure = why;
    XML_StopParser(m_parser, XML_FALSE);
}

QString Parser::text(const char *utf8) const
{
    const size_t n = std::strlen(utf8);
    QByteArray bytes(qsizetype(n), Qt::Uninitialized);
    bytes.truncate(qsizetype(convertText(utf8, n, bytes.data(), n, m_latin1)));
    return codec::fromCp1252(bytes);
}

QString Parser::excerpt(const char *utf8) const
{
    QString t = text(utf8);
    if (t.size() > 40)
        t = t.left(40) + QStringLiteral("…");
    return t;
}

// Expat is C: nothing may be thrown through it. A failure stops the parser instead.
void XMLCALL Parser::onStart(void *self, const XML_Char *name, const XML_Char **atts)
{
    auto *p = static_cast<Parser *>(self);
    try {
        p->start(name, atts);
    } catch (const std::bad_alloc &) {
        p->fail(QStringLiteral("Nicht genügend Arbeitsspeicher."));
    } catch (const std::exception &e) {
        p->fail(QString::fromLocal8Bit(e.what()));
    }
}

void XMLCALL Parser::onEnd(void *self, const XML_Char *)
{
    auto *p = static_cast<Parser *>(self);
    ++p->m_events;
    // After a stop expat may still report the end of an empty element.
    if (!p->m_stack.empty())
        p->m_stack.pop_back();
}

void XMLCALL Parser::onText(void *self, const XML_Char *, int)
{
    ++static_cast<Parser *>(self)->m_events;
}

void XMLCALL Parser::onDoctype(void *self, const XML_Char *, const XML_Char *, const XML_Char *,
                               int)
{
    // Table files never carry one; refusing it keeps entity tricks out.
    static_cast<Parser *>(self)->fail(
        QStringLiteral("Die Datei enthält eine Dokumenttypdeklaration."));
}

void Parser::start(const char *name, const char **atts)
{
    ++m_events;
    const Node parent = m_stack.empty() ? Node::Other : m_stack.back();
    const bool root = m_stack.empty();
    m_stack.push_back(Node::Other);
    Node &node = m_stack.back();
    if (root) {
        if (!sameText(name, "DATAPACKET"))
            return fail(QStringLiteral("Das Wurzelelement ist \"%1\" statt DATAPACKET.")
                            .arg(QString::fromUtf8(name)));
        node = Node::Packet;
        m_sawPacket = true;
    } else if (parent == Node::RowData && sameText(name, "ROW")) {
        node = Node::Row;
    } else if (parent == Node::Packet && sameText(name, "METADATA")) {
        node = Node::Metadata;
    } else if (parent == Node::Packet && sameText(name, "ROWDATA")) {
        node = Node::RowData;
        if (m_fields.isEmpty())
            return fail(QStringLiteral("Die Datei beschreibt keine Felder."));
        m_sawRowData = true;
    } else if (parent == Node::Metadata && sameText(name, "FIELDS")) {
        node = Node::Fields;
    } else if (parent == Node::Metadata && sameText(name, "PARAMS")) {
        node = Node::Params;
    } else if (parent == Node::Fields && sameText(name, "FIELD")) {
        node = Node::Field;
    }
    switch (node) {
    case Node::Row:
        row(atts);
        break;
    case Node::Field:
        field(atts);
        break;
    case Node::Params:
        params(atts);
        break;
    default:
        break;
    }
}

void Parser::field(const char **atts)
{
    const char *attr = nullptr, *name = nullptr, *type = nullptr, *subtype = nullptr,
               *width = nullptr;
    for (int i = 0; atts[i]; i += 2) {
        const char *a = atts[i];
        if (sameText(a, "attrname"))
            attr = atts[i + 1];
        else if (sameText(a, "fieldname"))
            name = atts[i + 1];
        else if (sameText(a, "fieldtype"))
            type = atts[i + 1];
        else if (sameText(a, "SUBTYPE"))
            subtype = atts[i + 1];
        else if (sameText(a, "WIDTH"))
            width = atts[i + 1];
    }
    if (m_sawRowData)
        return fail(QStringLiteral("Felder stehen hinter den Daten."));
    if (!attr || !*attr)
        return fail(QStringLiteral("Ein Feld hat keinen Attributnamen."));
    FieldDef def;
    def.name = text(name && *name ? name : attr);
    if (!type)
        return fail(QStringLiteral("Das Feld \"%1\" hat keinen Feldtyp.").arg(def.name));
    const auto ft = fieldTypeOf(type, subtype);
    if (!ft)
        return fail(QStringLiteral("Das Feld \"%1\" hat den unbekannten Feldtyp \"%2\".")
                        .arg(def.name, excerpt(type)));
    def.kind = ft->kind;
    if (width) {
        int w = 0;
        if (!parseWhole(width, std::strlen(width), w) || w < 0)
            return fail(QStringLiteral("Das Feld \"%1\" hat die ungültige Breite \"%2\".")
                            .arg(def.name, excerpt(width)));
        if (def.kind == FieldKind::Text)
            def.width = w;
    }
    if (std::find(m_attrNames.begin(), m_attrNames.end(), attr) != m_attrNames.end())
        return fail(QStringLiteral("Das Feld \"%1\" ist mehrfach angegeben.").arg(def.name));
    m_fields.append(def);
    m_attrNames.emplace_back(attr);
    m_namePointers.push_back(nullptr);
    m_valueKinds.push_back(ft->value);
}

void Parser::params(const char **atts)
{
    for (int i = 0; atts[i]; i += 2) {
        if (sameText(atts[i], "CHANGE_LOG")) {
            if (!parseChangeLog(atts[i + 1]))
                return fail(QStringLiteral("Das Änderungsprotokoll (CHANGE_LOG) ist ungültig."));
        } else {
            m_params.append({QString::fromUtf8(atts[i]), text(atts[i + 1])});
        }
    }
}

bool Parser::parseChangeLog(const char *s)
{
    const size_t n = std::strlen(s);
    m_changeLog.reserve(m_changeLog.size() + size_t(std::count(s, s + n, ' ')) + 1);
    size_t i = 0;
    while (i < n) {
        if (s[i] == ' ') {
            ++i;
            continue;
        }
        quint32 v = 0;
        const auto r = std::from_chars(s + i, s + n, v);
        if (r.ec != std::errc() || (r.ptr < s + n && *r.ptr != ' '))
            return false;
        m_changeLog.push_back(v);
        i = size_t(r.ptr - s);
    }
    // A hint for the row count: in the usual file every row was inserted once.
    m_versions.reserve(m_changeLog.size() / 3);
    return true;
}

void Parser::row(const char **atts)
{
    const int n = int(m_fields.size());
    m_spans.assign(size_t(n), {0, 0});
    m_scratch.clear();
    quint8 flags = 0;
    int expected = 0;
    for (int i = 0; atts[i]; i += 2) {
        const char *name = atts[i];
        if (name[0] == 'R' && sameText(name, "RowState")) {
            unsigned v = 0;
            if (!parseWhole(atts[i + 1], std::strlen(atts[i + 1]), v) || v > 255)
                return fail(QStringLiteral("Datenzeile %1: ungültiger RowState \"%2\".")
                                .arg(m_versions.size() + 1)
                                .arg(excerpt(atts[i + 1])));
            flags = quint8(v);
            continue;
        }
        // Attributes come in field order, with null fields left out: search onwards first.
        int f = -1;
        for (int k = expected; k < n && f < 0; ++k) {
            if (m_namePointers[size_t(k)] == name)
                f = k;
        }
        for (int k = 0; k < n && f < 0; ++k) {
            if (m_attrNames[size_t(k)] == name) {
                f = k;
                m_namePointers[size_t(k)] = name;
            }
        }
        if (f < 0)
            return fail(QStringLiteral("Datenzeile %1: unbekanntes Attribut \"%2\".")
                            .arg(m_versions.size() + 1)
                            .arg(QString::fromUtf8(name)));
        expected = f + 1;
        if (!addValue(f, atts[i + 1]))
            return fail(QStringLiteral("Datenzeile %1: ungültiger Wert \"%2\" im Feld \"%3\".")
                            .arg(m_versions.size() + 1)
                            .arg(excerpt(atts[i + 1]), m_fields[f].name));
    }
    m_cells.resize(size_t(n));
    for (int k = 0; k < n; ++k)
        m_cells[size_t(k)] =
            std::string_view(m_scratch).substr(m_spans[size_t(k)].first, m_spans[size_t(k)].second);
    m_versions.emplace_back(flags, m_cells);
}

// Appends the encoded value of one attribute to the row's scratch; false when it is not a
// value of the field's kind. An empty value is a null field.
bool Parser::addValue(int field, const char *value)
{
    const size_t length = std::strlen(value);
    if (length == 0)
        return true;
    const size_t at = m_scratch.size();
    auto put = [&](const void *data, size_t size) {
        m_scratch.append(static_cast<const char *>(data), size);
        m_spans[size_t(field)] = {at, size};
        return true;
    };
    switch (m_valueKinds[size_t(field)]) {
    case ValueKind::Integer: {
        qint32 v = 0;
        return parseWhole(value, length, v) && put(&v, 4);
    }
    case ValueKind::Boolean: {
        qint32 v = 0;
        if (sameTextNoCase(value, "true"))
            v = 1;
        else if (!sameTextNoCase(value, "false") && !parseWhole(value, length, v))
            return false;
        return put(&v, 4);
    }
    case ValueKind::Float: {
        double v = 0;
        return parseWhole(value, length, v) && put(&v, 8);
    }
    case ValueKind::Date: {
        if (length != 8 ||
            !std::all_of(value, value + 8, [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        auto num = [value](int from, int count) {
            int v = 0;
            for (int k = from; k < from + count; ++k)
                v = v * 10 + (value[k] - '0');
            return v;
        };
        const QDate d(num(0, 4), num(4, 2), num(6, 2));
        if (!d.isValid())
            return false;
        const qint32 jd = qint32(d.toJulianDay());
        return put(&jd, 4);
    }
    case ValueKind::Text: {
        const int width = m_fields[field].width;
        const size_t limit = width > 0 ? std::min(length, size_t(width)) : length;
        m_scratch.resize(at + limit);
        const size_t written = convertText(value, length, m_scratch.data() + at, limit, m_latin1);
        m_scratch.resize(at + written);
        m_spans[size_t(field)] = {at, written};
        return true;
    }
    }
    return false;
}

QString Parser::parse(QFile &file, QByteArrayView head)
{
    auto failed = [this]() -> QString {
        if (!m_failure.isEmpty())
            return m_failure;
        return QStringLiteral("Zeile %1, Spalte %2: %3")
            .arg(XML_GetCurrentLineNumber(m_parser))
            .arg(XML_GetCurrentColumnNumber(m_parser) + 1)
            .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(m_parser))));
    };
    std::vector<char> raw; // Windows-1252 bytes before they become UTF-8
    if (m_latin1) {
        raw.resize(size_t(head.size()) * 2);
        const size_t n = latin1ToUtf8(head.data(), size_t(head.size()), raw.data());
        if (XML_Parse(m_parser, raw.data(), int(n), XML_FALSE) != XML_STATUS_OK)
            return failed();
    } else if (XML_Parse(m_parser, head.data(), int(head.size()), XML_FALSE) != XML_STATUS_OK) {
        return failed();
    }
    int chunk = kChunk;
    for (;;) {
        void *buffer = XML_GetBuffer(m_parser, m_latin1 ? 2 * chunk : chunk);
        if (!buffer)
            return QStringLiteral("Nicht genügend Arbeitsspeicher.");
        qint64 got = 0;
        int size = 0;
        if (m_latin1) {
            raw.resize(std::max(raw.size(), size_t(chunk)));
            got = file.read(raw.data(), chunk);
            if (got > 0)
                size = int(latin1ToUtf8(raw.data(), size_t(got), static_cast<char *>(buffer)));
        } else {
            got = file.read(static_cast<char *>(buffer), chunk);
            size = int(std::max<qint64>(got, 0));
        }
        if (got < 0)
            return file.errorString();
        const quint64 before = m_events;
        if (XML_ParseBuffer(m_parser, size, got == 0) != XML_STATUS_OK)
            return failed();
        if (got == 0)
            break;
        // Expat scans an unfinished tag again from its start on every call. While nothing
        // completes, the chunk grows, so one attribute of many megabytes costs linear time.
        chunk = m_events == before ? std::min(chunk * 2, kMaxChunk) : kChunk;
    }
    if (!m_failure.isEmpty())
        return m_failure;
    if (!m_sawPacket)
        return QStringLiteral("Die Datei enthält kein Datenpaket.");
    if (m_fields.isEmpty())
        return QStringLiteral("Die Datei beschreibt keine Felder.");
    return checkChangeLog();
}

// Every group must name row versions the file has, or the table would come out different.
QString Parser::checkChangeLog() const
{
    if (m_changeLog.size() % 3 != 0)
        return QStringLiteral("Das Änderungsprotokoll (CHANGE_LOG) ist unvollständig.");
    const size_t count = m_versions.size();
    for (size_t g = 0; g < m_changeLog.size(); g += 3) {
        const quint32 pos = m_changeLog[g];
        const quint32 replaced = m_changeLog[g + 1];
        if (pos == 0 || pos > count || replaced > count)
            return QStringLiteral("Das Änderungsprotokoll (CHANGE_LOG) nennt die Datenzeile "
                                  "%1, die Datei enthält %2.")
                .arg(pos == 0 || pos > count ? pos : replaced)
                .arg(count);
    }
    return {};
}

void Parser::finishInto(Table &table)
{
    table.load(std::move(m_fields), std::move(m_versions), std::move(m_changeLog),
               std::move(m_params));
}

// Expat's encoding argument overrides the declaration, so the declaration is looked at
// here: only UTF-8 (named, or a byte-order mark) differs from the usual Windows-1252.
bool declaresUtf8(QByteArrayView head, qsizetype &skip)
{
    skip = 0;
    if (head.startsWith("\xEF\xBB\xBF")) {
        skip = 3;
        return true;
    }
    if (!head.startsWith("<?xml"))
        return false;
    const qsizetype end = head.indexOf("?>");
    if (end < 0)
        return false;
    const QByteArrayView decl = head.first(end);
    const qsizetype at = decl.indexOf("encoding");
    if (at < 0)
        return false;
    qsizetype i = at + 8;
    while (i < decl.size() && (decl[i] == ' ' || decl[i] == '=' || decl[i] == '\t'))
        ++i;
    if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\''))
        return false;
    const char quote = decl[i++];
    const qsizetype close = decl.indexOf(quote, i);
    if (close < 0)
        return false;
    const QByteArrayView name = decl.sliced(i, close - i);
    return name.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
           name.compare("UTF8", Qt::CaseInsensitive) == 0;
}

} // namespace

void readTableFile(Table &table, const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Error(tableFileMissingMessage(path));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Error(tableFileUnreadableMessage(path),
                    info.isDir() ? QStringLiteral("Der Pfad ist ein Verzeichnis.")
                                 : file.errorString());
    char headBuffer[1024];
    const qint64 got = file.read(headBuffer, sizeof headBuffer);
    if (got < 0)
        throw Error(tableFileUnreadableMessage(path), file.errorString());
    const QByteArrayView head(headBuffer, got);
    qsizetype skip = 0;
    const bool utf8 = declaresUtf8(head, skip);
    QString failure;
    try {
        Parser parser(utf8);
        failure = parser.parse(file, head.sliced(skip));
        if (failure.isEmpty()) {
            parser.finishInto(table);
            return;
        }
    } catch (const std::bad_alloc &) {
        failure = QStringLiteral("Nicht genügend Arbeitsspeicher.");
    }
    throw Error(tableFileUnreadableMessage(path), failure);
}

} // namespace ordovan::store
