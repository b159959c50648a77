// Writes a Table as a table file, byte for byte as the program's data files have always
// looked: the declaration, two blanks, and the whole data packet on one line, Windows-1252.
//
// The bytes are produced by hand into a large buffer that streams through an AtomicFile, so
// the previous file stays in place until the new one is complete. Every stored row version
// is written in storage order with its flags, and the change log with it, so the file reads
// back to the same table, versions and log included.
#include "tablefile.h"
#include "table.h"

#include "base/codec.h"
#include "base/error.h"
#include "platform/files.h"

#include <QFileDevice>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <system_error>
#include <thread>

#ifdef __linux__
#include <fcntl.h>
#endif

namespace ordovan::store {

QString tableNotOpenMessage(const QString &tableName)
{
    return QStringLiteral("Die Tabelle %1 ist nicht geöffnet und kann nicht gespeichert werden.")
        .arg(tableName);
}

namespace {

constexpr size_t kBufferSize = 1 << 20;
constexpr size_t kWritebackStep = 32 << 20;
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

    // Room for n more bytes; commit() what was used.
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
            write(s);
            return;
        }
        char *p = room(s.size());
        std::memcpy(p, s.data(), s.size());
        commit(p + s.size());
    }
    void flush()
    {
        if (m_file && m_used > 0)
            write(view());
        m_used = 0;
    }
    void clear() { m_used = 0; }
    std::string_view view() const { return {m_buffer.get(), m_used}; }

private:
    void write(std::string_view s)
    {
        m_file->write(s.data(), qint64(s.size()));
        m_written += s.size();
        if (m_written - m_writebackFrom >= kWritebackStep)
            startWriteback();
    }
    // The file is synced to disk before it replaces the old one. Handing what is written to
    // the disk as it comes, rather than all at that point, leaves the final sync little to
    // wait for. Only a hint: the final sync reports any failure.
    void startWriteback()
    {
#ifdef __linux__
        auto *device = qobject_cast<QFileDevice *>(m_file->device());
        if (device && device->flush() && device->handle() >= 0)
            ::sync_file_range(device->handle(), off64_t(m_writebackFrom),
                              off64_t(m_written - m_writebackFrom), SYNC_FILE_RANGE_WRITE);
#endif
        m_writebackFrom = m_written;
    }

    void grow(size_t capacity)
    {
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (m_used > 0)
            std::memcpy(grown.get(), m_buffer.get(), m_used);
        m_buffer = std::move(grown);
        m_capacity = capacity;
    }

    platform::AtomicFile *m_file;
    size_t m_written = 0;
    size_t m_writebackFrom = 0;
    std::unique_ptr<char[]> m_buffer;
    size_t m_used = 0;
    size_t m_capacity = 0;
};

// The nine escaped bytes, and the control bytes XML cannot carry (dropped; the table engine
// never stores them, this keeps a file readable whatever a table was loaded with).
struct Escapes
{
    // Each escape padded to eight bytes, so that it is copied in one go.
    std::array<std::array<char, 8>, 256> text{};
    std::array<quint8, 256> length{};
    std::array<bool, 256> special{};
    Escapes()
    {
        for (int b = 0; b < 0x20; ++b)
            special[size_t(b)] = true; // length 0: dropped
        const std::pair<unsigned char, std::string_view> nine[] = {
            {'<', "&lt;"},    {'>', "&gt;"},    {'"', "&quot;"},  {'&', "&amp;"},  {'\'', "&apos;"},
            {'\r', "&#013;"}, {'\n', "&#010;"}, {'\t', "&#009;"}, {'\\', "&#092;"}};
        for (const auto &[b, t] : nine) {
            special[b] = true;
            std::memcpy(text[b].data(), t.data(), t.size());
            length[b] = quint8(t.size());
        }
    }
};

const Escapes kEscapes;

// Writes the escaped bytes at p, which has room for six bytes per byte and two more.
inline char *escapeInto(char *p, std::string_view s)
{
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (!kEscapes.special[b]) {
            *p++ = c;
        } else {
            std::memcpy(p, kEscapes.text[b].data(), 8);
            p += kEscapes.length[b];
        }
    }
    return p;
}

