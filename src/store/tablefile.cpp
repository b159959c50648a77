// Writes a Table as a table file, byte for byte as the program's data files have always
// looked: the declaration, two blanks, and the whole data packet on one line, Windows-1252.
//
// The bytes are produced by hand into a large buffer that streams through an AtomicFile, so
// the previous file stays in place until the new one is complete. Every stored row version
// is written in storage order with its flags, and the change log with it, so the file reads
// back to the same table, versions and log included.
#include "tablefile.h"
#include "table.h"

#include "platform/codec.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QDate>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <system_error>
#include <thread>

namespace ordovan::store {

QString tableNotOpenMessage(const QString &tableName)
{
    return QStringLiteral("Die Tabelle %1 ist nicht geöffnet und kann nicht gespeichert werden.")
        .arg(tableName);
}

namespace {

constexpr size_t kBufferSize = 1 << 20;
constexpr size_t kParallelRows = 50000; // rows worth formatting on worker threads
constexpr size_t kBlockRows = 16384;

// Bytes on their way out: to the file, flushed whenever the buffer is full, or (without a
// file) a block that grows and is written later.
class Output
{
public:
    explicit Output(platform::AtomicFile *file = nullptr) : m_file(file)
    {
        if (m_file)
            grow(kBufferSize);
    }

    // Room for n more bytes (at most half the buffer size); commit() what was used.
    char *room(size_t n)
    {
        if (m_used + n > m_capacity) {
            if (m_file)
                flush();
            if (m_used + n > m_capacity)
                grow(std::max(m_used + n, 2 * m_capacity));
        }
        return m_buffer.get() + m_used;
    }
    void commit(char *end) { m_used = size_t(end - m_buffer.get()); }
    void append(std::string_view s)
    {
        if (m_file && s.size() > kBufferSize / 2) {
            flush();
            m_file->write(s.data(), qint64(s.size()));
            return;
        }
        char *p = room(s.size());
        std::memcpy(p, s.data(), s.size());
        commit(p + s.size());
    }
    void flush()
    {
        if (m_file && m_used > 0)
            m_file->write(m_buffer.get(), qint64(m_used));
        m_used = 0;
    }
    void clear() { m_used = 0; }
    std::string_view view() const { return {m_buffer.get(), m_used}; }

private:
    void grow(size_t capacity)
    {
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (m_used > 0)
            std::memcpy(grown.get(), m_buffer.get(), m_used);
        m_buffer = std::move(grown);
        m_capacity = capacity;
    }

