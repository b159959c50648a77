#include "tabularxlswriter.h"

#include "base/codec.h"

#include <QtEndian>

#include <stdexcept>

namespace ordovan::test::xls {

namespace {

constexpr quint32 kEnd = 0xFFFFFFFE;
constexpr quint32 kFree = 0xFFFFFFFF;

void put8(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xff));
}

void put16(QByteArray &out, quint32 v)
{
    put8(out, v);
    put8(out, v >> 8);
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

void putDouble(QByteArray &out, double v)
{
    char bytes[8];
    qToLittleEndian(v, bytes);
    out.append(bytes, 8);
}

void putWide(QByteArray &out, QStringView text)
{
    for (const QChar c : text)
        put16(out, c.unicode());
}

QByteArray cellHead(int row, int column, int format)
{
    QByteArray out;
    put16(out, quint32(row));
    put16(out, quint32(column));
    put16(out, quint32(format));
    return out;
}

QByteArray bof(bool biff5, quint32 kind)
{
    QByteArray data;
    put16(data, biff5 ? 0x0500 : 0x0600);
    put16(data, kind);
    put16(data, 0x0DBB);
    put16(data, 0x07CC);
    if (!biff5) {
        put32(data, 0);
        put32(data, 6);
    }
    return record(0x0809, data);
}

QByteArray globals(const QList<Sheet> &sheets, const QList<quint32> &offsets,
                   const WorkbookOptions &options)
{
    const bool biff5 = options.biff5;
    QByteArray out = bof(biff5, 0x0005);
    QByteArray data;
    put16(data, quint32(options.codePage ? options.codePage : biff5 ? 1252 : 1200));
    out += record(0x0042, data);
    data.clear();
    put16(data, options.date1904 ? 1 : 0);
    out += record(0x0022, data);
    const QString customs[] = {QStringLiteral("DD.MM.YYYY hh:mm"),
                               QStringLiteral("#,##0.00 \"DM\";-#,##0.00 \"Monatsbeitrag\"")};
    for (quint32 i = 0; i < 2; ++i) {
        const QString &custom = customs[i];
        data.clear();
        put16(data, 164 + i);
        if (biff5) {
            put8(data, quint32(custom.size()));
            data += custom.toLatin1();
        } else {
            put16(data, quint32(custom.size()));
            put8(data, 0);
            data += custom.toLatin1();
        }
        out += record(0x041E, data);
    }
    for (const quint32 format : {0u, 14u, 21u, 164u, 165u}) {
        data = QByteArray(biff5 ? 16 : 20, '\0');
        qToLittleEndian<quint16>(quint16(format), data.data() + 2);
        out += record(0x00E0, data);
    }
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        data.clear();
        put32(data, offsets.value(i));
        put8(data, 0);
        put8(data, quint32(sheets[i].type));
        put8(data, quint32(sheets[i].name.size()));
        if (biff5) {
            data += codec::toCp1252(sheets[i].name);
        } else {
            put8(data, 1);
            putWide(data, sheets[i].name);
        }
        out += record(0x0085, data);
    }
    return out + options.globals + record(0x000A, {});
}

} // namespace

QByteArray record(quint32 type, const QByteArray &data)
{
    QByteArray out;
    put16(out, type);
    put16(out, quint32(data.size()));
    return out + data;
}

QByteArray label(int row, int column, const QString &text)
{
    QByteArray data = cellHead(row, column, 0);
    put16(data, quint32(text.size()));
    put8(data, 1);
    putWide(data, text);
    return record(0x0204, data);
}

QByteArray label5(int row, int column, const QByteArray &bytes)
{
    QByteArray data = cellHead(row, column, 0);
    put16(data, quint32(bytes.size()));
    return record(0x0204, data + bytes);
}

QByteArray labelSst(int row, int column, quint32 index)
{
    QByteArray data = cellHead(row, column, 0);
    put32(data, index);
    return record(0x00FD, data);
}

QByteArray number(int row, int column, double value, int format)
{
    QByteArray data = cellHead(row, column, format);
    putDouble(data, value);
    return record(0x0203, data);
}

QByteArray rk(int row, int column, quint32 value, int format)
{
    QByteArray data = cellHead(row, column, format);
    put32(data, value);
    return record(0x027E, data);
}

