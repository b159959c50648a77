// Files that are not what their name says, broken or hostile: each ends in an Error, in
// bounded time and memory, never in a crash.
#include "base/error.h"
#include "formats/tabular.h"
#include "tabularfixtures.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

using namespace ordovan;
using namespace ordovan::formats;

namespace {

class BadInput : public ::testing::Test
{
protected:
    QString file(const char *name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(QString::fromUtf8(name));
        test::writeFile(path, bytes);
        return path;
    }

    // Opening and reading the first sheet fails somewhere along the way.
    void expectFailure(const QString &path, TabularKind kind = TabularKind::Workbook)
    {
        EXPECT_THROW(
            {
                auto connection = provider.connect(path, kind);
                const QStringList names = connection->tableNames(false);
                if (names.isEmpty())
                    throw Error(QStringLiteral("keine Tabelle"));
                auto rows = connection->openTable(names.first());
                test::readAll(*rows);
            },
            Error)
            << path.toStdString();
    }

    QTemporaryDir dir;
    FileTabularProvider provider;
};

QByteArray sample(const char *name)
{
    return test::readFile(QStringLiteral(ORDOVAN_TEST_DATA "/tabular/") + QString::fromUtf8(name));
}

const QByteArray kSheetHead = "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas."
                              "openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const QByteArray kSheetTail = "</sheetData></worksheet>";

} // namespace

TEST_F(BadInput, MissingFiles)
{
    const QString missing = dir.filePath(QStringLiteral("fehlt.xlsx"));
    EXPECT_THROW(provider.connect(missing, TabularKind::Workbook), Error);
    EXPECT_THROW(provider.connect(missing, TabularKind::Database), Error);
    EXPECT_THROW(provider.connect(dir.path(), TabularKind::Workbook), Error);
}

TEST_F(BadInput, RenamedTextFiles)
{
    const QByteArray csv = "Name;IBAN;Betrag\nMüller;DE89370400440532013000;11,58\n";
    expectFailure(file("liste.xlsx", csv));
    expectFailure(file("liste.xls", csv));
    expectFailure(file("liste.ods", csv));
    expectFailure(file("liste.mdb", csv), TabularKind::Database);
    expectFailure(file("leer.xlsx", QByteArray()));
    expectFailure(file("leer.mdb", QByteArray()), TabularKind::Database);
    // A workbook handed to the database reader is no database.
    expectFailure(file("mappe.mdb", sample("zahlungen.xls")), TabularKind::Database);
}

TEST_F(BadInput, TruncatedWorkbooks)
{
    const QString xlsxPath = dir.filePath(QStringLiteral("ganz.xlsx"));
    test::writeSampleXlsx(xlsxPath);
    const QByteArray xlsx = test::readFile(xlsxPath);
    const QByteArray xls = sample("zahlungen.xls");
    const QByteArray ods = sample("zahlungen.ods");
    for (const double share : {0.1, 0.5, 0.9}) {
        expectFailure(file("halb.xlsx", xlsx.left(int(xlsx.size() * share))));
        expectFailure(file("halb.xls", xls.left(int(xls.size() * share))));
        expectFailure(file("halb.ods", ods.left(int(ods.size() * share))));
    }
}

TEST_F(BadInput, ContainersWithoutAWorkbook)
{
    // An OLE container without a workbook stream, as an encrypted .xlsx is one.
    QByteArray ole = QByteArray::fromHex("d0cf11e0a1b11ae1");
    ole += QByteArray(4096, '\0');
    expectFailure(file("verschluesselt.xlsx", ole));
    test::writeZip(dir.filePath(QStringLiteral("bilder.xlsx")),
                   {{QStringLiteral("bild.png"), QByteArray(100, 'x')}});
    expectFailure(dir.filePath(QStringLiteral("bilder.xlsx")));
    // A zip whose parts are encrypted.
    auto parts = test::xlsxParts({{QStringLiteral("Blatt"), "<row><c><v>1</v></c></row>"}});
    for (auto &part : parts)
        part.encrypted = true;
    test::writeZip(dir.filePath(QStringLiteral("geheim.xlsx")), parts);
    expectFailure(dir.filePath(QStringLiteral("geheim.xlsx")));
}

