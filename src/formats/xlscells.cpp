#include "xlscells.h"

#include "base/error.h"
#include "sheetbuffer.h"
#include "tabularerrors.h"
#include "tabularreaders.h"
#include "tabularvalues.h"
#include "xlsbytes.h"
#include "xlsstrings.h"

#include <QtEndian>

#include <cstring>

namespace ordovan::formats::xls_cells {

namespace {

namespace tv = tabular_values;
using namespace xls_bytes;
using xls_strings::ContinuedBytes;
using xls_strings::kMaxCellChars;

enum RecordType : quint32
{
    kFormula = 0x0006,
    kEof = 0x000A,
    kFilePass = 0x002F,
    kDateMode = 0x0022,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kArray = 0x0221,
    kTable = 0x0236,
    kRk = 0x027E,
    kFormat = 0x041E,
    kSharedFormula = 0x04BC,
    kBof = 0x0809,
};

constexpr double kDate1904Offset = 1462; // days from 1899-12-30 to 1904-01-01

// A BIFF5 text: a count of one or two bytes, then the bytes in the code page.
QString byteString(QByteArrayView data, qsizetype at, bool shortCount,
                   xls_strings::CodePage &codePage)
{
    const qsizetype count = shortCount ? u8At(data, at) : u16At(data, at);
    const qsizetype start = at + (shortCount ? 1 : 2);
    if (start + count > data.size())
        throw XlsBroken{QStringLiteral("text cut short")};
    return codePage.decode(data.sliced(start, std::min(count, kMaxCellChars)));
}

QString unicodeStringAt(QByteArrayView data, qsizetype at, bool shortCount)
{
    if (at > data.size())
        throw XlsBroken{};
    ContinuedBytes in({data.sliced(at)});
    return xls_strings::unicodeString(in, shortCount);
}

// The sheet's BOF record: where the sheet list says, or else (some writers get the offsets
// wrong) the sheet's place among the substreams after the globals.
qint64 sheetStart(QByteArrayView stream, const Workbook &book, size_t index)
{
    const qint64 offset = book.sheets[index].offset;
    if (offset + 4 <= stream.size() && u16At(stream, offset) == kBof)
        return offset;
    Records records(stream, book.globalsEnd);
    size_t seen = 0;
    int depth = 0;
    qint64 at = records.position();
    Record r;
    while (records.next(r)) {
        if (r.type == kBof && depth++ == 0 && seen++ == index)
            return at;
        if (r.type == kEof && depth > 0)
            --depth;
        at = records.position();
    }
    throw XlsBroken{QStringLiteral("sheet %1 not found").arg(index)};
}

class SheetReader
{
public:
    SheetReader(const Workbook &book, const std::vector<QString> &strings, SheetBuilder &builder,
                const TabularLimits &limits)
        : m_book(book), m_strings(strings), m_builder(builder), m_limits(limits),
          m_codePage(book.codePage)
    {}

    void read(QByteArrayView stream, qint64 offset);

private:
    void add(quint32 row, quint32 column, QString text);
    QString numberText(quint32 xf, double value) const;
    void cell(const Record &r, Records &records);
    void formula(QByteArrayView data, Records &records);
    QString formulaString(Records &records);
    QString label(QByteArrayView data);

