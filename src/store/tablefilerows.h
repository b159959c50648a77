#pragma once

// Internal to the table file reader: the fields a file declares, and the turning of ROW
// attributes (as expat hands them over) into row versions. Shared by the parser of the whole
// file and by the worker threads that parse runs of rows.

#include "table.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ordovan::store::tablefile {

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

// The kind for a fieldtype word (and SUBTYPE), or nothing for a word the reader does not know.
std::optional<FieldType> fieldTypeOf(const char *type, const char *subtype);

// The Windows-1252 form of a UTF-8 value as expat hands it over, at most limit bytes written
// to out; returns the number written. With latin1, characters up to U+00FF are the bytes
// they were read from.
size_t convertText(const char *in, size_t length, char *out, size_t limit, bool latin1);

// The bytes of a Windows-1252 file as UTF-8, each byte the character of the same value (as
// an ISO-8859-1 decoder reads them). out needs room for twice the input.
size_t latin1ToUtf8(const char *in, size_t n, char *out);

// Removes in place the control bytes XML 1.0 forbids (below 0x20 except TAB, LF and CR),
// which older files may hold raw inside values; returns the new length. The program never
// stores such characters, so dropping them reads the file as it would have been written.
size_t dropControlBytes(char *data, size_t n);

// Bytes that grow without being cleared first and keep their memory for reuse: runs of
// rows pass through a handful of these instead of fresh allocations (fresh pages cost more
// than the parsing of them).
class ByteBuffer
{
public:
    char *data() { return m_data.get(); }
    const char *data() const { return m_data.get(); }
    size_t size() const { return m_size; }
    std::string_view view() const { return {m_data.get(), m_size}; }
    void resize(size_t n) // new bytes are left as they are
    {
        if (n > m_capacity) {
            const size_t capacity = std::max(n, 2 * m_capacity);
            auto grown = std::make_unique_for_overwrite<char[]>(capacity);
            if (m_size > 0)
                std::memcpy(grown.get(), m_data.get(), m_size);
            m_data = std::move(grown);
            m_capacity = capacity;
        }
        m_size = n;
    }
    void append(const char *bytes, size_t n)
    {
        const size_t old = m_size;
        resize(old + n);
        if (n > 0)
            std::memcpy(m_data.get() + old, bytes, n);
    }

private:
    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

// The fields as the file declares them. Fixed once the rows begin; then read by threads.
struct FileFields
{
    QList<FieldDef> defs;
    std::vector<std::string> attrNames; // as expat hands them over (UTF-8)
    std::vector<ValueKind> kinds;
};

// Builds row versions from ROW attributes. One per expat parser: expat hands out each
// attribute name from its own table, the same pointer every time, which the builder uses
// to match names quickly.
class RowBuilder
{
public:
    RowBuilder(const FileFields &fields, bool latin1) : m_fields(fields), m_latin1(latin1) {}

    // Appends the row to out; returns the German reason when the row cannot be read.
    QString add(const char **atts, std::vector<RowVersion> &out);

private:
    bool addValue(int field, const char *value);
    int fieldOf(const char *name, int expected);

    const FileFields &m_fields;
    const bool m_latin1;
    std::vector<const char *> m_namePointers;
    // Per row, reused: converted values back to back, and each field's place in them.
    ByteBuffer m_scratch;
    std::vector<std::pair<size_t, size_t>> m_spans;
    std::vector<std::string_view> m_cells;
};

// Parses a run of whole ROW elements, cut from a file's ROWDATA, on an expat parser of its
// own. False when the run is anything else (the caller then reads the file the plain way).
// doc is the worker's own buffer for the run as expat reads it.
bool parseRowRun(const FileFields &fields, bool latin1, std::string_view bytes, ByteBuffer &doc,
                 std::vector<RowVersion> &out);

// Runs of rows parsed by worker threads; the results come back in the order submitted.
class RowRuns
{
public:
    RowRuns(const FileFields &fields, bool latin1, int workers);
    ~RowRuns();
    RowRuns(const RowRuns &) = delete;
    RowRuns &operator=(const RowRuns &) = delete;

    // A buffer for the next run: one that came back from a worker when there is one.
    ByteBuffer spare();
    // Queues a run; waits while enough runs are waiting already (that bounds the memory).
    void submit(ByteBuffer run);
    bool failed();
    // Waits for every run; false when one was not plain rows.
    bool finish(std::vector<std::vector<RowVersion>> &results);

private:
    void stop();
    void work();

    const FileFields &m_fields;
    const bool m_latin1;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_work, m_room;
    std::deque<std::pair<size_t, ByteBuffer>> m_queue;
    std::vector<ByteBuffer> m_spare;
    std::vector<std::vector<RowVersion>> m_results;
    size_t m_limit = 2;
    bool m_failed = false;
    bool m_closing = false;
};

// How many runs of rows were parsed in this process, for tests and measurements.
int parsedRowRuns();

// A short excerpt of a value for a message.
QString excerpt(const char *utf8, bool latin1);

} // namespace ordovan::store::tablefile