QByteArray mulRk(int row, int firstColumn, const QList<quint32> &values, int format)
{
    QByteArray data;
    put16(data, quint32(row));
    put16(data, quint32(firstColumn));
    for (const quint32 v : values) {
        put16(data, quint32(format));
        put32(data, v);
    }
    put16(data, quint32(firstColumn + values.size() - 1));
    return record(0x00BD, data);
}

QByteArray boolErr(int row, int column, int value, bool error)
{
    QByteArray data = cellHead(row, column, 0);
    put8(data, quint32(value));
    put8(data, error ? 1 : 0);
    return record(0x0205, data);
}

QByteArray formula(int row, int column, const QByteArray &result, int format)
{
    QByteArray data = cellHead(row, column, format) + result;
    put16(data, 0); // options
    put32(data, 0); // cache
    put16(data, 3); // the formula itself: the number 1
    put8(data, 0x1E);
    put16(data, 1);
    return record(0x0006, data);
}

QByteArray numberResult(double value)
{
    QByteArray out;
    putDouble(out, value);
    return out;
}

namespace {

QByteArray specialResult(quint32 kind, quint32 value)
{
    QByteArray out;
    put8(out, kind);
    put8(out, 0);
    put8(out, value);
    put8(out, 0);
    put16(out, 0);
    put16(out, 0xFFFF);
    return out;
}

} // namespace

QByteArray textResult()
{
    return specialResult(0, 0);
}

QByteArray booleanResult(bool value)
{
    return specialResult(1, value ? 1 : 0);
}

QByteArray errorResult(int code)
{
    return specialResult(2, quint32(code));
}

QByteArray emptyTextResult()
{
    return specialResult(3, 0);
}

QByteArray string(const QString &text, bool wide, int chunk)
{
    const int width = wide ? 2 : 1;
    QByteArray out;
    QByteArray data;
    put16(data, quint32(text.size()));
    put8(data, wide ? 1 : 0);
    quint32 type = 0x0207;
    for (const QChar c : text) {
        if (data.size() + width > chunk) {
            out += record(type, data);
            type = 0x003C;
            data.clear();
            put8(data, wide ? 1 : 0);
        }
        if (wide)
            put16(data, c.unicode());
        else
            put8(data, c.unicode());
    }
    return out + record(type, data);
}

QByteArray string5(const QByteArray &bytes)
{
    QByteArray data;
    put16(data, quint32(bytes.size()));
    return record(0x0207, data + bytes);
}

QByteArray sharedStrings(const QStringList &texts, int chunk, bool rich)
{
    QList<QByteArray> records{QByteArray()};
    put32(records.last(), quint32(texts.size()));
    put32(records.last(), quint32(texts.size()));
    const auto room = [&] { return chunk - int(records.last().size()); };
    for (const QString &text : texts) {
        const auto needsWide = [&](qsizetype from) {
            for (qsizetype i = from; i < text.size(); ++i) {
                if (text[i].unicode() > 0xFF)
                    return true;
            }
            return false;
        };
        bool wide = needsWide(0);
        QByteArray head;
        put16(head, quint32(text.size()));
        put8(head, (wide ? 1 : 0) | (rich ? 0x0C : 0));
        if (rich) {
            put16(head, 2);
            put32(head, 6);
        }
        if (room() < head.size())
            records.append(QByteArray());
        records.last() += head;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (room() < (wide ? 2 : 1)) {
                wide = needsWide(i);
                records.append(QByteArray());
                put8(records.last(), wide ? 1 : 0);
            }
            if (wide)
                put16(records.last(), text[i].unicode());
            else
                put8(records.last(), text[i].unicode());
        }
        if (rich) {
            const QByteArray tail = QByteArray::fromHex("0000010003000200010203040506");
            for (const char c : tail) {
                if (room() < 1)
                    records.append(QByteArray());
                records.last() += c;
            }
        }
    }
    QByteArray out = record(0x00FC, records.first());
    for (qsizetype i = 1; i < records.size(); ++i)
        out += record(0x003C, records[i]);
    return out;
}

QByteArray workbookStream(const QList<Sheet> &sheets, bool biff5, bool date1904)
{
    WorkbookOptions options;
    options.biff5 = biff5;
    options.date1904 = date1904;
    return workbookStream(sheets, options);
}

