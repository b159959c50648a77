#include "textsource.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/codec.h"

#include <QFile>
#include <QFileInfo>

#include <climits>
#include <cstring>
#include <new>

namespace ordovan::import {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

bool startsWithBom(QByteArrayView bytes)
{
    return bytes.size() >= 3 && std::memcmp(bytes.data(), kBom, 3) == 0;
}

// Decodes one UTF-8 sequence starting at s[i] (a byte >= 0x80) into dst and advances i.
// Malformed sequences give U+FFFD for their first byte, so decoding never stops.
void decodeUtf8Sequence(const unsigned char *s, qsizetype n, qsizetype &i, char16_t *&dst)
{
    const unsigned char c = s[i];
    int extra = 0;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3;
        cp = c & 0x07;
    }
    bool ok = extra > 0 && i + extra < n;
    for (int k = 1; ok && k <= extra; ++k) {
        if ((s[i + k] & 0xC0) != 0x80)
            ok = false;
        else
            cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
               (cp >= 0xD800 && cp <= 0xDFFF)))
        ok = false;
    if (!ok) {
        *dst++ = 0xFFFD;
        ++i;
        return;
    }
    if (cp >= 0x10000) {
        *dst++ = QChar::highSurrogate(cp);
        *dst++ = QChar::lowSurrogate(cp);
    } else {
        *dst++ = char16_t(cp);
    }
    i += extra + 1;
}

// Splits lines into fields. A Windows-1252 source stays in its bytes (the grid keeps them
// so); a UTF-8 source is decoded to UTF-16.
class Splitter
{
public:
    Splitter(DelimitedFormat format, TextEncoding encoding, SourceGrid &grid)
        : m_utf8(encoding == TextEncoding::Utf8),
          m_sep(static_cast<unsigned char>(format.separator)),
          m_qual(static_cast<unsigned char>(format.qualifier != 0 ? format.qualifier
                                                                  : format.separator)),
          m_grid(grid)
    {
        for (int b = 0; b < 256; ++b)
            m_class[b] = m_utf8 && b >= 0x80 ? kSequence : kPlain;
        m_class[static_cast<unsigned char>(format.separator)] = kSeparator;
        if (format.qualifier != 0)
            m_class[static_cast<unsigned char>(format.qualifier)] = kQualifier;
    }

    void line(const unsigned char *s, qsizetype n)
    {
        if (m_records == INT_MAX || n > qsizetype(UINT_MAX))
            throw std::bad_alloc();
        m_ends.clear();
        if (m_utf8) {
            // UTF-8 never needs more UTF-16 units than it has bytes.
            QString text(n, Qt::Uninitialized);
            auto *begin = reinterpret_cast<char16_t *>(text.data());
            text.truncate(split(s, n, begin) - begin);
            m_grid.setColumnFields(m_records, std::move(text), m_ends);
        } else {
            QByteArray bytes(n, Qt::Uninitialized);
            auto *begin = reinterpret_cast<unsigned char *>(bytes.data());
            bytes.truncate(splitBytes(s, n, begin) - begin);
            m_grid.setColumnFields(m_records, std::move(bytes), m_ends);
        }
        if (m_ends.size() > size_t(m_maxFields))
            m_maxFields = m_ends.size() > size_t(INT_MAX) ? INT_MAX : int(m_ends.size());
        ++m_records;
    }

    void finish()
    {
        m_grid.setRowCount(m_maxFields);
        m_grid.setColumnCount(m_records);
    }

private:
    enum : unsigned char
    {
        kPlain,
        kSeparator,
        kQualifier,
        kSequence
    };

