// The workbook readers through FileTabularProvider: the same sample workbook as .xls, .ods
// and .xlsx (shared and inline strings) gives the same rows; sheet names select sheets.
#include "base/error.h"
#include "formats/tabular.h"
#include "tabularfixtures.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace ordovan;
using namespace ordovan::formats;

namespace {

QString dataFile(const char *name)
{
    return QStringLiteral(ORDOVAN_TEST_DATA "/tabular/") + QString::fromUtf8(name);
}

enum class Sample
{
    Xls,
    Ods,
    XlsxShared,
    XlsxInline
};

class SampleWorkbook : public ::testing::TestWithParam<Sample>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        switch (GetParam()) {
        case Sample::Xls:
            path = dataFile("zahlungen.xls");
            break;
        case Sample::Ods:
            path = dataFile("zahlungen.ods");
            break;
        case Sample::XlsxShared:
        case Sample::XlsxInline:
            // No extension at all: the content decides the reader.
            path = dir.filePath(QStringLiteral("zahlungen"));
            test::writeSampleXlsx(path, GetParam() == Sample::XlsxInline);
            break;
        }
        connection = provider.connect(path, TabularKind::Workbook);
    }

    QTemporaryDir dir;
    QString path;
    FileTabularProvider provider;
    std::unique_ptr<TabularConnection> connection;
};

} // namespace

TEST_P(SampleWorkbook, ListsTheSheetsAsTheUserNamedThem)
{
    const QStringList expected{QStringLiteral("Zahlungen"), QStringLiteral("Prüfwerte"),
                               QStringLiteral("Leer")};
    EXPECT_EQ(connection->tableNames(true), expected);
    EXPECT_EQ(connection->tableNames(false), expected);
}

TEST_P(SampleWorkbook, ReadsEveryRowIncludingTheTitle)
{
    auto rows = connection->openTable(QStringLiteral("Zahlungen"));
    EXPECT_EQ(rows->fieldCount(), 6);
    EXPECT_EQ(rows->rowCount(), 4);
    EXPECT_EQ(test::readAll(*rows), test::samplePayments());
}

TEST_P(SampleWorkbook, RendersValuesInTheGermanNotation)
{
    auto rows = connection->openTable(QStringLiteral("Prüfwerte"));
    EXPECT_EQ(test::readAll(*rows), test::sampleChecks());
}

TEST_P(SampleWorkbook, NamesSelectSheetsRegardlessOfCase)
{
    auto rows = connection->openTable(QStringLiteral("prüfwerte"));
    EXPECT_EQ(rows->rowCount(), 7);
    auto empty = connection->openTable(QStringLiteral("Leer"));
    EXPECT_EQ(empty->fieldCount(), 0);
    EXPECT_EQ(empty->rowCount(), 0);
    empty->first();
    EXPECT_TRUE(empty->eof());
    EXPECT_THROW(connection->openTable(QStringLiteral("Tabelle1")), Error);
    EXPECT_THROW(connection->openTable(QString()), Error);
}

TEST_P(SampleWorkbook, RowsReadAgainFromTheStart)
{
    auto rows = connection->openTable(QStringLiteral("Zahlungen"));
    rows->first();
    rows->next();
    rows->next();
    EXPECT_EQ(rows->recNo(), 3);
    EXPECT_EQ(rows->text(0), QStringLiteral("Schmidt GmbH"));
    EXPECT_EQ(rows->text(6), QString()); // past the last field
    rows->first();
    EXPECT_EQ(rows->recNo(), 1);
    EXPECT_EQ(rows->text(0), QStringLiteral("Name"));
}

INSTANTIATE_TEST_SUITE_P(Formats, SampleWorkbook,
                         ::testing::Values(Sample::Xls, Sample::Ods, Sample::XlsxShared,
                                           Sample::XlsxInline),
                         [](const auto &info) {
                             switch (info.param) {
                             case Sample::Xls:
                                 return "xls";
                             case Sample::Ods:
                                 return "ods";
                             case Sample::XlsxShared:
                                 return "xlsx_shared";
                             default:
                                 return "xlsx_inline";
                             }
                         });

namespace {

// A spreadsheet document whose content holds the given tables.
QString writeOds(const QTemporaryDir &dir, const QByteArray &tables)
{
    const QString path = dir.filePath(QStringLiteral("t.ods"));
    const QByteArray content =
        "<?xml version=\"1.0\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
        "<office:spreadsheet>" +
        tables + "</office:spreadsheet></office:body></office:document-content>";
    test::writeZip(path, {{QStringLiteral("mimetype"),
                           "application/vnd.oasis.opendocument.spreadsheet", false},
                          {QStringLiteral("content.xml"), content}});
    return path;
}

} // namespace

