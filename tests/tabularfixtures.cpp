#include "tabularfixtures.h"

#include "formats/tabular.h"

#include <QFile>

#include <stdexcept>

#include <xlsxwriter.h>
#include <zlib.h>

namespace ordovan::test {

namespace {

void put16(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// Raw deflate of data, blanks and tail. The blanks go in as one repeated block compressed
// with a full flush, so the block's output can simply be repeated.
struct Compressed
{
    QByteArray bytes;
    quint32 crc = 0;
    quint64 size = 0;
};

QByteArray deflateSegment(const QByteArray &input, int flush)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    QByteArray out(int(deflateBound(&z, uLong(input.size())) + 64), '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
    z.avail_in = uInt(input.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, flush);
    out.truncate(int(z.total_out));
    deflateEnd(&z);
    return out;
}

Compressed compress(const ZipEntry &entry)
{
    Compressed c;
    c.crc =
        crc32(0, reinterpret_cast<const Bytef *>(entry.data.constData()), uInt(entry.data.size()));
    c.size = quint64(entry.data.size());
    if (!entry.deflate) {
        c.bytes = entry.data;
        return c;
    }
    c.bytes = deflateSegment(entry.data, Z_FULL_FLUSH);
    if (entry.blanks > 0) {
        const qint64 block = 16 * 1024 * 1024;
        const QByteArray blanks(int(std::min(block, entry.blanks)), ' ');
        const QByteArray packed = deflateSegment(blanks, Z_FULL_FLUSH);
        const uLong blockCrc =
            crc32(0, reinterpret_cast<const Bytef *>(blanks.constData()), uInt(blanks.size()));
        qint64 left = entry.blanks;
        while (left >= blanks.size()) {
            c.bytes += packed;
            c.crc = crc32_combine(c.crc, blockCrc, blanks.size());
            left -= blanks.size();
        }
        if (left > 0) {
            const QByteArray rest(int(left), ' ');
            c.bytes += deflateSegment(rest, Z_FULL_FLUSH);
            c.crc = crc32(c.crc, reinterpret_cast<const Bytef *>(rest.constData()), uInt(left));
        }
        c.size += quint64(entry.blanks);
    }
    c.bytes += deflateSegment(entry.tail, Z_FINISH);
    c.crc = crc32(c.crc, reinterpret_cast<const Bytef *>(entry.tail.constData()),
                  uInt(entry.tail.size()));
    c.size += quint64(entry.tail.size());
    return c;
}

} // namespace

void writeZip(const QString &path, const QList<ZipEntry> &entries)
{
    QByteArray out, central;
    for (const ZipEntry &entry : entries) {
        const Compressed c = compress(entry);
        const QByteArray name = entry.name.toUtf8();
        const quint32 size = entry.statedSize ? *entry.statedSize : quint32(c.size);
        const quint32 offset = quint32(out.size());
        const auto header = [&](QByteArray &to, bool isCentral) {
            const bool lax = entry.laxLocalHeader && !isCentral;
            put32(to, isCentral ? 0x02014b50 : 0x04034b50);
            if (isCentral)
                put16(to, 20);
            put16(to, lax ? 45 : 20);
            put16(to, 0x0800 | (entry.encrypted ? 1 : 0)); // UTF-8 names
            put16(to, entry.deflate ? 8 : 0);
            put16(to, lax ? 0x6000 : 0);
            put16(to, lax ? 0x5021 : 0x21); // 1 Jan 1980
            put32(to, c.crc);
            put32(to, quint32(c.bytes.size()));
            put32(to, size);
            put16(to, quint32(name.size()));
            put16(to, 0);
            if (isCentral) {
                put16(to, 0);
                put16(to, 0);
                put16(to, 0);
                put32(to, 0);
                put32(to, offset);
            }
            to += name;
        };
        header(out, false);
        out += c.bytes;
        header(central, true);
    }
    const quint32 centralOffset = quint32(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(entries.size()));
    put16(out, quint32(entries.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size())
        throw std::runtime_error("cannot write zip");
}

QList<ZipEntry> xlsxParts(const QList<XlsxSheet> &sheets, const QByteArray &sharedStrings,
                          const QByteArray &styles, bool date1904)
{
    const QByteArray ns = "http://schemas.openxmlformats.org/";
    QByteArray rels =
        "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns + "package/2006/relationships\">";
    QByteArray workbook = "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns +
                          "spreadsheetml/2006/main\" xmlns:r=\"" + ns +
                          "officeDocument/2006/relationships\">";
    if (date1904)
        workbook += "<workbookPr date1904=\"1\"/>";
    workbook += "<sheets>";
    QList<ZipEntry> parts;
    for (int i = 0; i < sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + ns +
                "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet" + n +
                ".xml\"/>";
        workbook += "<sheet name=\"" + sheets[i].name.toHtmlEscaped().toUtf8() + "\" sheetId=\"" +
                    n + "\" r:id=\"rId" + n + "\"/>";
        parts << ZipEntry{QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1),
                          "<?xml version=\"1.0\"?><worksheet xmlns=\"" + ns +
                              "spreadsheetml/2006/main\"><sheetData>" + sheets[i].sheetData +
                              "</sheetData></worksheet>"};
    }
    if (!sharedStrings.isEmpty()) {
        rels += "<Relationship Id=\"rIdS\" Type=\"" + ns +
                "officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>";
        parts << ZipEntry{QStringLiteral("xl/sharedStrings.xml"),
                          "<?xml version=\"1.0\"?><sst xmlns=\"" + ns +
                              "spreadsheetml/2006/main\">" + sharedStrings + "</sst>"};
    }
    if (!styles.isEmpty()) {
        rels += "<Relationship Id=\"rIdT\" Type=\"" + ns +
                "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>";
        parts << ZipEntry{QStringLiteral("xl/styles.xml"),
                          "<?xml version=\"1.0\"?><styleSheet xmlns=\"" + ns +
                              "spreadsheetml/2006/main\">" + styles + "</styleSheet>"};
    }
    rels += "</Relationships>";
    workbook += "</sheets></workbook>";
    parts.prepend(ZipEntry{QStringLiteral("xl/_rels/workbook.xml.rels"), rels});
    parts.prepend(ZipEntry{QStringLiteral("xl/workbook.xml"), workbook});
    parts.prepend(ZipEntry{QStringLiteral("_rels/.rels"),
                           "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns +
                               "package/2006/relationships\"><Relationship "
                               "Id=\"rId1\" Type=\"" +
                               ns +
                               "officeDocument/2006/relationships/"
                               "officeDocument\" Target=\"xl/workbook.xml\"/>"
                               "</Relationships>"});
    return parts;
}

void writeXlsx(const QString &path, const QList<XlsxSheet> &sheets, const QByteArray &sharedStrings,
               const QByteArray &styles, bool date1904)
{
    writeZip(path, xlsxParts(sheets, sharedStrings, styles, date1904));
}

void writeSampleXlsx(const QString &path, bool constantMemory)
{
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook *book = workbook_new_opt(file.constData(), &options);
    lxw_format *date = workbook_add_format(book);
    format_set_num_format_index(date, 14); // a built-in date format
    lxw_format *dateTime = workbook_add_format(book);
    format_set_num_format(dateTime, "dd.mm.yyyy hh:mm:ss");
    lxw_format *time = workbook_add_format(book);
    format_set_num_format(time, "hh:mm:ss");
    const auto text = [](lxw_worksheet *s, int r, int c, const char *t) {
        worksheet_write_string(s, lxw_row_t(r), lxw_col_t(c), t, nullptr);
    };
    const auto when = [](lxw_worksheet *s, int r, int c, lxw_datetime d, lxw_format *f) {
        worksheet_write_datetime(s, lxw_row_t(r), lxw_col_t(c), &d, f);
    };

    lxw_worksheet *pay = workbook_add_worksheet(book, "Zahlungen");
    const char *title[] = {"Name", "IBAN", "BIC", "Betrag", "Datum", "Verwendungszweck"};
    for (int c = 0; c < 6; ++c)
        text(pay, 0, c, title[c]);
    const struct
    {
        const char *name, *iban, *bic;
        double amount;
        lxw_datetime date;
        const char *purpose;
    } records[] = {
        {"Müller, Anna",
         "DE89370400440532013000",
         "COBADEFFXXX",
         11.58,
         {2022, 12, 8, 0, 0, 0},
         "Miete Dezember"},
        {"Schmidt GmbH",
         "DE02120300000000202051",
         "BYLADEM1001",
         1158,
         {2023, 1, 31, 0, 0, 0},
         "Rechnung 4711"},
        {"Weiß & Söhne",
         "DE02500105170137075030",
         "INGDDEFFXXX",
         0.07,
         {2022, 2, 28, 0, 0, 0},
         "Beitrag"},
    };
    for (int r = 0; r < 3; ++r) {
        text(pay, r + 1, 0, records[r].name);
        text(pay, r + 1, 1, records[r].iban);
        text(pay, r + 1, 2, records[r].bic);
        worksheet_write_number(pay, lxw_row_t(r + 1), 3, records[r].amount, nullptr);
        when(pay, r + 1, 4, records[r].date, date);
        text(pay, r + 1, 5, records[r].purpose);
    }

    lxw_worksheet *checks = workbook_add_worksheet(book, "Prüfwerte");
    text(checks, 0, 0, "Text");
    text(checks, 0, 1, "Zahl");
    text(checks, 0, 2, "Datum");
    text(checks, 0, 3, "Sonstiges");
    text(checks, 1, 0, "  Blanks  ");
    worksheet_write_number(checks, 1, 1, 11.58, nullptr);
    when(checks, 1, 2, {2022, 12, 8, 0, 0, 0}, date);
    worksheet_write_boolean(checks, 1, 3, 1, nullptr);
    text(checks, 3, 0, "Zeile 4");
    worksheet_write_number(checks, 3, 1, 1158, nullptr);
    when(checks, 3, 2, {2022, 12, 8, 14, 30, 0}, dateTime);
    worksheet_write_boolean(checks, 3, 3, 0, nullptr);
    text(checks, 4, 0, "Umlaute äöüß€");
    worksheet_write_number(checks, 4, 1, 0.07, nullptr);
    when(checks, 4, 2, {0, 0, 0, 14, 30, 5}, time);
    worksheet_write_number(checks, 5, 1, 1234567.891, nullptr);
    when(checks, 5, 2, {1999, 12, 31, 0, 0, 0}, date);
    text(checks, 5, 3, "x");
    text(checks, 6, 0, "letzte");
    worksheet_write_number(checks, 6, 1, -0.5, nullptr);
    worksheet_write_number(checks, 6, 3, 123456789012.0, nullptr);

    workbook_add_worksheet(book, "Leer");
    if (workbook_close(book) != LXW_NO_ERROR)
        throw std::runtime_error("cannot write xlsx");
}

QList<QStringList> samplePayments()
{
    return {
        {QStringLiteral("Name"), QStringLiteral("IBAN"), QStringLiteral("BIC"),
         QStringLiteral("Betrag"), QStringLiteral("Datum"), QStringLiteral("Verwendungszweck")},
        {QStringLiteral("Müller, Anna"), QStringLiteral("DE89370400440532013000"),
         QStringLiteral("COBADEFFXXX"), QStringLiteral("11,58"), QStringLiteral("08.12.2022"),
         QStringLiteral("Miete Dezember")},
        {QStringLiteral("Schmidt GmbH"), QStringLiteral("DE02120300000000202051"),
         QStringLiteral("BYLADEM1001"), QStringLiteral("1158"), QStringLiteral("31.01.2023"),
         QStringLiteral("Rechnung 4711")},
        {QStringLiteral("Weiß & Söhne"), QStringLiteral("DE02500105170137075030"),
         QStringLiteral("INGDDEFFXXX"), QStringLiteral("0,07"), QStringLiteral("28.02.2022"),
         QStringLiteral("Beitrag")},
    };
}

QList<QStringList> sampleChecks()
{
    const QString yes = QStringLiteral("WAHR");
    const QString no = QStringLiteral("FALSCH");
    return {
        {QStringLiteral("Text"), QStringLiteral("Zahl"), QStringLiteral("Datum"),
         QStringLiteral("Sonstiges")},
        {QStringLiteral("  Blanks  "), QStringLiteral("11,58"), QStringLiteral("08.12.2022"), yes},
        {QString(), QString(), QString(), QString()},
        {QStringLiteral("Zeile 4"), QStringLiteral("1158"), QStringLiteral("08.12.2022 14:30:00"),
         no},
        {QStringLiteral("Umlaute äöüß€"), QStringLiteral("0,07"), QStringLiteral("14:30:05"),
         QString()},
        {QString(), QStringLiteral("1234567,891"), QStringLiteral("31.12.1999"),
         QStringLiteral("x")},
        {QStringLiteral("letzte"), QStringLiteral("-0,5"), QString(),
         QStringLiteral("123456789012")},
    };
}

QList<QStringList> readAll(formats::TabularRowSet &rows)
{
    QList<QStringList> all;
    const int fields = rows.fieldCount();
    for (rows.first(); !rows.eof(); rows.next()) {
        QStringList row;
        for (int i = 0; i < fields; ++i)
            row << rows.text(i);
        all << row;
    }
    return all;
}

} // namespace ordovan::test
