// What .xlsx files hold beyond the sample: cell types, dates by number format, the 1904
// date system, escapes and phonetic runs, cells without references, other writers' parts.
#include "base/error.h"
#include "formats/tabular.h"
#include "tabularfixtures.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace ordovan;
using namespace ordovan::formats;

namespace {

class XlsxReader : public ::testing::Test
{
protected:
    QList<QStringList> read(const QByteArray &sheetData, const QByteArray &strings = {},
                            const QByteArray &styles = {}, bool date1904 = false)
    {
        const QString path = dir.filePath(QStringLiteral("t.xlsx"));
        test::writeXlsx(path, {{QStringLiteral("Blatt"), sheetData}}, strings, styles, date1904);
        auto rows =
            provider.connect(path, TabularKind::Workbook)->openTable(QStringLiteral("Blatt"));
        return test::readAll(*rows);
    }

    QTemporaryDir dir;
    FileTabularProvider provider;
};

// Style 0 general, 1 built-in date (14), 2 built-in date and time (22), 3 a custom date
// and time, 4 a custom number with text in quotes, 5 built-in time (20).
const QByteArray kStyles =
    "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\\ hh:mm\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"#,##0.00\\ &quot;Tage&quot;\"/></numFmts>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
    "<cellXfs count=\"6\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"22\"/>"
    "<xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"20\"/></cellXfs>";

} // namespace

TEST_F(XlsxReader, DatesAreKnownByTheirNumberFormat)
{
    const QByteArray cells = "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>44903</v></c>"
                             "<c r=\"B1\" s=\"2\"><v>44903.5</v></c>"
                             "<c r=\"C1\" s=\"3\"><v>44903.25</v></c>"
                             "<c r=\"D1\" s=\"4\"><v>44903</v></c>"
                             "<c r=\"E1\" s=\"5\"><v>0.75</v></c>"
                             "<c r=\"F1\" s=\"0\"><v>44903</v></c>"
                             "<c r=\"G1\" s=\"99\"><v>44903</v></c></row>";
    const QStringList expected{QStringLiteral("08.12.2022"),
                               QStringLiteral("08.12.2022 12:00:00"),
                               QStringLiteral("08.12.2022 06:00:00"),
                               QStringLiteral("44903"),
                               QStringLiteral("18:00:00"),
                               QStringLiteral("44903"),
                               QStringLiteral("44903")};
    EXPECT_EQ(read(cells, {}, kStyles), QList<QStringList>{expected});
    // The 1904 date system counts from 1 January 1904.
    EXPECT_EQ(read("<row><c s=\"1\"><v>43441</v></c></row>", {}, kStyles, true),
              QList<QStringList>{{QStringLiteral("08.12.2022")}});
}

TEST_F(XlsxReader, CellTypes)
{
    const QByteArray strings =
        "<si><t>geteilt</t></si>"
        "<si><r><t>fett</t></r><r><t xml:space=\"preserve\"> und </t></r>"
        "<r><t>dünn</t></r><rPh sb=\"0\" eb=\"1\"><t>LESEHILFE</t></rPh></si>"
        "<si><t>Zeile_x000D_\nzwei</t></si>";
    const QByteArray cells =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v></v></c></row>"
        "<row r=\"2\"><c r=\"A2\" t=\"b\"><v>1</v></c><c r=\"B2\" t=\"b\"><v>0</v></c>"
        "<c r=\"C2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
        "<c r=\"D2\" t=\"str\"><f>A1&amp;\"x\"</f><v>geteiltx</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
        "<c r=\"B3\" t=\"d\"><v>2022-12-08T14:30:00</v></c><c r=\"C3\"><f>1+1</f><v>2</v></c>"
        "<c r=\"D3\"><v>1.1580000000000001E1</v></c></row>";
    const QList<QStringList> expected{{QStringLiteral("geteilt"), QStringLiteral("fett und dünn"),
                                       QStringLiteral("Zeile\r\nzwei"), QString()},
                                      {QStringLiteral("WAHR"), QStringLiteral("FALSCH"),
                                       QStringLiteral("#DIV/0!"), QStringLiteral("geteiltx")},
                                      {QStringLiteral("inline"),
                                       QStringLiteral("08.12.2022 14:30:00"), QStringLiteral("2"),
                                       QStringLiteral("11,58")}};
    EXPECT_EQ(read(cells, strings), expected);
}