TEST(OdsReader, RepeatedRowsAndCellsCommentsAndParagraphs)
{
    QTemporaryDir dir;
    const QString path = writeOds(
        dir, "<table:table table:name=\"A\"><table:table-row-group>"
             "<table:table-row table:number-rows-repeated=\"2\">"
             "<table:table-cell table:number-columns-repeated=\"2\" "
             "office:value-type=\"percentage\" office:value=\"0.15\"/>"
             "<table:table-cell office:value-type=\"string\">"
             "<text:p>a<text:tab/>b</text:p><text:p>c<text:line-break/>d<text:s/>e</text:p>"
             "</table:table-cell></table:table-row></table:table-row-group>"
             "<table:table-row><table:table-cell office:value-type=\"currency\" "
             "office:value=\"-12.5\" office:currency=\"EUR\"><text:p>-12,50 €</text:p>"
             "</table:table-cell><table:table-cell office:value-type=\"time\" "
             "office:time-value=\"PT08H15M00S\"/><table:table-cell office:value-type=\"boolean\" "
             "office:boolean-value=\"false\"/></table:table-row></table:table>"
             "<table:table table:name=\"B &amp; C\"/>");
    FileTabularProvider provider;
    auto connection = provider.connect(path, TabularKind::Workbook);
    EXPECT_EQ(connection->tableNames(true),
              (QStringList{QStringLiteral("A"), QStringLiteral("B & C")}));
    auto rows = connection->openTable(QStringLiteral("A"));
    const QStringList repeated{QStringLiteral("0,15"), QStringLiteral("0,15"),
                               QStringLiteral("a\tb\nc\nd e")};
    const QList<QStringList> expected{
        repeated,
        repeated,
        {QStringLiteral("-12,5"), QStringLiteral("08:15:00"), QStringLiteral("FALSCH")}};
    EXPECT_EQ(test::readAll(*rows), expected);
}

TEST(OdsReader, AColumnOfEmptyFormulaResultsKeepsTheFieldsInPlace)
{
    QTemporaryDir dir;
    // Column A: a formula giving "" (field 0 stays), then a name and an amount.
    const QString path =
        writeOds(dir, "<table:table table:name=\"A\"><table:table-row>"
                      "<table:table-cell table:formula=\"of:=IF([.C1]&gt;0;&quot;&quot;;1)\" "
                      "office:value-type=\"string\" office:string-value=\"\"/>"
                      "<table:table-cell office:value-type=\"string\"><text:p>Anna</text:p>"
                      "</table:table-cell><table:table-cell office:value-type=\"float\" "
                      "office:value=\"1.5\"/></table:table-row></table:table>");
    FileTabularProvider provider;
    auto rows = provider.connect(path, TabularKind::Workbook)->openTable(QStringLiteral("A"));
    EXPECT_EQ(test::readAll(*rows),
              (QList<QStringList>{{QString(), QStringLiteral("Anna"), QStringLiteral("1,5")}}));
}

TEST(OdsReader, AnOfficeFileThatIsNoSpreadsheetIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("brief.ods"));
    test::writeZip(path,
                   {{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text", false},
                    {QStringLiteral("content.xml"), "<office:document-content/>"}});
    FileTabularProvider provider;
    EXPECT_THROW(provider.connect(path, TabularKind::Workbook), Error);
}

TEST(OdsReader, ADocumentSavedWithAPasswordIsRefusedAsEncrypted)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("geheim.ods"));
    const QByteArray manifest =
        "<?xml version=\"1.0\"?><manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:"
        "opendocument:xmlns:manifest:1.0\"><manifest:file-entry manifest:full-path=\"/\" "
        "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
        "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type="
        "\"text/xml\"><manifest:encryption-data manifest:checksum-type=\"SHA1/1K\">"
        "<manifest:algorithm manifest:algorithm-name=\"Blowfish CFB\"/></manifest:encryption-data>"
        "</manifest:file-entry></manifest:manifest>";
    test::writeZip(path, {{QStringLiteral("mimetype"),
                           "application/vnd.oasis.opendocument.spreadsheet", false},
                          {QStringLiteral("content.xml"), QByteArray(300, '\x9c'), false},
                          {QStringLiteral("META-INF/manifest.xml"), manifest}});
    FileTabularProvider provider;
    try {
        provider.connect(path, TabularKind::Workbook);
        ADD_FAILURE() << "opened";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("\"%1\" ist verschlüsselt oder kennwortgeschützt.").arg(path));
    }
}