    platform::AtomicFile *m_file;
    std::unique_ptr<char[]> m_buffer;
    size_t m_used = 0;
    size_t m_capacity = 0;
};

// The nine escaped bytes, and the control bytes XML cannot carry (dropped; the table engine
// never stores them, this keeps a file readable whatever a table was loaded with).
struct Escapes
{
    std::array<std::string_view, 256> text{};
    std::array<bool, 256> special{};
    Escapes()
    {
        for (int b = 0; b < 0x20; ++b) {
            special[size_t(b)] = true;
            text[size_t(b)] = std::string_view("", 0); // dropped (an empty text, not null)
        }
        const std::pair<unsigned char, std::string_view> nine[] = {
            {'<', "&lt;"},    {'>', "&gt;"},    {'"', "&quot;"},  {'&', "&amp;"},  {'\'', "&apos;"},
            {'\r', "&#013;"}, {'\n', "&#010;"}, {'\t', "&#009;"}, {'\\', "&#092;"}};
        for (const auto &[b, t] : nine) {
            special[b] = true;
            text[b] = t;
        }
    }
};

const Escapes kEscapes;

void appendEscaped(Output &out, std::string_view s)
{
    constexpr size_t kBlock = kBufferSize / 8; // each byte grows to at most 6
    for (size_t i = 0; i < s.size(); i += kBlock) {
        const size_t n = std::min(kBlock, s.size() - i);
        char *p = out.room(n * 6);
        for (size_t k = i; k < i + n; ++k) {
            const auto b = static_cast<unsigned char>(s[k]);
            if (!kEscapes.special[b]) {
                *p++ = char(b);
            } else {
                const std::string_view e = kEscapes.text[b];
                std::memcpy(p, e.data(), e.size());
                p += e.size();
            }
        }
        out.commit(p);
    }
}

// The shortest decimal that reads back as the same double, in plain notation within the
// range of amounts, cut to 16 significant digits when it needs more.
char *formatFloat(char *p, char *end, double v)
{
    const double a = std::fabs(v);
    const bool plain = v == 0 || (a >= 1e-4 && a < 1e15);
    char *stop =
        std::to_chars(p, end, v, plain ? std::chars_format::fixed : std::chars_format::scientific)
            .ptr;
    int digits = 0;
    bool leading = true;
    for (const char *c = p; c < stop && *c != 'e'; ++c) {
        if (*c >= '1' && *c <= '9')
            leading = false;
        if (*c >= '0' && *c <= '9' && !leading)
            ++digits;
    }
    if (digits > 16)
        stop = std::to_chars(p, end, v, std::chars_format::general, 16).ptr;
    return stop;
}

char *formatDate(char *p, qint32 julianDay, const QString &tableName)
{
    // The proleptic Gregorian calendar, as QDate counts it (H. Hinnant's civil_from_days).
    const qint64 z = qint64(julianDay) - 2440588 + 719468; // days since 0000-03-01
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const qint64 y = yoe + era * 400 + (m <= 2);
    if (y < 1 || y > 9999)
        throw Error(QStringLiteral("Die Tabelle %1 enthält ein Datum außerhalb des zulässigen "
                                   "Bereichs.")
                        .arg(tableName));
    const int year = int(y);
    const int parts[] = {year / 1000, year / 100 % 10, year / 10 % 10, year % 10,
                         m / 10,      m % 10,          d / 10,         d % 10};
    for (int digit : parts)
        *p++ = char('0' + digit);
    return p;
}

bool isXmlName(std::string_view s)
{
    if (s.empty())
        return false;
    auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    if (!letter(s[0]))
        return false;
    for (char c : s) {
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '-')
            return false;
    }
    return true;
}

// The name under which rows carry a field, derived from the field name: blanks and
// ( ) # * ! $ % ? become "_"; a name with a character outside ASCII, or one that would
// still not be a usable XML name or would collide with another, becomes "xF" and a number.
std::vector<std::string> attributeNames(const QList<FieldDef> &fields)
{
    std::vector<std::string> names(size_t(fields.size()));
    std::set<std::string> taken = {"RowState"};
    for (qsizetype i = 0; i < fields.size(); ++i) {
        std::string plain;
        bool ascii = true;
        for (QChar ch : fields[i].name) {
            const char16_t c = ch.unicode();
            if (c > 0x7F) {
                ascii = false;
                break;
            }
            plain += std::string_view(" ()#*!$%?").find(char(c)) != std::string_view::npos
                         ? '_'
                         : char(c);
        }
        if (ascii && isXmlName(plain) && taken.insert(plain).second)
            names[size_t(i)] = std::move(plain);
    }
    int number = 1;
    for (std::string &name : names) {
        while (name.empty()) {
            std::string candidate = "xF" + std::to_string(number++);
            if (taken.insert(candidate).second)
                name = std::move(candidate);
        }
    }
    return names;
}

std::string_view view(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

void writeMetadata(Output &out, const Table &table, const std::vector<std::string> &attrs)
{
    out.append("<?xml version=\"1.0\" standalone=\"yes\"?>  "
               "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    const QList<FieldDef> &fields = table.storedFields();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const FieldDef &f = fields[i];
        const std::string &attr = attrs[size_t(i)];
        out.append("<FIELD");
        if (f.name != QLatin1StringView(attr.data(), qsizetype(attr.size()))) {
            out.append(" fieldname=\"");
            appendEscaped(out, view(codec::toCp1252(f.name)));
            out.append("\"");
        }
        out.append(" attrname=\"");
        out.append(attr);
        out.append("\"");
        switch (f.kind) {
        case FieldKind::Integer:
            out.append(" fieldtype=\"i4\"");
            break;
        case FieldKind::Currency:
            out.append(" fieldtype=\"r8\" SUBTYPE=\"Money\"");
            break;
        case FieldKind::Float:
            out.append(" fieldtype=\"r8\"");
            break;
        case FieldKind::Date:
            out.append(" fieldtype=\"date\"");
            break;
        case FieldKind::Text:
            out.append(" fieldtype=\"string\"");
            if (f.width > 0)
                out.append(" WIDTH=\"" + std::to_string(f.width) + "\"");
            break;
        }
        out.append("/>");
    }
    out.append("</FIELDS><PARAMS");
    const std::vector<quint32> &log = table.changeLog();
    if (!log.empty()) {
        out.append(" CHANGE_LOG=\"");
        for (size_t i = 0; i < log.size(); ++i) {
            char *p = out.room(12);
            if (i > 0)
                *p++ = ' ';
            out.commit(std::to_chars(p, p + 11, log[i]).ptr);
        }
        out.append("\"");
    }
    for (const auto &[name, value] : table.params()) {
        const QByteArray n = name.toLatin1();
        if (name == u"CHANGE_LOG" || !isXmlName(view(n)))
            continue; // the log is written above; a name XML cannot carry would spoil the file
        out.append(" ");
        out.append(view(n));
        out.append("=\"");
        appendEscaped(out, view(codec::toCp1252(value)));
        out.append("\"");
    }
    out.append("/></METADATA>");
}

struct RowFormat
{
    const QList<FieldDef> &fields;
    std::vector<std::string> prefixes; // ` name="` per field
    const QString &tableName;
};

void formatRows(Output &out, const RowFormat &format, const std::vector<RowVersion> &rows,
                size_t first, size_t last)
{
    const QList<FieldDef> &fields = format.fields;
    for (size_t r = first; r < last; ++r) {
        const RowVersion &row = rows[r];
        char *p = out.room(32);
        std::memcpy(p, "<ROW", 4);
        p += 4;
        if (row.flags() != 0) {
            std::memcpy(p, " RowState=\"", 11);
            p = std::to_chars(p + 11, p + 16, unsigned(row.flags())).ptr;
            *p++ = '"';
        }
        out.commit(p);
        for (qsizetype f = 0; f < fields.size(); ++f) {
            const std::string_view cell = row.cell(int(f));
            const FieldKind kind = fields[f].kind;
            const size_t expected = kind == FieldKind::Text ? cell.size()
                                    : (kind == FieldKind::Currency || kind == FieldKind::Float) ? 8
                                                                                                : 4;
            if (cell.empty() || cell.size() != expected)
                continue; // null
            const std::string &prefix = format.prefixes[size_t(f)];
            p = out.room(prefix.size() + 48);
            std::memcpy(p, prefix.data(), prefix.size());
            p += prefix.size();
            if (kind == FieldKind::Text) {
                out.commit(p);
                appendEscaped(out, cell);
                p = out.room(1);
            } else if (kind == FieldKind::Integer || kind == FieldKind::Date) {
                qint32 v;
                std::memcpy(&v, cell.data(), 4);
                p = kind == FieldKind::Integer ? std::to_chars(p, p + 12, v).ptr
                                               : formatDate(p, v, format.tableName);
            } else {
                double v;
                std::memcpy(&v, cell.data(), 8);
                p = formatFloat(p, p + 40, v);
            }
            *p++ = '"';
            out.commit(p);
        }
        p = out.room(2);
        std::memcpy(p, "/>", 2);
        out.commit(p + 2);
    }
}

// Many rows are formatted in blocks by worker threads, one round of blocks at a time, and
// written in their order; few rows (or no threads to be had) on the calling thread.
void writeRows(Output &out, const Table &table, const std::vector<std::string> &attrs)
{
    RowFormat format{table.storedFields(), {}, table.name()};
    for (const std::string &a : attrs)
        format.prefixes.push_back(" " + a + "=\"");
    const std::vector<RowVersion> &rows = table.versions();
    out.append("<ROWDATA>");
    const int workers = int(std::min(8u, std::thread::hardware_concurrency()));
    if (rows.size() < kParallelRows || workers < 2) {
        formatRows(out, format, rows, 0, rows.size());
    } else {
        std::vector<Output> blocks(static_cast<size_t>(workers));
        for (size_t start = 0; start < rows.size(); start += kBlockRows * size_t(workers)) {
            std::vector<std::thread> threads;
            std::vector<std::exception_ptr> errors(static_cast<size_t>(workers));
            size_t used = 0;
            for (; used < size_t(workers) && start + used * kBlockRows < rows.size(); ++used) {
                const size_t first = start + used * kBlockRows;
                const size_t last = std::min(rows.size(), first + kBlockRows);
                Output &block = blocks[used];
                std::exception_ptr &error = errors[used];
                block.clear();
                auto job = [&, first, last] {
                    try {
                        formatRows(block, format, rows, first, last);
                    } catch (...) {
                        error = std::current_exception();
                    }
                };
                try {
                    threads.emplace_back(job);
                } catch (const std::system_error &) {
                    job();
                }
            }
            for (std::thread &t : threads)
                t.join();
            for (size_t k = 0; k < used; ++k) {
                if (errors[k])
                    std::rethrow_exception(errors[k]);
                out.append(blocks[k].view());
            }
        }
    }
    out.append("</ROWDATA></DATAPACKET>");
}

} // namespace

void writeTableFile(const Table &table, const QString &path)
{
    if (!table.isOpen())
        throw Error(tableNotOpenMessage(table.name()));
    const std::vector<std::string> attrs = attributeNames(table.storedFields());
    platform::AtomicFile file(path);
    file.open();
    Output out(&file);
    writeMetadata(out, table, attrs);
    writeRows(out, table, attrs);
    out.flush();
    file.commit();
}

} // namespace ordovan::store