TEST_F(XlsxReader, ATextTheWorkbookDoesNotHoldMakesItDamaged)
{
    // Another reader would stop here too; taking the cell as empty would import a record
    // without the value the user sees in the office program.
    for (const char *index : {"1", "-1", "abc"}) {
        try {
            read(QByteArray("<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>") + index +
                     "</v></c></row>",
                 "<si><t>nur einer</t></si>");
            ADD_FAILURE() << index;
        } catch (const Error &e) {
            EXPECT_TRUE(e.message().endsWith(QStringLiteral("ist beschädigt."))) << index;
        }
    }
}

TEST_F(XlsxReader, PositionsWithAndWithoutReferences)
{
    // Writers may leave out the references; a cell then follows the one before it.
    const QByteArray cells = "<row><c t=\"inlineStr\"><is><t>a</t></is></c>"
                             "<c t=\"inlineStr\"><is><t>b</t></is></c></row>"
                             "<row r=\"4\"><c r=\"C4\"><v>3</v></c><c><v>4</v></c></row>"
                             "<row r=\"2\"><c r=\"B2\"><v>2</v></c></row>";
    const QList<QStringList> expected{
        {QStringLiteral("a"), QStringLiteral("b"), QString(), QString()},
        {QString(), QStringLiteral("2"), QString(), QString()},
        {QString(), QString(), QString(), QString()},
        {QString(), QString(), QStringLiteral("3"), QStringLiteral("4")}};
    EXPECT_EQ(read(cells), expected);
}

TEST_F(XlsxReader, UsedRangeStartsAtTheFirstValueAndEndsAtTheLast)
{
    // Formatted but empty cells down to the last row of the sheet are no values.
    const QByteArray cells = "<row r=\"3\"><c r=\"B3\"><v>1</v></c></row>"
                             "<row r=\"5\"><c r=\"C5\"><v>2</v></c><c r=\"D5\" s=\"1\"/></row>"
                             "<row r=\"1048576\" s=\"1\" customFormat=\"1\">"
                             "<c r=\"A1048576\" s=\"1\"/><c r=\"XFD1048576\" s=\"1\"/></row>";
    const QList<QStringList> expected{
        {QStringLiteral("1"), QString()}, {QString(), QString()}, {QString(), QStringLiteral("2")}};
    EXPECT_EQ(read(cells, {}, kStyles), expected);
}

TEST_F(XlsxReader, AColumnOfEmptyFormulaResultsKeepsTheFieldsInPlace)
{
    // Column A holds formulas that give "" this month: the mapping still counts it, so the
    // name stays field 1 and the amount field 2. Formulas below the data add no rows.
    const QByteArray cells =
        "<row r=\"2\"><c r=\"A2\" t=\"str\"><f>IF(C2&gt;0,\"\",\"x\")</f><v></v></c>"
        "<c r=\"B2\" t=\"inlineStr\"><is><t>Anna</t></is></c><c r=\"C2\"><v>1.5</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"str\"><f>\"\"</f><v></v></c>"
        "<c r=\"B3\" t=\"inlineStr\"><is><t></t></is></c></row>";
    EXPECT_EQ(read(cells),
              (QList<QStringList>{{QString(), QStringLiteral("Anna"), QStringLiteral("1,5")}}));
}

