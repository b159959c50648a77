#include "textsource.h"

#include "platform/codec.h"

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

class Splitter
{
public:
    Splitter(DelimitedFormat format, TextEncoding encoding, SourceGrid &grid) : m_grid(grid)
    {
        const bool utf8 = encoding == TextEncoding::Utf8;
        for (int b = 0; b < 256; ++b) {
            m_map[b] = codec::cp1252ToUnicode(static_cast<unsigned char>(b));
            m_class[b] = utf8 && b >= 0x80 ? kSequence : kPlain;
        }
        m_class[static_cast<unsigned char>(format.separator)] = kSeparator;
        if (format.qualifier != 0)
            m_class[static_cast<unsigned char>(format.qualifier)] = kQualifier;
    }

    void line(const unsigned char *s, qsizetype n)
    {
        if (m_records == INT_MAX || n > qsizetype(UINT_MAX))
            throw std::bad_alloc();
        // UTF-8 never needs more UTF-16 units than it has bytes, Windows-1252 exactly as many.
        QString text(n, Qt::Uninitialized);
        char16_t *const begin = reinterpret_cast<char16_t *>(text.data());
        char16_t *dst = begin;
        m_ends.clear();
        qsizetype i = 0;
        while (i < n) {
            const unsigned char c = s[i];
            switch (m_class[c]) {
            case kPlain: {
                // Runs of ordinary bytes are the bulk of every line.
                unsigned char b = c;
                do {
                    *dst++ = m_map[b];
                } while (++i < n && m_class[b = s[i]] == kPlain);
                break;
            }
            case kSeparator:
                if (m_inQuotes)
                    *dst++ = m_map[c];
                else
                    m_ends.push_back(quint32(dst - begin));
                ++i;
                break;
            case kQualifier:
                m_inQuotes = !m_inQuotes;
                ++i;
                break;
            default:
                decodeUtf8Sequence(s, n, i, dst);
                break;
            }
        }
        m_ends.push_back(quint32(dst - begin));
        text.truncate(dst - begin);
        m_grid.setColumnFields(m_records, std::move(text), m_ends);
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

    SourceGrid &m_grid;
    char16_t m_map[256];
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

TextReadOutcome readDelimitedFile(const QString &path, DelimitedFormat format, SourceGrid &grid)
{
    // Only regular files: a folder, a pipe or a device would fail, block or never end.
    if (!QFileInfo(path).isFile())
        return TextReadOutcome::CannotOpen;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return TextReadOutcome::CannotOpen;
    try {
        QByteArray bytes;
        constexpr qint64 kChunk = qint64(1) << 20;
        const qint64 size = file.size();
        if (size > 0)
            bytes.reserve(size + kChunk);
        while (true) {
            const qsizetype old = bytes.size();
            bytes.resize(old + kChunk);
            const qint64 got = file.read(bytes.data() + old, kChunk);
            if (got < 0)
                return TextReadOutcome::ReadFailed;
            bytes.resize(old + got);
            if (got == 0)
                break;
        }
        file.close();
        splitDelimited(bytes, format, grid);
    } catch (const std::bad_alloc &) {
        return TextReadOutcome::ReadFailed;
    }
    return TextReadOutcome::Read;
}

} // namespace ordovan::import