    // Writes the field texts of the line to out and their ends to m_ends; returns the end of
    // what it wrote.
    template<typename Unit>
    Unit *split(const unsigned char *s, qsizetype n, Unit *const begin)
    {
        Unit *dst = begin;
        qsizetype i = 0;
        while (i < n) {
            const unsigned char c = s[i];
            switch (m_class[c]) {
            case kPlain: {
                // Runs of ordinary bytes are the bulk of every line.
                unsigned char b = c;
                do {
                    *dst++ = Unit(b);
                } while (++i < n && m_class[b = s[i]] == kPlain);
                break;
            }
            case kSeparator:
                if (m_inQuotes)
                    *dst++ = Unit(c);
                else
                    m_ends.push_back(quint32(dst - begin));
                ++i;
                break;
            case kQualifier:
                m_inQuotes = !m_inQuotes;
                ++i;
                break;
            default:
                if constexpr (std::is_same_v<Unit, char16_t>)
                    decodeUtf8Sequence(s, n, i, dst);
                else
                    ++i; // no such class without UTF-8
                break;
            }
        }
        m_ends.push_back(quint32(dst - begin));
        return dst;
    }

    // The same for Windows-1252, where every byte but the separator and the qualifier is text.
    unsigned char *splitBytes(const unsigned char *s, qsizetype n, unsigned char *const begin)
    {
        unsigned char *dst = begin;
        const unsigned char sep = m_sep;
        const unsigned char qual = m_qual;
        qsizetype i = 0;
#if defined(__SSE2__)
        const __m128i seps = _mm_set1_epi8(char(sep));
        const __m128i quals = _mm_set1_epi8(char(qual));
#endif
        while (i < n) {
#if defined(__SSE2__)
            // Sixteen ordinary bytes at a time. The output never runs ahead of the input, so
            // a full store at dst stays inside the buffer of n bytes.
            while (i + 16 <= n) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
                const int special = _mm_movemask_epi8(
                    _mm_or_si128(_mm_cmpeq_epi8(v, seps), _mm_cmpeq_epi8(v, quals)));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), v);
                if (special == 0) {
                    dst += 16;
                    i += 16;
                    continue;
                }
                const int plain = __builtin_ctz(unsigned(special));
                dst += plain;
                i += plain;
                break;
            }
            if (i >= n)
                break;
#endif
            const unsigned char c = s[i++];
            if (c == sep) {
                if (m_inQuotes)
                    *dst++ = c;
                else
                    m_ends.push_back(quint32(dst - begin));
            } else if (c == qual) {
                m_inQuotes = !m_inQuotes;
            } else {
                *dst++ = c;
            }
        }
        m_ends.push_back(quint32(dst - begin));
        return dst;
    }

    const bool m_utf8;
    const unsigned char m_sep;
    const unsigned char m_qual; // the separator again when there is none
    SourceGrid &m_grid;
    unsigned char m_class[256];
    bool m_inQuotes = false; // once per file, not per line
    int m_records = 0;
    int m_maxFields = 0;
    std::vector<quint32> m_ends;
};

} // namespace

TextEncoding detectEncoding(QByteArrayView bytes)
{
    if (startsWithBom(bytes) || codec::isUtf8WithMultibyte(bytes))
        return TextEncoding::Utf8;
    return TextEncoding::Windows1252;
}

void splitDelimited(QByteArrayView bytes, DelimitedFormat format, SourceGrid &grid)
{
    const TextEncoding encoding = detectEncoding(bytes);
    if (startsWithBom(bytes))
        bytes = bytes.sliced(3);
    Splitter splitter(format, encoding, grid);
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype pos = 0;
    while (pos < n) {
        const void *lf = std::memchr(s + pos, '\n', size_t(n - pos));
        const qsizetype end = lf ? static_cast<const unsigned char *>(lf) - s : n;
        qsizetype len = end - pos;
        if (lf && len > 0 && s[end - 1] == '\r')
            --len;
        splitter.line(s + pos, len);
        pos = lf ? end + 1 : n;
    }
    splitter.finish();
}

namespace {

// Whether the lines seen so far are valid UTF-8, and whether they hold multi-byte sequences.
// Line ends are ASCII and never inside a sequence, so checking line by line checks the file.
struct Utf8Scan
{
    bool valid = true;
    bool multibyte = false;

