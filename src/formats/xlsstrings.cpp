#include "xlsstrings.h"

#include "base/codec.h"
#include "base/error.h"
#include "tabularerrors.h"

#include <algorithm>

namespace ordovan::formats::xls_strings {

using xls_bytes::XlsBroken;

CodePage::CodePage(int number)
{
    // No record, US-ASCII, UTF-16 (which leaves byte strings to Latin-1 anyway) and both
    // numbers Excel writes for Windows-1252 take the program's own table.
    if (number == 0 || number == 367 || number == 1200 || number == 1252 || number == 0x8001)
        return;
    QList<QByteArray> names;
    if (number == 10000 || number == 0x8000)
        names << "macintosh";
    const QByteArray digits = QByteArray::number(number);
    names << "windows-" + digits << "cp" + digits << "IBM" + digits;
    for (const QByteArray &name : names) {
        QStringDecoder decoder(name.constData());
        if (decoder.isValid()) {
            m_decoder.emplace(std::move(decoder));
            m_cp1252 = false;
            return;
        }
    }
    // An unknown code page: Windows-1252 keeps at least the ASCII letters and digits right.
}

QString CodePage::decode(QByteArrayView bytes)
{
    if (m_cp1252)
        return codec::fromCp1252(bytes);
    m_decoder->resetState();
    return m_decoder->decode(bytes);
}

bool ContinuedBytes::nextPart()
{
    if (m_part >= m_parts.size())
        return false;
    ++m_part;
    m_at = 0;
    return m_part < m_parts.size();
}

bool ContinuedBytes::atEnd()
{
    while (m_part < m_parts.size() && m_at >= m_parts[m_part].size())
        nextPart();
    return m_part >= m_parts.size();
}

quint32 ContinuedBytes::byte()
{
    if (atEnd())
        throw XlsBroken{};
    return uchar(m_parts[m_part][m_at++]);
}

void ContinuedBytes::skip(qint64 count)
{
    while (count > 0) {
        if (atEnd())
            throw XlsBroken{};
        const qint64 here = std::min<qint64>(count, m_parts[m_part].size() - m_at);
        m_at += qsizetype(here);
        count -= here;
    }
}

void ContinuedBytes::chars(QString &to, qsizetype count, bool wide, qsizetype keep)
{
    qsizetype done = 0;
    int cutLow = -1; // the low byte of a character cut in two by the end of a part
    const auto append = [&](char16_t c) {
        if (done++ < keep)
            to += QChar(c);
    };
    while (done < count) {
        if (m_part >= m_parts.size())
            throw XlsBroken{QStringLiteral("text cut short")};
        QByteArrayView part = m_parts[m_part];
        if (m_at >= part.size()) {
            if (!nextPart())
                throw XlsBroken{QStringLiteral("text cut short")};
            part = m_parts[m_part];
            if (part.isEmpty())
                continue;
            if (cutLow >= 0) {
                append(char16_t(cutLow | uchar(part[0]) << 8));
                cutLow = -1;
                m_at = 1;
            } else if (uchar(part[0]) <= 1) {
                wide = part[0] & 1;
                m_at = 1;
            }
            continue;
        }
        const int width = wide ? 2 : 1;
        const qsizetype take = std::min((part.size() - m_at) / width, count - done);
        for (qsizetype i = 0; i < take; ++i) {
            const qsizetype at = m_at + i * width;
            append(wide ? char16_t(uchar(part[at]) | uchar(part[at + 1]) << 8)
                        : char16_t(uchar(part[at])));
        }
        m_at += take * width;
        if (done < count && m_at == part.size() - 1) {
            cutLow = uchar(part[m_at]);
            m_at = part.size();
        }
    }
}

QString unicodeString(ContinuedBytes &in, bool shortCount, qint64 *tail)
{
    const qsizetype count = shortCount ? in.byte() : in.u16();
    const quint32 flags = in.byte();
    const quint32 runs = (tail && (flags & 0x08)) ? in.u16() : 0;
    const quint32 phonetic = (tail && (flags & 0x04)) ? in.u32() : 0;
    QString text;
    text.reserve(std::min(count, kMaxCellChars));
    in.chars(text, count, flags & 0x01);
    if (tail)
        *tail = qint64(runs) * 4 + phonetic;
    return text;
}

std::vector<QString> sharedStrings(std::vector<QByteArrayView> parts, const TabularLimits &limits)
{
    ContinuedBytes in(std::move(parts));
    in.u32(); // references to the strings in the workbook
    const quint32 unique = in.u32();
    std::vector<QString> strings;
    strings.reserve(std::min<quint32>(unique, 65536));
    qint64 chars = 0;
    // A count that promises more than the records hold ends at their end; a cell that
    // refers past it is caught where it is read.
    while (strings.size() < unique && !in.atEnd()) {
        qint64 tail = 0;
        QString text = unicodeString(in, false, &tail);
        in.skip(tail);
        chars += text.size();
        if (chars > limits.maxTextChars)
            throw Error(tabular_errors::tooMuchText());
        if (qint64(strings.size()) >= limits.maxCells)
            throw Error(tabular_errors::tooManyCells(limits.maxCells));
        strings.push_back(std::move(text));
    }
    return strings;
}

} // namespace ordovan::formats::xls_strings