void appendEscaped(Output &out, std::string_view s)
{
    constexpr size_t kBlock = kBufferSize / 8; // each byte grows to at most 6
    for (size_t i = 0; i < s.size(); i += kBlock) {
        const size_t n = std::min(kBlock, s.size() - i);
        out.commit(escapeInto(out.room(n * 6 + 2), s.substr(i, n)));
    }
}

// The shortest decimal that reads back as the same double, in plain notation within the
// range of amounts, cut to 16 significant digits when it needs more.
char *formatFloat(char *p, char *end, double v)
{
    if (v == 0)
        v = 0; // negative zero is written as 0
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
    // ` name="` per field, padded to a whole number of 16 bytes for fixed-size copies.
    std::vector<std::string> prefixes;
    std::vector<size_t> prefixLengths;
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
            const bool shortText = kind == FieldKind::Text && cell.size() <= 1024;
            p = out.room(prefix.size() + (shortText ? cell.size() * 6 + 8 : 48));
            if (prefix.size() == 16)
                std::memcpy(p, prefix.data(), 16);
            else if (prefix.size() == 32)
                std::memcpy(p, prefix.data(), 32);
            else
                std::memcpy(p, prefix.data(), prefix.size());
            p += format.prefixLengths[size_t(f)];
            if (shortText) {
                p = escapeInto(p, cell);
            } else if (kind == FieldKind::Text) {
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

// A round of blocks of rows formatted by worker threads (or, without threads, on the
// calling thread). Joined before it is read or dropped.
class Round
{
public:
    explicit Round(size_t workers) : m_blocks(workers), m_errors(workers) {}
    ~Round() { join(); }

    void start(const RowFormat &format, const std::vector<RowVersion> &rows, size_t first)
    {
        m_used = 0;
        for (; m_used < m_blocks.size() && first + m_used * kBlockRows < rows.size(); ++m_used) {
            const size_t from = first + m_used * kBlockRows;
            const size_t to = std::min(rows.size(), from + kBlockRows);
            Output &block = m_blocks[m_used];
            std::exception_ptr &error = m_errors[m_used];
            block.clear();
            error = nullptr;
            auto job = [&format, &rows, &block, &error, from, to] {
                try {
                    formatRows(block, format, rows, from, to);
                } catch (...) {
                    error = std::current_exception();
                }
            };
            try {
                m_threads.emplace_back(job);
            } catch (const std::system_error &) {
                job();
            }
        }
    }
    void join()
    {
        for (std::thread &t : m_threads)
            t.join();
        m_threads.clear();
    }
    // Waits for the round and writes its blocks in order; a block's error is thrown here.
    void writeTo(Output &out)
    {
        join();
        for (size_t k = 0; k < m_used; ++k) {
            if (m_errors[k])
                std::rethrow_exception(m_errors[k]);
            out.append(m_blocks[k].view());
        }
    }

private:
    std::vector<Output> m_blocks;
    std::vector<std::exception_ptr> m_errors;
    std::vector<std::thread> m_threads;
    size_t m_used = 0;
};

// Many rows are formatted in blocks by worker threads, a round of blocks at a time, while
// the calling thread writes the round before; few rows on the calling thread alone.
void writeRows(Output &out, const Table &table, const std::vector<std::string> &attrs)
{
    RowFormat format{table.storedFields(), {}, {}, table.name()};
    for (const std::string &a : attrs) {
        std::string prefix = " " + a + "=\"";
        format.prefixLengths.push_back(prefix.size());
        prefix.resize((prefix.size() + 15) / 16 * 16, ' ');
        format.prefixes.push_back(std::move(prefix));
    }
    const std::vector<RowVersion> &rows = table.versions();
    out.append("<ROWDATA>");
    const size_t workers = std::min(8u, std::thread::hardware_concurrency());
    if (rows.size() < kParallelRows || workers < 2) {
        formatRows(out, format, rows, 0, rows.size());
    } else {
        const size_t perRound = kBlockRows * workers;
        Round rounds[2] = {Round(workers), Round(workers)};
        rounds[0].start(format, rows, 0);
        for (size_t r = 0; r * perRound < rows.size(); ++r) {
            rounds[r % 2].join();
            if ((r + 1) * perRound < rows.size())
                rounds[(r + 1) % 2].start(format, rows, (r + 1) * perRound);
            rounds[r % 2].writeTo(out);
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
