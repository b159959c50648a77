#!/usr/bin/python3
"""Writes the workbook fixtures of the tabular reader tests: zahlungen.xls and zahlungen.ods,
and formeln.xls and formeln95.xls.

Both hold the same three sheets, so the tests expect the same grid from either file:
  "Zahlungen"  a title row and three payments that pass the SEPA checks,
  "Prüfwerte"  the awkward values (blanks, umlauts, dates, times, booleans, an empty row
               inside the range, numbers the German notation must render exactly),
  "Leer"       nothing at all.
The .ods file also carries what LibreOffice writes and a reader must not expand: repeated
rows down to row 1,048,576, repeated empty columns, covered cells and an annotation.

formeln.xls holds formula cells with their stored results, boolean and error cells, as an
office suite writes them (Gnumeric's ssconvert, from a workbook in its own XML form; xlwt
stores no formula results): "Zahlungen" has the payments of the sample with the amounts,
dates, an IBAN and purposes computed; "Prüfwerte" has one kind of cell per row;
"Fehlerhaft" has the payments with errors in place of two amounts. formeln95.xls
is the same workbook in the Excel 95 format.

Run it from anywhere with Debian's python3 (needs python3-xlwt and gnumeric); the output is
committed beside it.
"""

import datetime
import os
import subprocess
import tempfile
import zipfile
from xml.sax.saxutils import escape, quoteattr

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))

TITLE = ["Name", "IBAN", "BIC", "Betrag", "Datum", "Verwendungszweck"]
PAYMENTS = [
    ["Müller, Anna", "DE89370400440532013000", "COBADEFFXXX", 11.58,
     datetime.date(2022, 12, 8), "Miete Dezember"],
    ["Schmidt GmbH", "DE02120300000000202051", "BYLADEM1001", 1158,
     datetime.date(2023, 1, 31), "Rechnung 4711"],
    ["Weiß & Söhne", "DE02500105170137075030", "INGDDEFFXXX", 0.07,
     datetime.date(2022, 2, 28), "Beitrag"],
]

# (row, column, value); value types: str, int, float, bool, date, datetime, time.
CHECKS = [
    (0, 0, "Text"), (0, 1, "Zahl"), (0, 2, "Datum"), (0, 3, "Sonstiges"),
    (1, 0, "  Blanks  "), (1, 1, 11.58), (1, 2, datetime.date(2022, 12, 8)), (1, 3, True),
    # row 2 stays empty
    (3, 0, "Zeile 4"), (3, 1, 1158), (3, 2, datetime.datetime(2022, 12, 8, 14, 30, 0)),
    (3, 3, False),
    (4, 0, "Umlaute äöüß€"), (4, 1, 0.07), (4, 2, datetime.time(14, 30, 5)),
    (5, 1, 1234567.891), (5, 2, datetime.date(1999, 12, 31)), (5, 3, "x"),
    (6, 0, "letzte"), (6, 1, -0.5), (6, 3, 123456789012),
]


def write_xls(path):
    book = xlwt.Workbook(encoding="utf-8")
    date_style = xlwt.easyxf(num_format_str="DD.MM.YYYY")
    datetime_style = xlwt.easyxf(num_format_str="DD.MM.YYYY HH:MM:SS")
    time_style = xlwt.easyxf(num_format_str="HH:MM:SS")

    def put(sheet, row, col, value):
        if isinstance(value, datetime.datetime):
            sheet.write(row, col, value, datetime_style)
        elif isinstance(value, datetime.date):
            sheet.write(row, col, value, date_style)
        elif isinstance(value, datetime.time):
            sheet.write(row, col, value, time_style)
        else:
            sheet.write(row, col, value)

    sheet = book.add_sheet("Zahlungen")
    for col, text in enumerate(TITLE):
        put(sheet, 0, col, text)
    for row, record in enumerate(PAYMENTS, start=1):
        for col, value in enumerate(record):
            put(sheet, row, col, value)
    sheet = book.add_sheet("Prüfwerte")
    for row, col, value in CHECKS:
        put(sheet, row, col, value)
    book.add_sheet("Leer")
    book.save(path)


NS = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
    "number": "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0",
    "dc": "http://purl.org/dc/elements/1.1/",
}


