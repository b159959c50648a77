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
#include "table.h"
#include "tablefile.h"
#include "tablefilerows.h"

#include "platform/codec.h"
#include "platform/error.h"

#include <QFile>
#include <QFileInfo>

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <thread>

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

using namespace tablefile;

constexpr int kChunk = 1 << 20;
constexpr int kMaxChunk = 1 << 27;         // twice that after transcoding still fits an int
constexpr size_t kRun = 4 << 20;           // bytes of rows per worker job
constexpr qint64 kParallelFrom = 16 << 20; // rows worth the threads
const QString kNoMemory = QStringLiteral("Nicht genügend Arbeitsspeicher.");

bool sameText(const char *a, const char *b)
{
    return std::strcmp(a, b) == 0;
}

class Parser
{
public:
    explicit Parser(bool utf8) : m_latin1(!utf8), m_rows(m_fields, !utf8)
    {
        // Windows-1252 files reach expat as UTF-8 too (latin1ToUtf8): expat's UTF-8 path is
        // its fastest.
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

    // Reads the file on from its head; an empty text on success, else what went wrong.
    QString parse(QFile &file, QByteArrayView head);
    // The same with worker threads for the rows; nothing when the file needs the plain way.
    std::optional<QString> parseInParallel(QFile &file, QByteArrayView head, int workers);
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
    bool parseChangeLog(const char *text);
    void fail(const QString &why);
    QString text(const char *utf8) const;

    bool feed(const char *data, size_t size, bool last);
    QString readOn(QFile &file);
    QString complaint() const;
    QString finish() const;
    std::optional<QString> readRuns(QFile &file, std::string carry, int workers);

    XML_Parser m_parser = nullptr;
    const bool m_latin1;
    QString m_failure;
    quint64 m_events = 0;
    std::vector<Node> m_stack;
    bool m_sawPacket = false;
    bool m_sawRowData = false;

    FileFields m_fields;
    RowBuilder m_rows;
    std::vector<RowVersion> m_versions;
    std::vector<quint32> m_changeLog;
    QList<std::pair<QString, QString>> m_params;
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
    if (!m_latin1 || size == 0)
        return XML_Parse(m_parser, data, int(size), last) == XML_STATUS_OK;
    void *buffer = XML_GetBuffer(m_parser, int(2 * size));
    if (!buffer) {
        m_failure = kNoMemory;
        return false;
    }
    const size_t n = latin1ToUtf8(data, size, static_cast<char *>(buffer));
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

// Where "<ROWDATA>" ends in data (one past its ">"), given the bytes fed just before it;
// npos when it is not there.
size_t rowDataEnd(std::string_view before, std::string_view data)
{
    static constexpr std::string_view tag = "<ROWDATA>";
    const std::string joint = std::string(before) + std::string(data.substr(0, tag.size() - 1));
    size_t p = joint.find(tag);
    if (p != std::string_view::npos)
        return p + tag.size() - before.size();
    p = data.find(tag);
    return p == std::string_view::npos ? p : p + tag.size();
}

// The end of the file as the program writes it: the two closing tags, blanks around them.
bool isPlainEnd(std::string_view t)
{
    auto skipBlanks = [&t] {
        while (!t.empty() && (t[0] == ' ' || t[0] == '\r' || t[0] == '\n' || t[0] == '\t'))
            t.remove_prefix(1);
    };
    for (std::string_view close : {"</ROWDATA>", "</DATAPACKET>"}) {
        skipBlanks();
        if (!t.starts_with(close))
            return false;
        t.remove_prefix(close.size());
    }
    skipBlanks();
    return t.empty();
}

std::optional<QString> Parser::parseInParallel(QFile &file, QByteArrayView head, int workers)
{
    // Up to the rows this is the plain parse; only where ROWDATA opens does the way part.
    std::string before; // the last bytes fed, for a tag cut by a read
    std::vector<char> raw;
    QByteArrayView data = head;
    int chunk = kChunk;
    for (;;) {
        const std::string_view view(data.data(), size_t(data.size()));
        const size_t end = rowDataEnd(before, view);
        if (end != std::string_view::npos) {
            const qint64 rest = file.size() - file.pos() + qint64(view.size() - end);
            if (rest < kParallelFrom) {
                if (!feed(view.data(), view.size(), false))
                    return complaint();
                return readOn(file);
            }
            // The header alone, closed where the rows would close it: it must be well-formed
            // with this ROWDATA in its place, else the tag found was not the real one.
            static constexpr std::string_view close = "</ROWDATA></DATAPACKET>";
            if (!feed(view.data(), end, false) || !feed(close.data(), close.size(), true) ||
                !m_failure.isEmpty() || !m_sawRowData || !m_versions.empty())
                return std::nullopt;
            return readRuns(file, std::string(view.substr(end)), workers);
        }
        const quint64 events = m_events;
        if (!feed(view.data(), view.size(), false))
            return complaint();
        before += view.substr(view.size() - std::min<size_t>(view.size(), 8));
        before.erase(0, before.size() - std::min<size_t>(before.size(), 8));
        if (data.data() != head.data()) // the head does not count for the chunk's growth
            chunk = m_events == events ? std::min(chunk * 2, kMaxChunk) : kChunk;
        raw.resize(std::max(raw.size(), size_t(chunk)));
        const qint64 got = file.read(raw.data(), chunk);
        if (got < 0)
            return file.errorString();
        if (got == 0) {
            if (!feed(raw.data(), 0, true))
                return complaint();
            return finish();
        }
        data = QByteArrayView(raw.data(), got);
    }
}

// Cuts the rows into runs at "<" and hands them to the workers; the rows end at the first
// "</", which must begin the plain end of the file.
std::optional<QString> Parser::readRuns(QFile &file, std::string carry, int workers)
{
    RowRuns runs(m_fields, m_latin1, workers);
    size_t scanned = 0;
    size_t lastOpen = carry.rfind('<');
    std::string trailer;
    for (;;) {
        const size_t close = carry.find("</", scanned > 0 ? scanned - 1 : 0);
        if (close != std::string::npos) {
            trailer = carry.substr(close);
            carry.resize(close);
            runs.submit(std::move(carry));
            break;
        }
        scanned = carry.size();
        if (carry.size() >= kRun && lastOpen != std::string::npos && lastOpen > 0) {
            std::string run = std::move(carry);
            carry.assign(run, lastOpen);
            run.resize(lastOpen);
            runs.submit(std::move(run));
            scanned = carry.size();
            lastOpen = 0;
        }
        if (runs.failed())
            return std::nullopt;
        const size_t old = carry.size();
        carry.resize(old + kRun);
        const qint64 got = file.read(carry.data() + old, qint64(kRun));
        if (got < 0)
            return file.errorString();
        carry.resize(old + size_t(got));
        if (got == 0)
            return std::nullopt; // the rows never end: the plain way says what is wrong
        const size_t open = std::string_view(carry).substr(old).rfind('<');
        if (open != std::string_view::npos)
            lastOpen = old + open;
    }
    char rest[4096];
    qint64 got = 0;
    while (trailer.size() < sizeof rest && (got = file.read(rest, sizeof rest)) > 0)
        trailer.append(rest, size_t(got));
    if (got < 0)
        return file.errorString();
    std::vector<std::vector<RowVersion>> results;
    if (!isPlainEnd(trailer) || !runs.finish(results))
        return std::nullopt;
    size_t total = 0;
    for (const auto &r : results)
        total += r.size();
    m_versions.reserve(total);
    for (auto &r : results) {
        std::move(r.begin(), r.end(), std::back_inserter(m_versions));
        std::vector<RowVersion>().swap(r);
    }
    return finish();
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
    // Expat's encoding argument overrides the declaration, so the declaration is looked at
    // here: only UTF-8 (named, or a byte-order mark) differs from the usual Windows-1252.
    qsizetype skip = 0;
    const bool utf8 = declaresUtf8(head, skip);
    const int workers = int(std::min(8u, std::thread::hardware_concurrency()));
    QString failure;
    try {
        std::unique_ptr<Parser> parser;
        std::optional<QString> result;
        if (workers >= 2 && file.size() >= kParallelFrom) {
            parser = std::make_unique<Parser>(utf8);
            result = parser->parseInParallel(file, head.sliced(skip), workers);
            if (!result && !file.seek(got))
                result = file.errorString();
        }
        if (!result) {
            parser = std::make_unique<Parser>(utf8);
            result = parser->parse(file, head.sliced(skip));
        }
        if (result->isEmpty()) {
            parser->finishInto(table);
            return;
        }
        failure = *result;
    } catch (const std::bad_alloc &) {
        failure = kNoMemory;
    }
    throw Error(tableFileUnreadableMessage(path), failure);
}

} // namespace ordovan::store