TEST_F(XlsxReader, AValueInTheLastRowMakesTheSheetTooLarge)
{
    // A1 and T1048576: 1,048,576 rows of 20 fields, more than a read may hold.
    const QByteArray cells = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                             "<row r=\"1048576\"><c r=\"T1048576\"><v>2</v></c></row>";
    EXPECT_THROW(read(cells), Error);
    // One field down all 1,048,576 rows is within the limits.
    const QByteArray column = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                              "<row r=\"1048576\"><c r=\"A1048576\"><v>2</v></c></row>";
    const auto rows = read(column);
    ASSERT_EQ(rows.size(), 1048576);
    EXPECT_EQ(rows.last(), QStringList{QStringLiteral("2")});
    EXPECT_EQ(rows[1000], QStringList{QString()});
    // Rows beyond what a spreadsheet holds, each one a record to come: refused.
    const QByteArray longer = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                              "<row r=\"4800000\"><c r=\"A4800000\"><v>2</v></c></row>";
    try {
        read(longer);
        ADD_FAILURE() << "4,800,000 rows read";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Die Tabelle ist zu groß (mehr als 1048576 Zeilen)."));
    }
}

TEST_F(XlsxReader, ChartSheetsAreNoTablesAndNamesComeFromTheWorkbook)
{
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    auto parts = test::xlsxParts({{QStringLiteral("Daten"), "<row><c><v>1</v></c></row>"},
                                  {QStringLiteral("Diagramm"), {}}});
    // Turn the second sheet into a chart sheet, as a workbook with a chart has it.
    for (auto &part : parts) {
        if (part.name == u"xl/_rels/workbook.xml.rels")
            part.data.replace("relationships/worksheet\" Target=\"worksheets/sheet2.xml",
                              "relationships/chartsheet\" Target=\"chartsheets/sheet1.xml");
    }
    test::writeZip(path, parts);
    auto connection = provider.connect(path, TabularKind::Workbook);
    EXPECT_EQ(connection->tableNames(true), QStringList{QStringLiteral("Daten")});
}

TEST_F(XlsxReader, WorkbookWithoutRelationshipsFindsItsSheetsByPosition)
{
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    auto parts = test::xlsxParts({{QStringLiteral("Eins"), "<row><c><v>1</v></c></row>"},
                                  {QStringLiteral("Zwei"), "<row><c><v>2</v></c></row>"}});
    parts.erase(std::remove_if(parts.begin(), parts.end(),
                               [](const test::ZipEntry &e) { return e.name.contains(u"rels"); }),
                parts.end());
    test::writeZip(path, parts);
    auto connection = provider.connect(path, TabularKind::Workbook);
    EXPECT_EQ(connection->tableNames(true).size(), 2);
    auto rows = connection->openTable(QStringLiteral("Zwei"));
    EXPECT_EQ(test::readAll(*rows), QList<QStringList>{{QStringLiteral("2")}});
}

TEST_F(XlsxReader, OnlyTheMainWorkbookPropertiesChooseTheDateSystem)
{
    // Excel for Mac keeps date1904 in workbookPr; the x14:workbookPr it adds inside extLst
    // leaves it out and must not reset it.
    const QByteArray extension =
        "<extLst><ext uri=\"{140A7452-D1D2-4AE1-8A2E-2FE1B4BD4F5E}\" xmlns:x14=\"http://schemas."
        "microsoft.com/office/spreadsheetml/2009/9/main\"><x14:workbookPr "
        "defaultImageDpi=\"220\"%1/></ext></extLst></workbook>";
    const QByteArray cells = "<row><c s=\"1\"><v>43441</v></c></row>";
    for (const bool mac : {true, false}) {
        auto parts = test::xlsxParts({{QStringLiteral("Blatt"), cells}}, {},
                                     "<cellXfs count=\"2\"><xf numFmtId=\"0\"/>"
                                     "<xf numFmtId=\"14\"/></cellXfs>",
                                     mac);
        for (auto &part : parts) {
            if (part.name == u"xl/workbook.xml")
                part.data.replace("</workbook>",
                                  QString::fromLatin1(extension)
                                      .arg(mac ? QString() : QStringLiteral(" date1904=\"1\""))
                                      .toLatin1());
        }
        const QString path = dir.filePath(QStringLiteral("mac.xlsx"));
        test::writeZip(path, parts);
        auto rows =
            provider.connect(path, TabularKind::Workbook)->openTable(QStringLiteral("Blatt"));
        EXPECT_EQ(test::readAll(*rows), QList<QStringList>{{mac ? QStringLiteral("08.12.2022")
                                                                : QStringLiteral("07.12.2018")}})
            << mac;
    }
}

