// Values of table file rows: type words, text conversion, and ROW elements to row versions.
#include "tablefilerows.h"

#include "base/codec.h"

#include <QDate>

#include <expat.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <limits>
#include <type_traits>

namespace ordovan::store::tablefile {

namespace {

bool sameTextNoCase(const char *a, const char *b)
{
    return QByteArrayView(a).compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

template<typename T>
bool parseWhole(const char *s, size_t n, T &out)
{
    const auto r = std::from_chars(s, s + n, out);
    return r.ec == std::errc() && r.ptr == s + n;
}

// A whole decimal number up to the terminating NUL (an optional "-", then digits), without
// measuring the text first: most values of a file are short numbers.
template<typename T>
bool parseDecimal(const char *s, T &out)
{
    const bool negative = *s == '-';
    if (negative && !std::is_signed_v<T>)
        return false;
    s += negative;
    if (*s < '0' || *s > '9')
        return false;
    qint64 v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        v = v * 10 + (*s - '0');
        if (v > qint64(std::numeric_limits<T>::max()) + negative)
            return false;
    }
    if (*s != '\0')
        return false;
    out = T(negative ? -v : v);
    return true;
}

// Copies plain ASCII eight bytes at a time while both sides have room; most text is ASCII.
inline void copyAscii(const char *in, size_t &i, size_t n, char *out, size_t &o, size_t limit)
{
    while (i + 8 <= n && o + 8 <= limit) {
        quint64 word;
        std::memcpy(&word, in + i, 8);
        if (word & 0x8080808080808080ull)
            return;
        std::memcpy(out + o, in + i, 8);
        i += 8;
        o += 8;
    }
}

} // namespace

std::optional<FieldType> fieldTypeOf(const char *type, const char *subtype)
{
    const bool money = subtype && sameTextNoCase(subtype, "Money");
    for (const char *w : {"i4", "i2", "i1", "ui2", "ui1"}) {
        if (sameTextNoCase(type, w))
            return FieldType{FieldKind::Integer, ValueKind::Integer};
    }
    // Wider integers and fixed-point numbers are kept as doubles rather than refused.
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

size_t convertText(const char *in, size_t length, char *out, size_t limit, bool latin1)
{
    const auto *s = reinterpret_cast<const unsigned char *>(in);
    size_t i = 0;
    size_t o = 0;
    while (i < length && o < limit) {
        copyAscii(in, i, length, out, o, limit);
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

size_t latin1ToUtf8(const char *in, size_t n, char *out)
{
    size_t i = 0;
    size_t o = 0;
    while (i < n) {
        copyAscii(in, i, n, out, o, size_t(-1));
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

size_t dropControlBytes(char *data, size_t n)
{
    const auto forbidden = [](unsigned char c) {
        return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
    };
    // Eight bytes at a time until the first byte below 0x20: such bytes are rare.
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        if ((word - 0x2020202020202020ull) & ~word & 0x8080808080808080ull)
            break;
    }
    for (; i < n && !forbidden(static_cast<unsigned char>(data[i])); ++i) {
    }
    size_t o = i;
    for (; i < n; ++i) {
        if (!forbidden(static_cast<unsigned char>(data[i])))
            data[o++] = data[i];
    }
    return o;
}

// As convertText, for a NUL-terminated value (as expat hands it over) that is not measured
// first. Expat's UTF-8 is well-formed, so a lead byte is always followed by its tail.
size_t convertShortText(const char *in, char *out, size_t limit, bool latin1)
{
    const auto *s = reinterpret_cast<const unsigned char *>(in);
    size_t o = 0;
    for (unsigned char c; o < limit && (c = *s) != 0;) {
        if (c < 0x80) {
            out[o++] = char(c);
            ++s;
            continue;
        }
        const int extra = c >= 0xF0 ? 3 : (c >= 0xE0 ? 2 : 1);
        char32_t cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if ((s[k] & 0xC0) != 0x80) // not expected; never read past the end
                return o;
            cp = (cp << 6) | (s[k] & 0x3F);
        }
        s += extra + 1;
        out[o++] = (latin1 && cp <= 0xFF) ? char(cp) : char(codec::unicodeToCp1252(cp));
    }
    return o;
}

QString excerpt(const char *utf8, bool latin1)
{
    const size_t n = std::min<size_t>(std::strlen(utf8), 200);
    QByteArray bytes(qsizetype(n), Qt::Uninitialized);
    bytes.truncate(qsizetype(convertText(utf8, n, bytes.data(), n, latin1)));
    QString t = codec::fromCp1252(bytes);
    if (t.size() > 40)
        t = t.left(40) + QStringLiteral("…");
    return t;
}

int RowBuilder::fieldOf(const char *name, int expected)
{
    // Attributes come in field order, with null fields left out: look onwards first.
    const int n = int(m_fields.defs.size());
    if (m_namePointers.size() != size_t(n))
        m_namePointers.assign(size_t(n), nullptr);
    for (int k = expected; k < n; ++k) {
        if (m_namePointers[size_t(k)] == name)
            return k;
    }
    for (int k = 0; k < n; ++k) {
        if (m_fields.attrNames[size_t(k)] == name) {
            m_namePointers[size_t(k)] = name;
            return k;
        }
    }
    return -1;
}

QString RowBuilder::add(const char **atts, std::vector<RowVersion> &out)
{
    const int n = int(m_fields.defs.size());
    m_spans.assign(size_t(n), {0, 0});
    m_scratch.resize(0);
    quint8 flags = 0;
    int expected = 0;
    for (int i = 0; atts[i]; i += 2) {
        const char *name = atts[i];
        if (name[0] == 'R' && std::strcmp(name, "RowState") == 0) {
            unsigned v = 0;
            if (!parseDecimal(atts[i + 1], v) || v > 255)
                return QStringLiteral("Datenzeile %1: ungültiger RowState \"%2\".")
                    .arg(out.size() + 1)
                    .arg(excerpt(atts[i + 1], m_latin1));
            flags = quint8(v);
            continue;
        }
        const int f = fieldOf(name, expected);
        if (f < 0)
            return QStringLiteral("Datenzeile %1: unbekanntes Attribut \"%2\".")
                .arg(out.size() + 1)
                .arg(QString::fromUtf8(name));
        expected = f + 1;
        if (!addValue(f, atts[i + 1]))
            return QStringLiteral("Datenzeile %1: ungültiger Wert \"%2\" im Feld \"%3\".")
                .arg(out.size() + 1)
                .arg(excerpt(atts[i + 1], m_latin1), m_fields.defs[f].name);
    }
    m_cells.resize(size_t(n));
    for (size_t k = 0; k < size_t(n); ++k)
        m_cells[k] = m_scratch.view().substr(m_spans[k].first, m_spans[k].second);
    out.emplace_back(flags, m_cells);
    return {};
}

// Appends the encoded value of one attribute to the row's scratch; false when it is not a
// value of the field's kind. An empty value is a null field.
bool RowBuilder::addValue(int field, const char *value)
{
    if (*value == '\0')
        return true;
    const size_t at = m_scratch.size();
    auto put = [&](const void *data, size_t size) {
        m_scratch.append(static_cast<const char *>(data), size);
        m_spans[size_t(field)] = {at, size};
        return true;
    };
    switch (m_fields.kinds[size_t(field)]) {
    case ValueKind::Integer: {
        qint32 v = 0;
        return parseDecimal(value, v) && put(&v, 4);
    }
    case ValueKind::Boolean: {
        qint32 v = 0;
        if (sameTextNoCase(value, "true"))
            v = 1;
        else if (!sameTextNoCase(value, "false") && !parseDecimal(value, v))
            return false;
        return put(&v, 4);
    }
    case ValueKind::Float: {
        double v = 0;
        return parseWhole(value, std::strlen(value), v) && put(&v, 8);
    }
    case ValueKind::Date: {
        for (int k = 0; k < 8; ++k) { // stops at the NUL of a shorter text
            if (value[k] < '0' || value[k] > '9')
                return false;
        }
        if (value[8] != '\0')
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
        const int width = m_fields.defs[field].width;
        size_t written = 0;
        if (width > 0) {
            // Short values, mostly ASCII: converted in one pass up to their end or the width.
            m_scratch.resize(at + size_t(width));
            written = convertShortText(value, m_scratch.data() + at, size_t(width), m_latin1);
        } else {
            const size_t length = std::strlen(value);
            m_scratch.resize(at + length);
            written = convertText(value, length, m_scratch.data() + at, length, m_latin1);
        }
        m_scratch.resize(at + written);
        m_spans[size_t(field)] = {at, written};
        return true;
    }
    }
    return false;
}

namespace {

// A run of rows parses as the content of a wrapper element: rows at depth one, nothing else.
struct RunParser
{
    RowBuilder rows;
    std::vector<RowVersion> &out;
    XML_Parser parser = nullptr;
    int depth = 0;
    bool failed = false;

    static void XMLCALL onStart(void *self, const XML_Char *name, const XML_Char **atts)
    {
        auto *p = static_cast<RunParser *>(self);
        const int depth = p->depth++;
        if (depth == 0)
            return;
        try {
            if (depth != 1 || std::strcmp(name, "ROW") != 0 || !p->rows.add(atts, p->out).isEmpty())
                p->stop();
        } catch (...) {
            p->stop();
        }
    }
    static void XMLCALL onEnd(void *self, const XML_Char *)
    {
        --static_cast<RunParser *>(self)->depth;
    }
    void stop()
    {
        failed = true;
        XML_StopParser(parser, XML_FALSE);
    }
};

} // namespace

namespace {
std::atomic<int> g_parsedRuns{0};
}

int parsedRowRuns()
{
    return g_parsedRuns.load();
}

bool parseRowRun(const FileFields &fields, bool latin1, std::string_view bytes, ByteBuffer &doc,
                 std::vector<RowVersion> &out)
{
    ++g_parsedRuns;
    static constexpr std::string_view open = "<R>", close = "</R>";
    doc.resize(open.size() + (latin1 ? 2 * bytes.size() : bytes.size()) + close.size());
    std::memcpy(doc.data(), open.data(), open.size());
    size_t n = open.size();
    size_t body = bytes.size();
    if (latin1)
        body = latin1ToUtf8(bytes.data(), bytes.size(), doc.data() + n);
    else
        std::memcpy(doc.data() + n, bytes.data(), bytes.size());
    n += dropControlBytes(doc.data() + n, body);
    std::memcpy(doc.data() + n, close.data(), close.size());
    n += close.size();
    if (n > size_t(std::numeric_limits<int>::max()))
        return false;

    RunParser run{RowBuilder(fields, latin1), out};
    run.parser = XML_ParserCreate("UTF-8");
    if (!run.parser)
        return false;
    XML_SetUserData(run.parser, &run);
    XML_SetElementHandler(run.parser, &RunParser::onStart, &RunParser::onEnd);
    const bool ok = XML_Parse(run.parser, doc.data(), int(n), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(run.parser);
    return ok && !run.failed;
}

RowRuns::RowRuns(const FileFields &fields, bool latin1, int workers)
    : m_fields(fields), m_latin1(latin1), m_limit(size_t(2 * workers))
{
    try {
        for (int i = 0; i < workers; ++i)
            m_threads.emplace_back([this] { work(); });
    } catch (...) {
        stop(); // the threads that did start
        throw;
    }
}

RowRuns::~RowRuns()
{
    {
        std::lock_guard lock(m_mutex);
        m_failed = m_failed || !m_closing; // abandoned: the waiting runs need no parsing
    }
    stop();
}

ByteBuffer RowRuns::spare()
{
    std::lock_guard lock(m_mutex);
    if (m_spare.empty())
        return {};
    ByteBuffer b = std::move(m_spare.back());
    m_spare.pop_back();
    b.resize(0);
    return b;
}

void RowRuns::submit(ByteBuffer run)
{
    std::unique_lock lock(m_mutex);
    m_room.wait(lock, [this] { return m_queue.size() < m_limit || m_failed; });
    m_queue.emplace_back(m_results.size(), std::move(run));
    m_results.emplace_back();
    m_work.notify_one();
}

bool RowRuns::failed()
{
    std::lock_guard lock(m_mutex);
    return m_failed;
}

bool RowRuns::finish(std::vector<std::vector<RowVersion>> &results)
{
    stop();
    results = std::move(m_results);
    return !m_failed;
}

void RowRuns::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_work.notify_all();
    m_room.notify_all();
    for (std::thread &t : m_threads) {
        if (t.joinable())
            t.join();
    }
}

void RowRuns::work()
{
    ByteBuffer doc; // kept from run to run
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_work.wait(lock, [this] { return !m_queue.empty() || m_closing; });
        if (m_queue.empty())
            return;
        auto [index, run] = std::move(m_queue.front());
        m_queue.pop_front();
        const bool skip = m_failed;
        lock.unlock();
        m_room.notify_one();
        std::vector<RowVersion> rows;
        bool ok = false;
        if (!skip) {
            try {
                ok = parseRowRun(m_fields, m_latin1, run.view(), doc, rows);
            } catch (...) {
                // out of memory: the plain way will say so
            }
        }
        lock.lock();
        m_results[index] = std::move(rows);
        m_failed = m_failed || !ok;
        m_spare.push_back(std::move(run));
    }
}

} // namespace ordovan::store::tablefile