    const Workbook &m_book;
    const std::vector<QString> &m_strings;
    SheetBuilder &m_builder;
    const TabularLimits &m_limits;
    xls_strings::CodePage m_codePage;
    qint64 m_cells = 0;
};

void SheetReader::add(quint32 row, quint32 column, QString text)
{
    // Counted here as well: a hostile sheet may repeat one cell millions of times.
    if (++m_cells > m_limits.maxCells)
        throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
    if (text.isEmpty())
        m_builder.touch(column);
    else
        m_builder.add(row, column, std::move(text));
}

// The compressed number form: an integer or the high half of a double, perhaps times 100.
double rkValue(quint32 rk)
{
    double value;
    if (rk & 2) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

QString SheetReader::numberText(quint32 xf, double value) const
{
    return m_book.isDate(xf)
               ? tv::serialDateTimeText(value + (m_book.date1904 ? kDate1904Offset : 0))
               : tv::numberText(value);
}

QString SheetReader::label(QByteArrayView data)
{
    return m_book.biff8 ? unicodeStringAt(data, 6, false) : byteString(data, 6, false, m_codePage);
}

QString SheetReader::formulaString(Records &records)
{
    // The text follows in a STRING record, after the shared or array formula body.
    Record next;
    while (records.next(next) &&
           (next.type == kSharedFormula || next.type == kArray || next.type == kTable)) {
    }
    if (next.type != kString)
        throw XlsBroken{QStringLiteral("text result missing")};
    // A long text goes on in CONTINUE records (in Excel 95 files too, as office suites
    // write them: the bytes just go on).
    std::vector<QByteArrayView> parts{next.data};
    while (records.peekType() == kContinue && records.next(next))
        parts.push_back(next.data);
    ContinuedBytes in(std::move(parts));
    if (m_book.biff8)
        return xls_strings::unicodeString(in);
    const qsizetype count = in.u16();
    QByteArray bytes;
    for (qsizetype i = 0; i < count; ++i) {
        const char c = char(in.byte());
        if (i < kMaxCellChars)
            bytes += c;
    }
    return m_codePage.decode(bytes);
}

void SheetReader::formula(QByteArrayView data, Records &records)
{
    if (data.size() < 20)
        throw XlsBroken{QStringLiteral("formula record too short")};
    const quint32 row = u16At(data, 0), column = u16At(data, 2), xf = u16At(data, 4);
    if (u16At(data, 12) != 0xFFFF) {
        add(row, column, numberText(xf, qFromLittleEndian<double>(data.data() + 6)));
        return;
    }
    switch (uchar(data[6])) {
    case 0:
        add(row, column, formulaString(records));
        return;
    case 1:
        add(row, column, tv::booleanText(data[8] != 0));
        return;
    case 2: {
        QString text = errorText(uchar(data[8]));
        if (text.isEmpty())
            throw XlsBroken{QStringLiteral("unknown error code %1").arg(uchar(data[8]))};
        add(row, column, std::move(text));
        return;
    }
    case 3:
        add(row, column, QString()); // an empty text
        return;
    default:
        throw XlsBroken{QStringLiteral("unknown result type %1").arg(uchar(data[6]))};
    }
}

void SheetReader::cell(const Record &r, Records &records)
{
    const QByteArrayView d = r.data;
    switch (r.type) {
    case kFormula:
        formula(d, records);
        break;
    case kNumber:
        if (d.size() < 14)
            throw XlsBroken{};
        add(u16At(d, 0), u16At(d, 2),
            numberText(u16At(d, 4), qFromLittleEndian<double>(d.data() + 6)));
        break;
    case kRk:
        add(u16At(d, 0), u16At(d, 2), numberText(u16At(d, 4), rkValue(u32At(d, 6))));
        break;
    case kMulRk: {
        // Row, first column, then format and value per cell, then the last column.
        if (d.size() < 12 || (d.size() - 6) % 6 != 0)
            throw XlsBroken{};
        const quint32 row = u16At(d, 0), first = u16At(d, 2);
        for (qsizetype i = 0; i < (d.size() - 6) / 6; ++i)
            add(row, first + quint32(i),
                numberText(u16At(d, 4 + 6 * i), rkValue(u32At(d, 6 + 6 * i))));
        break;
    }
    case kBoolErr: {
        const quint32 value = u8At(d, 6);
        if (u8At(d, 7) == 0) {
            add(u16At(d, 0), u16At(d, 2), tv::booleanText(value != 0));
            break;
        }
        QString text = errorText(int(value));
        if (text.isEmpty())
            throw XlsBroken{QStringLiteral("unknown error code %1").arg(value)};
        add(u16At(d, 0), u16At(d, 2), std::move(text));
        break;
    }
    case kLabel:
    case kRString:
        add(u16At(d, 0), u16At(d, 2), label(d));
        break;
    case kLabelSst: {
        const quint32 index = u32At(d, 6);
        if (index >= m_strings.size())
            throw XlsBroken{QStringLiteral("shared string %1 missing").arg(index)};
        add(u16At(d, 0), u16At(d, 2), m_strings[index]);
        break;
    }
    default:
        break;
    }
}

void SheetReader::read(QByteArrayView stream, qint64 offset)
{
    Records records(stream, offset);
    Record r;
    if (!records.next(r) || r.type != kBof)
        throw XlsBroken{QStringLiteral("sheet has no start")};
    // Charts inside a sheet are substreams of their own, from BOF to EOF.
    int depth = 1;
    while (records.next(r)) {
        if (r.type == kBof) {
            ++depth;
        } else if (r.type == kEof) {
            if (--depth == 0)
                return;
        } else if (r.type == kFilePass) {
            throw XlsEncrypted{};
        } else if (depth == 1) {
            cell(r, records);
        }
    }
    throw XlsBroken{QStringLiteral("sheet has no end")};
}

} // namespace

bool Workbook::isDate(quint32 xf) const
{
    if (xf >= xfFormats.size())
        return false;
    const quint32 format = xfFormats[xf];
    const auto custom = formats.constFind(format);
    return custom != formats.cend() ? isDateFormatCode(*custom) : isBuiltInDateFormat(int(format));
}

QStringList Workbook::worksheetNames() const
{
    QStringList names;
    for (const Sheet &sheet : sheets) {
        if (sheet.worksheet && !sheet.name.isEmpty())
            names << sheet.name;
    }
    return names;
}

Workbook readWorkbook(QByteArrayView stream)
{
    Workbook book;
    Records records(stream, 0);
    Record r;
    if (!records.next(r) || r.type != kBof)
        throw XlsBroken{QStringLiteral("no workbook globals")};
    const quint32 version = u16At(r.data, 0);
    if (version != 0x0600 && version != 0x0500)
        throw XlsBroken{QStringLiteral("BIFF version %1").arg(version, 4, 16)};
    book.biff8 = version == 0x0600;
    // Excel 95 names its sheets in the code page, which may come after them.
    std::vector<QByteArray> byteNames;
    xls_strings::CodePage formatCodes(1252);
    for (qint64 at = records.position(); records.next(r); at = records.position()) {
        switch (r.type) {
        case kEof: {
            book.globalsEnd = records.position();
            xls_strings::CodePage codePage(book.codePage);
            for (size_t i = 0; i < byteNames.size(); ++i)
                book.sheets[i].name = codePage.decode(byteNames[i]);
            return book;
        }
        case kFilePass:
            throw XlsEncrypted{};
        case kCodePage:
            book.codePage = int(u16At(r.data, 0));
            break;
        case kDateMode:
            book.date1904 = u16At(r.data, 0) == 1;
            break;
        case kBoundSheet: {
            Workbook::Sheet sheet;
            sheet.offset = u32At(r.data, 0);
            sheet.worksheet = u8At(r.data, 5) == 0;
            if (book.biff8) {
                sheet.name = unicodeStringAt(r.data, 6, true);
            } else {
                const qsizetype count = u8At(r.data, 6);
                if (7 + count > r.data.size())
                    throw XlsBroken{QStringLiteral("sheet name cut short")};
                byteNames.emplace_back(r.data.sliced(7, count).toByteArray());
            }
            book.sheets.push_back(std::move(sheet));
            break;
        }
        case kXf:
            // A short one keeps its place, so the ones after it keep their numbers.
            book.xfFormats.push_back(r.data.size() >= 4 ? u16At(r.data, 2) : 0);
            break;
        case kFormat:
            // Only read to tell dates: the code's ASCII letters are what counts.
            if (r.data.size() >= 3) {
                book.formats.insert(u16At(r.data, 0),
                                    book.biff8 ? unicodeStringAt(r.data, 2, false)
                                               : byteString(r.data, 2, true, formatCodes));
            }
            break;
        case kSst:
            book.sharedStringsAt = at;
            break;
        default:
            break;
        }
    }
    throw XlsBroken{QStringLiteral("workbook globals have no end")};
}

std::vector<QString> readSharedStrings(QByteArrayView stream, const Workbook &book,
                                       const TabularLimits &limits)
{
    if (!book.biff8 || book.sharedStringsAt < 0)
        return {};
    Records records(stream, book.sharedStringsAt);
    Record r;
    records.next(r);
    std::vector<QByteArrayView> parts{r.data};
    while (records.peekType() == kContinue && records.next(r))
        parts.push_back(r.data);
    return xls_strings::sharedStrings(std::move(parts), limits);
}

void readSheet(QByteArrayView stream, const Workbook &book, const std::vector<QString> &strings,
               int worksheet, SheetBuilder &builder, const TabularLimits &limits)
{
    int seen = -1;
    for (size_t i = 0; i < book.sheets.size(); ++i) {
        const Workbook::Sheet &sheet = book.sheets[i];
        if (!sheet.worksheet || sheet.name.isEmpty() || ++seen != worksheet)
            continue;
        SheetReader(book, strings, builder, limits).read(stream, sheetStart(stream, book, i));
        return;
    }
    throw XlsBroken{QStringLiteral("no worksheet %1").arg(worksheet)};
}

QString errorText(int code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    case 0x2B:
        return QStringLiteral("#GETTING_DATA");
    default:
        return {};
    }
}

} // namespace ordovan::formats::xls_cells
