// Reads a table file into a Table.
//
// The file streams through expat in large chunks; no document tree is built. Each ROW becomes
// one RowVersion straight from the attribute values, so the only copy of a row the reader
// keeps is the packed one the table ends up owning. Table files carry no encoding declaration
// and hold Windows-1252 bytes: they reach expat as UTF-8, each byte the character of the same
// value, and every character expat hands back maps to the byte it came from. A file that
// declares UTF-8 is read as UTF-8 and converted to Windows-1252, so it reads like its
// Windows-1252 twin.
//
// A large file's rows are parsed by worker threads: the header (fields, change log) goes
// through one parser, the rows are cut into runs of whole ROW elements, each parsed on an
// expat parser of its own, and the runs are put back together in file order. Whenever the
// file is not of the plain shape this relies on, it is read again the plain way, which also
// gives the exact complaint. The table is only replaced once the whole file has been read
// and checked.
#include "tablefile.h"
#include "tablefileparser.h"

#include "base/codec.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace ordovan::store {

QString tableFileMissingMessage(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" wurde nicht gefunden.").arg(path);
}

QString tableFileUnreadableMessage(const QString &path)
{
    return QStringLiteral("Die Tabellendatei \"%1\" kann nicht gelesen werden.").arg(path);
}

namespace tablefile {

namespace {

bool sameText(const char *a, const char *b)
{
    return std::strcmp(a, b) == 0;
}

} // namespace

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

// Expat is C: nothing may be thrown through it. A failure stops the parser instead.
void XMLCALL Parser::onStart(void *self, const XML_Char *name, const XML_Char **atts)
{
    auto *p = static_cast<Parser *>(self);
    try {
        p->start(name, atts);
    } catch (const std::bad_alloc &) {
        p->fail(kNoMemory);
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
        const QString why = m_rows.add(atts, m_versions);
        if (!why.isEmpty())
            fail(why);
    } else if (parent == Node::Packet && sameText(name, "METADATA")) {
        node = Node::Metadata;
    } else if (parent == Node::Packet && sameText(name, "ROWDATA")) {
        node = Node::RowData;
        if (m_fields.defs.isEmpty())
            return fail(QStringLiteral("Die Datei beschreibt keine Felder."));
        m_sawRowData = true;
    } else if (parent == Node::Metadata && sameText(name, "FIELDS")) {
        node = Node::Fields;
    } else if (parent == Node::Metadata && sameText(name, "PARAMS")) {
        node = Node::Params;
        params(atts);
    } else if (parent == Node::Fields && sameText(name, "FIELD")) {
        node = Node::Field;
        field(atts);
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
                        .arg(def.name, excerpt(type, m_latin1)));
    def.kind = ft->kind;
    if (width) {
        int value = 0;
        const char *end = width + std::strlen(width);
        const auto r = std::from_chars(width, end, value);
        if (r.ec != std::errc() || r.ptr != end || value < 0)
            return fail(QStringLiteral("Das Feld \"%1\" hat die ungültige Breite \"%2\".")
                            .arg(def.name, excerpt(width, m_latin1)));
        if (def.kind == FieldKind::Text)
            def.width = value;
    }
    const auto &names = m_fields.attrNames;
    if (std::find(names.begin(), names.end(), attr) != names.end())
        return fail(QStringLiteral("Das Feld \"%1\" ist mehrfach angegeben.").arg(def.name));
    m_fields.defs.append(def);
    m_fields.attrNames.emplace_back(attr);
    m_fields.kinds.push_back(ft->value);
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

bool Parser::feed(const char *data, size_t size, bool last)
{
    if (size == 0)
        return XML_Parse(m_parser, data, 0, last) == XML_STATUS_OK;
    auto *buffer = static_cast<char *>(XML_GetBuffer(m_parser, int(m_latin1 ? 2 * size : size)));
    if (!buffer) {
        m_failure = kNoMemory;
        return false;
    }
    size_t n = size;
    if (m_latin1)
        n = latin1ToUtf8(data, size, buffer);
    else
        std::memcpy(buffer, data, size);
    n = dropControlBytes(buffer, n);
    return XML_ParseBuffer(m_parser, int(n), last) == XML_STATUS_OK;
}

QString Parser::complaint() const
{
    if (!m_failure.isEmpty())
        return m_failure;
    return QStringLiteral("Zeile %1, Spalte %2: %3")
        .arg(XML_GetCurrentLineNumber(m_parser))
        .arg(XML_GetCurrentColumnNumber(m_parser) + 1)
        .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(m_parser))));
}

QString Parser::parse(QFile &file, QByteArrayView head)
{
    if (!feed(head.data(), size_t(head.size()), false))
        return complaint();
    return readOn(file);
}

QString Parser::readOn(QFile &file)
{
    std::vector<char> raw;
    int chunk = kChunk;
    for (;;) {
        raw.resize(std::max(raw.size(), size_t(chunk)));
        const qint64 got = file.read(raw.data(), chunk);
        if (got < 0)
            return file.errorString();
        const quint64 before = m_events;
        if (!feed(raw.data(), size_t(got), got == 0))
            return complaint();
        if (got == 0)
            break;
        // Expat scans an unfinished tag again from its start on every call. While nothing
        // completes, the chunk grows, so one attribute of many megabytes costs linear time.
        chunk = m_events == before ? std::min(chunk * 2, kMaxChunk) : kChunk;
    }
    return finish();
}

QString Parser::finish() const
{
    if (!m_failure.isEmpty())
        return m_failure;
    if (!m_sawPacket)
        return QStringLiteral("Die Datei enthält kein Datenpaket.");
    if (m_fields.defs.isEmpty())
        return QStringLiteral("Die Datei beschreibt keine Felder.");
    // Every change log group must name row versions the file has, or the table would come
    // out different.
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
    table.load(std::move(m_fields.defs), std::move(m_versions), std::move(m_changeLog),
               std::move(m_params));
}

} // namespace tablefile

} // namespace ordovan::store