TEST_F(BadInput, BrokenSheetXmlAndMissingParts)
{
    const QString broken = dir.filePath(QStringLiteral("kaputt.xlsx"));
    test::writeXlsx(broken, {{QStringLiteral("Blatt"), "<row><c><v>1</v></row>"}});
    expectFailure(broken);

    const QString missing = dir.filePath(QStringLiteral("ohne.xlsx"));
    auto parts = test::xlsxParts({{QStringLiteral("Blatt"), "<row><c><v>1</v></c></row>"}});
    parts.removeIf([](const test::ZipEntry &e) { return e.name.contains(u"worksheets"); });
    test::writeZip(missing, parts);
    auto connection = provider.connect(missing, TabularKind::Workbook);
    EXPECT_THROW(connection->openTable(QStringLiteral("Blatt")), Error);
}

TEST_F(BadInput, ZipBombStopsAtTheLimit)
{
    // A sheet of a few kilobytes that inflates to 2 GiB of blanks.
    auto parts = test::xlsxParts({{QStringLiteral("Blatt"), {}}});
    for (auto &part : parts) {
        if (part.name == u"xl/worksheets/sheet1.xml") {
            part.data = kSheetHead + "<row><c><v>1</v></c></row>";
            part.blanks = 2LL * 1024 * 1024 * 1024;
            part.tail = kSheetTail;
        }
    }
    const QString honest = dir.filePath(QStringLiteral("bombe.xlsx"));
    test::writeZip(honest, parts);
    EXPECT_LT(QFile(honest).size(), 4 * 1024 * 1024);

    QElapsedTimer timer;
    timer.start();
    expectFailure(honest);
    EXPECT_LT(timer.elapsed(), 2000); // the stated size alone refuses it

    // The same bomb claiming to be small: the bytes that come out are counted.
    for (auto &part : parts) {
        if (part.name == u"xl/worksheets/sheet1.xml")
            part.statedSize = 1000;
    }
    const QString liar = dir.filePath(QStringLiteral("luegner.xlsx"));
    test::writeZip(liar, parts);
    TabularLimits limits;
    limits.maxPartBytes = 64 * 1024 * 1024;
    FileTabularProvider strict(limits);
    EXPECT_THROW(
        {
            auto rows =
                strict.connect(liar, TabularKind::Workbook)->openTable(QStringLiteral("Blatt"));
            rows->rowCount();
        },
        Error);
}

TEST_F(BadInput, TooManyCellsAndTooMuchText)
{
    TabularLimits limits;
    limits.maxCells = 1000;
    limits.maxTextChars = 10000;
    FileTabularProvider strict(limits);
    const auto readWith = [&](const QString &path) {
        auto connection = strict.connect(path, TabularKind::Workbook);
        auto rows = connection->openTable(connection->tableNames(true).first());
        return test::readAll(*rows).size();
    };

    QByteArray many;
    for (int r = 1; r <= 101; ++r)
        many += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"J" + QByteArray::number(r) +
                "\"><v>1</v></c><c r=\"A" + QByteArray::number(r) + "\"><v>1</v></c></row>";
    const QString xlsx = dir.filePath(QStringLiteral("viel.xlsx"));
    test::writeXlsx(xlsx, {{QStringLiteral("Blatt"), many}});
    EXPECT_THROW(readWith(xlsx), Error);
    EXPECT_EQ(provider.connect(xlsx, TabularKind::Workbook)
                  ->openTable(QStringLiteral("Blatt"))
                  ->rowCount(),
              101);

    const QString text = dir.filePath(QStringLiteral("text.xlsx"));
    test::writeXlsx(text, {{QStringLiteral("Blatt"), "<row><c t=\"s\"><v>0</v></c></row>"}},
                    "<si><t>" + QByteArray(20000, 'x') + "</t></si>");
    EXPECT_THROW(readWith(text), Error);

    // An .ods row with content repeated six million times.
    const QByteArray content =
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:"
        "office:1.0\" xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\">"
        "<office:body><office:spreadsheet><table:table table:name=\"T\">"
        "<table:table-row table:number-rows-repeated=\"6000000\"><table:table-cell "
        "office:value-type=\"float\" office:value=\"1\"/></table:table-row>"
        "</table:table></office:spreadsheet></office:body></office:document-content>";
    const QString ods = dir.filePath(QStringLiteral("viel.ods"));
    test::writeZip(ods, {{QStringLiteral("content.xml"), content}});
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(readWith(ods), Error);
    auto big = provider.connect(ods, TabularKind::Workbook)->openTable(QStringLiteral("T"));
    EXPECT_THROW(big->rowCount(), Error);
    EXPECT_LT(timer.elapsed(), 5000);
}