TEST_F(XlsxReader, ABooleanCellWithoutValueIsEmpty)
{
    const QByteArray cells = "<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"/>"
                             "<c r=\"C1\" t=\"b\"><v></v></c><c r=\"D1\"><v>2</v></c></row>";
    EXPECT_EQ(read(cells), (QList<QStringList>{{QStringLiteral("WAHR"), QString(), QString(),
                                                QStringLiteral("2")}}));
}

TEST_F(XlsxReader, ArchivesOfWindowsExportersAndPackagingLibraries)
{
    // Part names with backslashes, and local headers that differ from the central directory
    // in time and version: both sound, both once refused.
    for (const bool backslashes : {true, false}) {
        auto parts = test::xlsxParts({{QStringLiteral("Blatt"), "<row><c><v>11.58</v></c></row>"}});
        for (auto &part : parts) {
            if (backslashes)
                part.name.replace(u'/', u'\\');
            else
                part.laxLocalHeader = true;
        }
        const QString path = dir.filePath(QStringLiteral("export.xlsx"));
        test::writeZip(path, parts);
        auto rows =
            provider.connect(path, TabularKind::Workbook)->openTable(QStringLiteral("Blatt"));
        EXPECT_EQ(test::readAll(*rows), QList<QStringList>{{QStringLiteral("11,58")}})
            << backslashes;
    }
}

TEST_F(XlsxReader, OtherOfficeDocumentsAndBinaryWorkbooksAreRefusedWithTheReason)
{
    const QByteArray ns = "http://schemas.openxmlformats.org/";
    const auto rels = [&](const QByteArray &target) {
        return "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns +
               "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + ns +
               "officeDocument/2006/relationships/officeDocument\" Target=\"" + target +
               "\"/></Relationships>";
    };
    const QString letter = dir.filePath(QStringLiteral("brief.xlsx"));
    test::writeZip(letter, {{QStringLiteral("_rels/.rels"), rels("word/document.xml")},
                            {QStringLiteral("word/document.xml"),
                             "<w:document xmlns:w=\"" + ns +
                                 "wordprocessingml/2006/main\"><w:body/></w:document>"}});
    const QString binary = dir.filePath(QStringLiteral("binaer.xlsx"));
    test::writeZip(binary, {{QStringLiteral("_rels/.rels"), rels("xl/workbook.bin")},
                            {QStringLiteral("xl/workbook.bin"), QByteArray("\x83\x01\x00", 3)}});
    const struct
    {
        QString path;
        QString message;
    } cases[] = {
        {letter,
         QStringLiteral("\"%1\" ist keine Excel- oder OpenDocument-Arbeitsmappe.").arg(letter)},
        {binary, QStringLiteral("Das Format .xlsb wird nicht unterstützt. Bitte die "
                                "Arbeitsmappe als .xlsx speichern.")},
    };
    for (const auto &c : cases) {
        try {
            provider.connect(c.path, TabularKind::Workbook);
            ADD_FAILURE() << c.path.toStdString();
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
}

TEST_F(XlsxReader, AnArchiveCutShortIsDamagedNotForeign)
{
    const QString whole = dir.filePath(QStringLiteral("ganz.xlsx"));
    test::writeSampleXlsx(whole);
    const QString cut = dir.filePath(QStringLiteral("halb.xlsx"));
    const QByteArray bytes = test::readFile(whole);
    test::writeFile(cut, bytes.left(bytes.size() / 2));
    try {
        provider.connect(cut, TabularKind::Workbook);
        ADD_FAILURE() << "opened";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("\"%1\" ist beschädigt.").arg(cut));
    }
}