    void feed(const unsigned char *s, qsizetype n)
    {
        qsizetype i = 0;
        while (valid && i < n) {
            // ASCII eight bytes at a time.
            while (n - i >= 8) {
                quint64 w;
                std::memcpy(&w, s + i, 8);
                if (w & 0x8080808080808080ULL)
                    break;
                i += 8;
            }
            if (i >= n)
                break;
            if (s[i] < 0x80) {
                ++i;
                continue;
            }
            char16_t unit[2];
            char16_t *dst = unit;
            const qsizetype before = i;
            decodeUtf8Sequence(s, n, i, dst);
            // A malformed sequence is passed over one byte at a time; a valid one is longer.
            if (i - before == 1)
                valid = false;
            multibyte = true;
        }
    }
};

// Reads the file from the offset in large chunks and hands each line (without LF, and
// without the CR of a CR LF) to f. False when reading fails; the lines before stay handed.
template<typename F>
bool forEachLine(QFile &file, qint64 offset, F &&f, const ReadProgress &progress)
{
    if (!file.seek(offset))
        return false;
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    QByteArray buffer(kChunk, Qt::Uninitialized);
    qsizetype have = 0;
    while (true) {
        if (have == buffer.size())
            buffer.resize(buffer.size() * 2); // a line longer than the buffer
        const qint64 got = file.read(buffer.data() + have, buffer.size() - have);
        if (got < 0)
            return false;
        have += got;
        if (progress)
            progress(file.pos(), file.size());
        const auto *s = reinterpret_cast<const unsigned char *>(buffer.constData());
        qsizetype pos = 0;
        while (const void *lf = std::memchr(s + pos, '\n', size_t(have - pos))) {
            const qsizetype end = static_cast<const unsigned char *>(lf) - s;
            f(s + pos, end > pos && s[end - 1] == '\r' ? end - 1 - pos : end - pos);
            pos = end + 1;
        }
        if (got == 0) {
            if (pos < have)
                f(s + pos, have - pos); // the last line, without a line end
            return true;
        }
        std::memmove(buffer.data(), buffer.constData() + pos, size_t(have - pos));
        have -= pos;
    }
}

} // namespace

TextReadOutcome readDelimitedFile(const QString &path, DelimitedFormat format, SourceGrid &grid,
                                  const ReadProgress &progress)
{
    // Only regular files: a folder, a pipe or a device would fail, block or never end.
    if (!QFileInfo(path).isFile())
        return TextReadOutcome::CannotOpen;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return TextReadOutcome::CannotOpen;
    try {
        // The file is streamed, never held whole. It is split as Windows-1252 while it is
        // checked for UTF-8; only a file that turns out to be UTF-8 is split a second time.
        char head[3];
        const qint64 headSize = file.read(head, 3);
        if (headSize < 0)
            return TextReadOutcome::ReadFailed;
        const bool bom = headSize == 3 && std::memcmp(head, kBom, 3) == 0;
        Splitter splitter(format, bom ? TextEncoding::Utf8 : TextEncoding::Windows1252, grid);
        Utf8Scan scan;
        const bool read = forEachLine(
            file, bom ? 3 : 0,
            [&](const unsigned char *s, qsizetype n) {
                if (!bom)
                    scan.feed(s, n);
                splitter.line(s, n);
            },
            progress);
        if (!read)
            return TextReadOutcome::ReadFailed;
        if (bom || !scan.valid || !scan.multibyte) {
            splitter.finish();
            return TextReadOutcome::Read;
        }
        Splitter utf8(format, TextEncoding::Utf8, grid);
        if (!forEachLine(
                file, 0, [&](const unsigned char *s, qsizetype n) { utf8.line(s, n); }, progress))
            return TextReadOutcome::ReadFailed;
        utf8.finish();
    } catch (const std::bad_alloc &) {
        return TextReadOutcome::ReadFailed;
    }
    return TextReadOutcome::Read;
}

} // namespace ordovan::import
