#pragma once

#include "tabular.h"
#include "xlsbytes.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <optional>
#include <vector>

// The texts of .xls workbooks. Excel 97 and later (BIFF8) store UTF-16, written with one byte
// a character when every character fits (the high byte left out); Excel 5.0/95 (BIFF5)
// stores bytes in the workbook's code page. Long BIFF8 texts go on in CONTINUE records, each
// starting with a byte that says the width of the characters that follow.

namespace ordovan::formats::xls_strings {

constexpr qsizetype kMaxCellChars = 32767; // what a spreadsheet cell holds at most

// Bytes in the code page of a CODEPAGE record (1252 when there is none).
class CodePage
{
public:
    explicit CodePage(int number = 1252);
    QString decode(QByteArrayView bytes);

private:
    bool m_cp1252 = true;
    std::optional<QStringDecoder> m_decoder;
};

// A record's data and the data of the CONTINUE records after it, read as one.
class ContinuedBytes
{
public:
    explicit ContinuedBytes(std::vector<QByteArrayView> parts) : m_parts(std::move(parts)) {}

    bool atEnd();
    quint32 byte();
    quint32 u16() { return byte() | byte() << 8; }
    quint32 u32() { return u16() | u16() << 16; }
    void skip(qint64 count);
    // count characters, one or two bytes each, of which the first keep are appended. A part
    // the characters go on in starts with a width byte; writers that leave it out (and
    // then even split a character) are read as well.
    void chars(QString &to, qsizetype count, bool wide, qsizetype keep = kMaxCellChars);

private:
    bool nextPart();

    std::vector<QByteArrayView> m_parts;
    size_t m_part = 0;
    qsizetype m_at = 0;
};

// A BIFF8 string: a count of characters (two bytes, or one with shortCount), a flags byte,
// the characters. With tail it is a shared string, whose flags may announce formatting runs
// and a phonetic block after the characters: tail receives their size, to be skipped.
QString unicodeString(ContinuedBytes &in, bool shortCount = false, qint64 *tail = nullptr);

// The shared strings of a BIFF8 workbook: the SST record and its CONTINUE records. Throws
// XlsBroken when they cannot be followed and Error past the limits.
std::vector<QString> sharedStrings(std::vector<QByteArrayView> parts, const TabularLimits &limits);

} // namespace ordovan::formats::xls_strings