def ods_cell(value, repeat=1):
    rep = ' table:number-columns-repeated="%d"' % repeat if repeat > 1 else ""
    if value is None:
        return "<table:table-cell%s/>" % rep
    if isinstance(value, bool):
        word = "true" if value else "false"
        shown = "WAHR" if value else "FALSCH"
        return ('<table:table-cell%s office:value-type="boolean" office:boolean-value="%s">'
                "<text:p>%s</text:p></table:table-cell>" % (rep, word, shown))
    if isinstance(value, (int, float)):
        shown = ("%s" % value).replace(".", ",")
        return ('<table:table-cell%s office:value-type="float" office:value="%r">'
                "<text:p>%s</text:p></table:table-cell>" % (rep, value, shown))
    if isinstance(value, datetime.datetime):
        return ('<table:table-cell%s office:value-type="date" office:date-value="%s">'
                "<text:p>%s</text:p></table:table-cell>"
                % (rep, value.strftime("%Y-%m-%dT%H:%M:%S"), value.strftime("%d.%m.%Y %H:%M")))
    if isinstance(value, datetime.date):
        return ('<table:table-cell%s office:value-type="date" office:date-value="%s">'
                "<text:p>%s</text:p></table:table-cell>"
                % (rep, value.isoformat(), value.strftime("%d.%m.%Y")))
    if isinstance(value, datetime.time):
        return ('<table:table-cell%s office:value-type="time" office:time-value="PT%02dH%02dM%02dS">'
                "<text:p>%s</text:p></table:table-cell>"
                % (rep, value.hour, value.minute, value.second, value.strftime("%H:%M:%S")))
    # Text: runs of blanks are written as text:s, the way the office suite stores them.
    body = escape(value)
    if body.startswith("  "):
        lead = len(body) - len(body.lstrip(" "))
        body = '<text:s text:c="%d"/>' % lead + body[lead:]
    if body.endswith("  "):
        trail = len(body) - len(body.rstrip(" "))
        body = body[:-trail] + " " + '<text:s text:c="%d"/>' % (trail - 1)
    return ('<table:table-cell%s office:value-type="string"><text:p>%s</text:p>'
            "</table:table-cell>" % (rep, body))


def ods_table(name, rows, width):
    out = ["<table:table table:name=%s>" % quoteattr(name),
           '<table:table-column table:number-columns-repeated="%d"/>' % width]
    for cells in rows:
        out.append("<table:table-row>")
        out.extend(ods_cell(v) for v in cells)
        # Trailing empty cells of a row, as the office suite pads them.
        out.append(ods_cell(None, 16384 - len(cells)))
        out.append("</table:table-row>")
    # The rest of the sheet, as one repeated empty row.
    out.append('<table:table-row table:number-rows-repeated="%d">' % (1048576 - len(rows)))
    out.append(ods_cell(None, 16384))
    out.append("</table:table-row></table:table>")
    return "".join(out)


