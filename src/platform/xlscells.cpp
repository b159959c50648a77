#include "xlscells.h"

#include "error.h"
#include "tabularerrors.h"
#include "tabularreaders.h"
#include "tabularvalues.h"
#include "xlsbytes.h"
#include "xlscompound.h"

#include <QHash>
#include <QtEndian>

#include <cstring>

namespace ordovan::platform::xls_cells {

namespace {

namespace tv = tabular_values;

enum RecordType : quint32
{
    kFormula = 0x0006,
    kEof = 0x000A,
    kFilePass = 0x002F,
    kDateMode = 0x0022,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kXf = 0x00E0,
    kBoolErr = 0x0205,
    kNumber = 0x0203,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kString = 0x0207,
    kArray = 0x0221,
    kTable = 0x0236,
    kFormat = 0x041E,
    kSharedFormula = 0x04BC,
    kBof = 0x0809,
};

constexpr int kMaxCellChars = 32767;
constexpr double kDate1904Offset = 1462; // days from 1899-12-30 to 1904-01-01

// The records could not be followed.
using Broken = xls_bytes::XlsBroken;
using xls_bytes::u16At;
using xls_bytes::u32At;
// A formula, boolean or error cell that cannot be read.
struct Refusal
{
    QString detail;
};

uchar byteAt(QByteArrayView b, qsizetype at)
{
    if (at < 0 || at >= b.size())
        throw Broken{};
    return uchar(b[at]);
}

// Characters of a BIFF8 string: one byte each (the high byte left out) or UTF-16.
void appendChars(QString &to, QByteArrayView b, qsizetype at, qsizetype count, bool wide)
{
    if (count < 0 || at < 0 || at + count * (wide ? 2 : 1) > b.size())
        throw Broken{};
    for (qsizetype i = 0; i < count; ++i)
        to += wide ? QChar(char16_t(u16At(b, at + 2 * i))) : QChar(char16_t(uchar(b[at + i])));
}

struct Record
{
    quint32 type = 0;
    QByteArrayView data;
};

class Records
{
public:
    Records(QByteArrayView stream, qint64 at) : m_stream(stream), m_at(at)
    {
        if (at < 0 || at > stream.size())
            throw Broken{};
    }
    // False at the end of the stream; a record that runs past it is Broken.
    bool next(Record &record)
    {
        if (m_at == m_stream.size())
            return false;
        record.type = u16At(m_stream, m_at);
        const qint64 size = u16At(m_stream, m_at + 2);
        if (m_at + 4 + size > m_stream.size())
            throw Broken{};
        record.data = m_stream.sliced(m_at + 4, size);
        m_at += 4 + size;
        return true;
    }

private:
    QByteArrayView m_stream;
    qint64 m_at;
};

struct Workbook
{
    bool biff8 = true;
    bool date1904 = false;
    std::vector<quint32> xfFormats; // number format of each cell format
    QHash<quint32, QString> formats;
    struct Sheet
    {
        quint32 offset = 0;
        QString name;
    };
    std::vector<Sheet> sheets;