QByteArray workbookStream(const QList<Sheet> &sheets, const WorkbookOptions &options)
{
    const bool biff5 = options.biff5;
    QList<QByteArray> bodies;
    for (const Sheet &sheet : sheets) {
        QByteArray dims;
        if (biff5) {
            put16(dims, 0);
            put16(dims, quint32(sheet.rows));
        } else {
            put32(dims, 0);
            put32(dims, quint32(sheet.rows));
        }
        put16(dims, 0);
        put16(dims, quint32(sheet.columns));
        put16(dims, 0);
        bodies << bof(biff5, 0x0010) + record(0x0200, dims) + sheet.cells + record(0x000A, {});
    }
    // The sheet list's size does not depend on the offsets it holds.
    QList<quint32> offsets;
    quint32 at = quint32(globals(sheets, {}, options).size());
    for (const QByteArray &body : bodies) {
        offsets << at;
        at += quint32(body.size());
    }
    QByteArray out = globals(sheets, offsets, options);
    for (const QByteArray &body : bodies)
        out += body;
    return out;
}

QByteArray compoundFile(const QByteArray &stream, const QString &name)
{
    const bool mini = stream.size() < 4096;
    const qsizetype unit = mini ? 64 : 512;
    const quint32 units = quint32((stream.size() + unit - 1) / unit);
    const quint32 containerSectors = mini ? (units * 64 + 511) / 512 : units;
    const quint32 first = mini ? 3 : 2; // the stream's (or the mini stream's) first sector
    if (first + containerSectors > 128 || units > 128)
        throw std::runtime_error("workbook too large for the test writer");

    QByteArray fat;
    put32(fat, 0xFFFFFFFD); // the table itself
    put32(fat, kEnd);       // the directory
    if (mini)
        put32(fat, kEnd); // the mini table
    for (quint32 i = 0; i < containerSectors; ++i)
        put32(fat, i + 1 < containerSectors ? first + i + 1 : kEnd);
    while (fat.size() < 512)
        put32(fat, kFree);

    QByteArray header;
    header += QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(16, '\0');
    put16(header, 0x3E);
    put16(header, 3);
    put16(header, 0xFFFE);
    put16(header, 9);
    put16(header, 6);
    header += QByteArray(10, '\0');
    put32(header, 1);    // table sectors
    put32(header, 1);    // directory
    put32(header, 0);    // transactions
    put32(header, 4096); // mini stream cutoff
    put32(header, mini ? 2 : kEnd);
    put32(header, mini ? 1 : 0);
    put32(header, kEnd); // no table extension
    put32(header, 0);
    put32(header, 0);
    while (header.size() < 512)
        put32(header, kFree);

    const auto entry = [](const QString &entryName, int type, quint32 child, quint32 start,
                          quint32 size) {
        QByteArray e;
        putWide(e, entryName);
        e += QByteArray(64 - e.size(), '\0');
        put16(e, entryName.isEmpty() ? 0 : quint32(entryName.size() + 1) * 2);
        put8(e, quint32(type));
        put8(e, 1);
        put32(e, kFree);
        put32(e, kFree);
        put32(e, child);
        e += QByteArray(36, '\0');
        put32(e, start);
        put32(e, size);
        put32(e, 0);
        return e;
    };
    QByteArray dir =
        entry(QStringLiteral("Root Entry"), 5, 1, mini ? first : kEnd, mini ? units * 64 : 0);
    dir += entry(name, 2, kFree, mini ? 0 : first, quint32(stream.size()));
    dir += entry({}, 0, kFree, 0, 0) + entry({}, 0, kFree, 0, 0);

    QByteArray out = header + fat + dir;
    if (mini) {
        QByteArray miniFat;
        for (quint32 i = 0; i < units; ++i)
            put32(miniFat, i + 1 < units ? i + 1 : kEnd);
        while (miniFat.size() < 512)
            put32(miniFat, kFree);
        out += miniFat;
    }
    QByteArray body = stream;
    body += QByteArray(qsizetype(containerSectors) * 512 - body.size(), '\0');
    return out + body;
}

} // namespace ordovan::test::xls