def write_ods(path):
    payments = [TITLE] + PAYMENTS
    grid = [[None] * 4 for _ in range(7)]
    for row, col, value in CHECKS:
        grid[row][col] = value
    rows = []
    for cells in grid:
        while cells and cells[-1] is None:
            cells = cells[:-1]
        rows.append(cells)
    checks = ods_table("Prüfwerte", rows, 4)
    # A comment on "Zeile 4" must not become part of its text, and the cell of the empty
    # row is a covered cell of a merge.
    checks = checks.replace(
        "<text:p>Zeile 4</text:p>",
        "<office:annotation><dc:creator>Prüfer</dc:creator><text:p>Kommentar</text:p>"
        "</office:annotation><text:p>Zeile 4</text:p>")
    checks = checks.replace(
        "<table:table-row><table:table-cell table:number-columns-repeated=\"16384\"/>"
        "</table:table-row>",
        "<table:table-row><table:covered-table-cell/>"
        "<table:table-cell table:number-columns-repeated=\"16383\"/></table:table-row>", 1)
    decl = " ".join('xmlns:%s="%s"' % item for item in NS.items())
    content = ('<?xml version="1.0" encoding="UTF-8"?>\n'
               '<office:document-content %s office:version="1.3"><office:body>'
               "<office:spreadsheet>%s%s%s</office:spreadsheet></office:body>"
               "</office:document-content>\n"
               % (decl, ods_table("Zahlungen", payments, 6), checks,
                  ods_table("Leer", [], 1)))
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:'
                'manifest:1.0" manifest:version="1.3">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type='
                '"application/vnd.oasis.opendocument.spreadsheet"/>'
                '<manifest:file-entry manifest:full-path="content.xml" '
                'manifest:media-type="text/xml"/></manifest:manifest>\n')
    with zipfile.ZipFile(path, "w") as z:
        fixed = (1980, 1, 1, 0, 0, 0)  # stable bytes from run to run
        z.writestr(zipfile.ZipInfo("mimetype", fixed),
                   "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED)
        for name, data in (("content.xml", content), ("META-INF/manifest.xml", manifest)):
            z.writestr(zipfile.ZipInfo(name, fixed), data, zipfile.ZIP_DEFLATED)


# (row, column, content); content: a formula ("=..."), or a constant as (value type, text)
# with Gnumeric's value types 20 boolean, 40 number, 50 error, 60 text.
FORMULA_PAYMENTS = [(0, col, (60, text)) for col, text in enumerate(TITLE)] + [
    (1, 0, (60, "Müller, Anna")), (1, 1, (60, "DE89370400440532013000")),
    (1, 2, (60, "COBADEFFXXX")), (1, 3, "=5.79*2"), (1, 4, "=DATE(2022,12,8)"),
    (1, 5, '="Miete "&"Dezember"'),
    (2, 0, (60, "Schmidt GmbH")), (2, 1, '="DE02"&"120300000000202051"'),
    (2, 2, (60, "BYLADEM1001")), (2, 3, "=SUM(1000,158)"), (2, 4, (40, "44957")),
    (2, 5, (60, "Rechnung 4711")),
    (3, 0, (60, "Weiß & Söhne")), (3, 1, (60, "DE02500105170137075030")),
    (3, 2, (60, "INGDDEFFXXX")), (3, 3, "=7/100"), (3, 4, "=DATE(2022,2,28)"),
    (3, 5, '=LEFT("Beitrag für Käthe",7)'),
]
# Amounts no payment may be made of: a formula error and an error cell.
FORMULA_ERRORS = [cell for cell in FORMULA_PAYMENTS if cell[1] != 3] + [
    (1, 3, "=1/0"), (2, 3, (50, "#DIV/0!")), (3, 3, "=7/100"),
]
FORMULA_CHECKS = [
    (0, 0, (60, "Art")), (0, 1, (60, "Wert")),
    (1, 0, (60, "wahr")), (1, 1, (20, "TRUE")),
    (2, 0, (60, "falsch")), (2, 1, (20, "FALSE")),
    (3, 0, (60, "Fehler")), (3, 1, (50, "#N/A")),
    (4, 0, (60, "Formelfehler")), (4, 1, "=1/0"),
    (5, 0, (60, "Formel wahr")), (5, 1, "=1<2"),
    (6, 0, (60, "leerer Text")), (6, 1, '=""'),
    (7, 0, (60, "Zahl")), (7, 1, "=1234567.891*1"),
    (8, 0, (60, "Zeit")), (8, 1, "=TIME(14,30,5)"),
    (9, 0, (60, "lang")), (9, 1, '=REPT("ä",9000)&"Ende"'),
    (10, 0, (60, "Wertfehler")), (10, 1, '="a"+1'),
    # The last row and column hold nothing but a formula.
    (11, 2, "=2+3"),
]


def gnumeric_sheet(name, cells, formats):
    out = ["<gnm:Sheet><gnm:Name>%s</gnm:Name>" % escape(name),
           "<gnm:MaxCol>%d</gnm:MaxCol>" % max(c for _, c, _ in cells),
           "<gnm:MaxRow>%d</gnm:MaxRow><gnm:Styles>" % max(r for r, _, _ in cells)]
    for row, col, code in formats:
        out.append('<gnm:StyleRegion startCol="%d" startRow="%d" endCol="%d" endRow="%d">'
                   '<gnm:Style Format=%s/></gnm:StyleRegion>' % (col, row, col, row, quoteattr(code)))
    out.append("</gnm:Styles><gnm:Cells>")
    for row, col, content in cells:
        if isinstance(content, tuple):
            out.append('<gnm:Cell Row="%d" Col="%d" ValueType="%d">%s</gnm:Cell>'
                       % (row, col, content[0], escape(content[1])))
        else:
            out.append('<gnm:Cell Row="%d" Col="%d">%s</gnm:Cell>' % (row, col, escape(content)))
    out.append("</gnm:Cells></gnm:Sheet>")
    return "".join(out)


def write_formula_xls(path, exporter):
    date = "dd.mm.yyyy"
    sheets = [("Zahlungen", FORMULA_PAYMENTS, [(r, 4, date) for r in range(1, 4)]),
              ("Prüfwerte", FORMULA_CHECKS, [(8, 1, "hh:mm:ss")]),
              ("Fehlerhaft", FORMULA_ERRORS, [(r, 4, date) for r in range(1, 4)])]
    book = ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<gnm:Workbook xmlns:gnm="http://www.gnumeric.org/v10.dtd"><gnm:SheetNameIndex>%s'
            "</gnm:SheetNameIndex><gnm:Sheets>%s</gnm:Sheets></gnm:Workbook>\n"
            % ("".join("<gnm:SheetName>%s</gnm:SheetName>" % escape(n) for n, _, _ in sheets),
               "".join(gnumeric_sheet(*sheet) for sheet in sheets)))
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "formeln.gnumeric")
        with open(source, "w", encoding="utf-8") as f:
            f.write(book)
        subprocess.run(["ssconvert", "-T", exporter, source, path], check=True)


if __name__ == "__main__":
    write_xls(os.path.join(HERE, "zahlungen.xls"))
    write_ods(os.path.join(HERE, "zahlungen.ods"))
    write_formula_xls(os.path.join(HERE, "formeln.xls"), "Gnumeric_Excel:excel_biff8")
    write_formula_xls(os.path.join(HERE, "formeln95.xls"), "Gnumeric_Excel:excel_biff7")