    bool isDate(quint32 xf) const
    {
        if (xf >= xfFormats.size())
            return false;
        const quint32 format = xfFormats[xf];
        const auto custom = formats.constFind(format);
        return custom != formats.cend() ? isDateFormatCode(*custom)
                                        : isBuiltInDateFormat(int(format));
    }
};

QString boundSheetName(QByteArrayView data, bool biff8)
{
    const qsizetype count = byteAt(data, 6);
    QString name;
    if (biff8)
        appendChars(name, data, 8, count, byteAt(data, 7) & 1);
    else
        appendChars(name, data, 7, count, false);
    return name;
}

Workbook readGlobals(QByteArrayView stream)
{
    Workbook book;
    Records records(stream, 0);
    Record r;
    if (!records.next(r) || r.type != kBof)
        throw Broken{};
    const quint32 version = u16At(r.data, 0);
    if (version != 0x0600 && version != 0x0500)
        throw Broken{};
    book.biff8 = version == 0x0600;
    while (records.next(r)) {
        switch (r.type) {
        case kEof:
            return book;
        case kFilePass:
            throw Broken{}; // encrypted: nothing below can be read
        case kDateMode:
            book.date1904 = u16At(r.data, 0) == 1;
            break;
        case kBoundSheet:
            book.sheets.push_back({u32At(r.data, 0), boundSheetName(r.data, book.biff8)});
            break;
        case kXf:
            // A short one keeps its place, so the ones after it keep their numbers.
            book.xfFormats.push_back(r.data.size() >= 4 ? u16At(r.data, 2) : 0);
            break;
        case kFormat:
            if (book.biff8 && r.data.size() >= 5) {
                QString code;
                appendChars(code, r.data, 5, qsizetype(u16At(r.data, 2)), r.data[4] & 1);
                book.formats.insert(u16At(r.data, 0), code);
            }
            break;
        default:
            break;
        }
    }
    throw Broken{}; // no end of the globals
}

QString formulaString(QByteArrayView data, Records &records)
{
    // A text result: a character count, a flag (bit 0: two bytes a character), then the
    // characters, continued in CONTINUE records. Excel starts each continuation with a flag
    // of its own; Gnumeric goes on with the bytes as they are, even inside a character.
    const qsizetype count = u16At(data, 0);
    uchar flags = byteAt(data, 2);
    qsizetype at = 3 + ((flags & 0x08) ? 2 : 0) + ((flags & 0x04) ? 4 : 0);
    QString text;
    text.reserve(count);
    QByteArray split; // a character cut in two by the end of a record
    while (text.size() < count) {
        const int width = (flags & 1) ? 2 : 1;
        if (at >= data.size()) {
            Record more;
            if (!records.next(more) || more.type != kContinue || more.data.isEmpty())
                throw Refusal{QStringLiteral("text result cut short")};
            data = more.data;
            at = 0;
            if (split.isEmpty() && uchar(data[0]) <= 1) {
                flags = uchar(data[0]);
                at = 1;
            } else if (!split.isEmpty()) {
                split += data[0];
                text += QChar(char16_t(u16At(split, 0)));
                split.clear();
                at = 1;
            }
            continue;
        }
        const qsizetype wanted = count - text.size();
        const qsizetype here = std::min((data.size() - at) / width, wanted);
        appendChars(text, data, at, here, width == 2);
        at += here * width;
        if (here < wanted && at == data.size() - 1) {
            split = QByteArray(1, data[at]);
            at = data.size();
        }
    }
    return text.left(kMaxCellChars);
}

class SheetReader
{
public:
    SheetReader(const Workbook &book, const TabularLimits &limits) : m_book(book), m_limits(limits)
    {}

    std::vector<Cell> read(QByteArrayView stream, quint32 offset);
    bool sawCells() const { return m_sawCells; }

private:
    void add(quint32 row, quint32 column, QString text);
    void number(quint32 row, quint32 column, quint32 xf, double value)
    {
        add(row, column, numberText(xf, value));
    }
    QString numberText(quint32 xf, double value) const;
    void formula(QByteArrayView data, Records &records);

