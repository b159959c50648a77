// The way through a table file that brings in worker threads for a large file's rows, and
// readTableFile(), which chooses between it and the plain way.
#include "table.h"
#include "tablefile.h"
#include "tablefileparser.h"

#include "base/error.h"

#include <QFileInfo>

#include <algorithm>
#include <system_error>
#include <thread>

namespace ordovan::store {

namespace tablefile {

namespace {

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

} // namespace

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
            return readRuns(file, view.substr(end), workers);
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
std::optional<QString> Parser::readRuns(QFile &file, std::string_view start, int workers)
{
    RowRuns runs(m_fields, m_latin1, workers);
    ByteBuffer carry;
    carry.append(start.data(), start.size());
    size_t scanned = 0;
    size_t lastOpen = start.rfind('<');
    std::string trailer;
    for (;;) {
        const size_t close = carry.view().find("</", scanned > 0 ? scanned - 1 : 0);
        if (close != std::string_view::npos) {
            trailer = carry.view().substr(close);
            carry.resize(close);
            runs.submit(std::move(carry));
            break;
        }
        scanned = carry.size();
        if (carry.size() >= kRun && lastOpen != std::string_view::npos && lastOpen > 0) {
            ByteBuffer next = runs.spare();
            next.append(carry.data() + lastOpen, carry.size() - lastOpen);
            carry.resize(lastOpen);
            runs.submit(std::move(carry));
            carry = std::move(next);
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
        const size_t open = carry.view().substr(old).rfind('<');
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

} // namespace tablefile

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
    const bool utf8 = tablefile::declaresUtf8(head, skip);
    const int workers = int(std::min(8u, std::thread::hardware_concurrency()));
    QString failure;
    try {
        using tablefile::Parser;
        std::unique_ptr<Parser> parser;
        std::optional<QString> result;
        if (workers >= 2 && file.size() >= tablefile::kParallelFrom) {
            parser = std::make_unique<Parser>(utf8);
            try {
                result = parser->parseInParallel(file, head.sliced(skip), workers);
            } catch (const std::system_error &) {
                result.reset(); // no threads to be had: the plain way
            }
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
        failure = tablefile::kNoMemory;
    }
    throw Error(tableFileUnreadableMessage(path), failure);
}

} // namespace ordovan::store