    const Workbook &m_book;
    const TabularLimits &m_limits;
    std::vector<Cell> m_cells;
    qint64 m_chars = 0;
    bool m_sawCells = false;
};

void SheetReader::add(quint32 row, quint32 column, QString text)
{
    // Bounded here already: a hostile sheet may repeat one cell millions of times.
    m_chars += text.size();
    if (qint64(m_cells.size()) >= m_limits.maxCells)
        throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
    if (m_chars > m_limits.maxTextChars)
        throw Error(tabular_errors::tooMuchText());
    m_cells.push_back({qint32(row), qint32(column), std::move(text)});
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

void SheetReader::formula(QByteArrayView data, Records &records)
{
    if (!m_book.biff8)
        throw Refusal{QStringLiteral("formula of Excel 95 or older")};
    if (data.size() < 20)
        throw Refusal{QStringLiteral("formula record too short")};
    const quint32 row = u16At(data, 0), column = u16At(data, 2), xf = u16At(data, 4);
    if (u16At(data, 12) != 0xFFFF) {
        add(row, column, numberText(xf, qFromLittleEndian<double>(data.data() + 6)));
        return;
    }
    switch (uchar(data[6])) {
    case 0: {
        // The text follows in a STRING record, after the shared or array formula body.
        Record next;
        while (records.next(next) &&
               (next.type == kSharedFormula || next.type == kArray || next.type == kTable)) {
        }
        if (next.type != kString)
            throw Refusal{QStringLiteral("text result missing")};
        try {
            add(row, column, formulaString(next.data, records));
        } catch (const Broken &) {
            throw Refusal{QStringLiteral("text result damaged")};
        }
        return;
    }
    case 1:
        add(row, column, tv::booleanText(data[8] != 0));
        return;
    case 2: {
        QString text = errorText(uchar(data[8]));
        if (text.isEmpty())
            throw Refusal{QStringLiteral("unknown error code %1").arg(uchar(data[8]))};
        add(row, column, std::move(text));
        return;
    }
    case 3:
        return; // an empty text
    default:
        throw Refusal{QStringLiteral("unknown result type %1").arg(uchar(data[6]))};
    }
}

std::vector<Cell> SheetReader::read(QByteArrayView stream, quint32 offset)
{
    Records records(stream, offset);
    Record r;
    if (!records.next(r) || r.type != kBof)
        throw Broken{};
    // Charts inside a sheet are substreams of their own, from BOF to EOF.
    int depth = 1;
    while (records.next(r)) {
        if (r.type == kBof) {
            ++depth;
        } else if (r.type == kEof) {
            if (--depth == 0)
                return std::move(m_cells);
        } else if (depth > 1) {
            continue;
        } else if (r.type == kFormula) {
            m_sawCells = true;
            formula(r.data, records);
        } else if (r.type == kNumber) {
            if (r.data.size() < 14)
                throw Broken{};
            number(u16At(r.data, 0), u16At(r.data, 2), u16At(r.data, 4),
                   qFromLittleEndian<double>(r.data.data() + 6));
        } else if (r.type == kRk) {
            if (r.data.size() < 10)
                throw Broken{};
            number(u16At(r.data, 0), u16At(r.data, 2), u16At(r.data, 4), rkValue(u32At(r.data, 6)));
        } else if (r.type == kMulRk) {
            // Row, first column, then format and value per cell, then the last column.
            const qsizetype count = (r.data.size() - 6) / 6;
            if (r.data.size() < 12 || (r.data.size() - 6) % 6 != 0)
                throw Broken{};
            const quint32 row = u16At(r.data, 0), first = u16At(r.data, 2);
            for (qsizetype i = 0; i < count; ++i)
                number(row, first + quint32(i), u16At(r.data, 4 + 6 * i),
                       rkValue(u32At(r.data, 6 + 6 * i)));
        } else if (r.type == kBoolErr) {
            m_sawCells = true;
            if (r.data.size() < 8)
                throw Refusal{QStringLiteral("boolean or error record too short")};
            const quint32 row = u16At(r.data, 0), column = u16At(r.data, 2);
            const uchar value = uchar(r.data[6]);
            if (r.data[7] == 0) {
                add(row, column, tv::booleanText(value != 0));
            } else {
                QString text = errorText(value);
                if (text.isEmpty())
                    throw Refusal{QStringLiteral("unknown error code %1").arg(value)};
                add(row, column, std::move(text));
            }
        }
    }
    throw Broken{}; // the sheet has no end
}

} // namespace

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

SheetCells readSheetCells(QByteArrayView file, int sheetIndex, const QStringList &sheetNames,
                          const TabularLimits &limits)
{
    SheetCells result;
    const std::optional<QByteArray> stream = readCompoundStream(
        file, {QStringLiteral("Workbook"), QStringLiteral("Book")}, limits.maxFileBytes);
    if (!stream) {
        result.detail = QStringLiteral("no readable workbook stream");
        return result;
    }
    Workbook book;
    try {
        book = readGlobals(*stream);
    } catch (const Broken &) {
        result.detail = QStringLiteral("workbook records damaged");
        return result;
    }
    // The sheets must be the ones FreeXL lists, in its order.
    bool same = book.sheets.size() == size_t(sheetNames.size()) && sheetIndex >= 0 &&
                sheetIndex < sheetNames.size();
    for (size_t i = 0; same && book.biff8 && i < book.sheets.size(); ++i)
        same = book.sheets[i].name == sheetNames[qsizetype(i)];
    if (!same) {
        result.detail = QStringLiteral("sheet list differs");
        return result;
    }
    SheetReader reader(book, limits);
    try {
        result.cells = reader.read(*stream, book.sheets[size_t(sheetIndex)].offset);
        result.outcome = Outcome::Read;
    } catch (const Broken &) {
        result.outcome = reader.sawCells() ? Outcome::Refused : Outcome::Unreadable;
        result.detail = QStringLiteral("sheet records damaged");
    } catch (const Refusal &refusal) {
        result.outcome = Outcome::Refused;
        result.detail = refusal.detail;
    }
    return result;
}

} // namespace ordovan::platform::xls_cells
