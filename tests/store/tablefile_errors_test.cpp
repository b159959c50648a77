// Bad table files and failing writes: a clear German error naming the file, and nothing
// stored is lost (neither the table in memory nor the file on disk).
#include "base/error.h"
#include "store/schema.h"
#include "store/table.h"
#include "store/tablefile.h"
#include "testutil.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;
using namespace ordovan::store;
using ordovan::test::readFile;
using ordovan::test::writeFile;

namespace {

const QByteArray kHead = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">"
                         "<METADATA><FIELDS><FIELD attrname=\"ID\" fieldtype=\"i4\"/>"
                         "<FIELD attrname=\"D\" fieldtype=\"date\"/><FIELD attrname=\"N\" "
                         "fieldtype=\"string\" WIDTH=\"10\"/></FIELDS>";

QByteArray withRows(const QByteArray &rows, const QByteArray &params = "<PARAMS/>")
{
    return kHead + params + "</METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

// A table holding one row, to see that a failed read leaves it alone.
void fillOneRow(Table &t)
{
    t.createEmpty(domesticPaymentFields());
    t.insert();
    t.setValue(u"ID", 7);
    t.post();
}

struct BadFile
{
    const char *what;
    QByteArray bytes;
    const char *detail; // a part of the error's detail
};

class BadFileTest : public ::testing::TestWithParam<BadFile>
{};

TEST_P(BadFileTest, IsReportedAndLeavesTheTableAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db5.xml"));
    writeFile(path, GetParam().bytes);
    Table t(QStringLiteral("ClientDataSetAZV"));
    fillOneRow(t);
    try {
        readTableFile(t, path);
        FAIL() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Die Tabellendatei \"%1\" kann nicht gelesen werden.").arg(path));
        EXPECT_TRUE(e.detail().contains(QString::fromUtf8(GetParam().detail)))
            << e.detail().toStdString();
    }
    EXPECT_EQ(t.storedFieldCount(), domesticPaymentFields().size());
    ASSERT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.integer(0), 7);
    EXPECT_TRUE(t.modified());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadFileTest,
    ::testing::Values(
        BadFile{"empty", "", "Zeile 1"}, BadFile{"not xml", "Kontoauszug 2023\r\n", "Zeile 1"},
        BadFile{"truncated", withRows("<ROW ID=\"1\"/>").left(200), "Zeile 1"},
        BadFile{"other root", "<FOO/>", "Wurzelelement"},
        BadFile{"no fields", "<DATAPACKET><ROWDATA/></DATAPACKET>", "keine Felder"},
        BadFile{"short date", withRows("<ROW ID=\"1\" D=\"2023011\"/>"), "\"2023011\""},
        BadFile{"no such day", withRows("<ROW D=\"20230230\"/>"), "Feld \"D\""},
        BadFile{"text in i4", withRows("<ROW ID=\"abc\"/>"), "ungültiger Wert \"abc\""},
        BadFile{"i4 overflow", withRows("<ROW ID=\"2147483648\"/>"), "Feld \"ID\""},
        BadFile{"lone minus", withRows("<ROW ID=\"-\"/>"), "Feld \"ID\""},
        BadFile{"plus sign", withRows("<ROW ID=\"+5\"/>"), "Feld \"ID\""},
        BadFile{"blank in i4", withRows("<ROW ID=\"5 \"/>"), "Feld \"ID\""},
        BadFile{"bad row state", withRows("<ROW RowState=\"x\" ID=\"1\"/>"), "RowState"},
        BadFile{"unknown attribute", withRows("<ROW ID=\"1\" Q=\"1\"/>"), "Attribut \"Q\""},
        BadFile{"duplicate attribute", withRows("<ROW ID=\"1\" ID=\"2\"/>"), "Zeile 1"},
        BadFile{"log beyond rows",
                withRows("<ROW ID=\"1\"/>", "<PARAMS CHANGE_LOG=\"1 0 4 2 0 4\"/>"),
                "Datenzeile 2"},
        BadFile{"log not in threes", withRows("<ROW ID=\"1\"/>", "<PARAMS CHANGE_LOG=\"1 0\"/>"),
                "unvollständig"},
        BadFile{"log not numbers", withRows("", "<PARAMS CHANGE_LOG=\"1 x 4\"/>"), "CHANGE_LOG"},
        BadFile{"unknown type",
                "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"X\" "
                "fieldtype=\"nested\"/></FIELDS></METADATA></DATAPACKET>",
                "Feldtyp \"nested\""},
        BadFile{"doctype",
                "<?xml version=\"1.0\"?><!DOCTYPE DATAPACKET [<!ENTITY a \"b\">]>"
                "<DATAPACKET/>",
                "Dokumenttypdeklaration"},
        BadFile{"control character reference", withRows("<ROW N=\"a&#1;z\"/>"), "Zeile 1"}),
    [](const auto &info) {
        QString name = QString::fromLatin1(info.param.what);
        name.replace(u' ', u'_');
        return name.toStdString();
    });

TEST(TableFileErrors, MissingFileNamesTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.xml"));
    Table t(QStringLiteral("ClientDataSet1"));
    try {
        readTableFile(t, path);
        FAIL() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Die Datei \"%1\" wurde nicht gefunden.").arg(path));
    }
    EXPECT_FALSE(t.isOpen());
    EXPECT_THROW(readTableFile(t, dir.path()), Error); // a folder is not a file
}

TEST(TableFileErrors, AWriteThatFailsHalfWayKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.xml"));
    writeFile(path, "previous");
    // Megabytes of good rows (so some were already flushed), then a date no file can hold.
    std::vector<RowVersion> rows;
    const std::string name(40, 'n');
    for (int i = 0; i < 50000; ++i)
        rows.emplace_back(quint8(RowInserted), std::vector<std::string_view>{{}, name});
    const qint32 jd = qint32(QDate(12000, 1, 1).toJulianDay());
    const std::string_view date(reinterpret_cast<const char *>(&jd), 4);
    rows.emplace_back(quint8(RowInserted),
                      std::vector<std::string_view>{{}, {}, {}, {}, {}, {}, {}, date});
    Table t(QStringLiteral("ClientDataSet1"));
    t.load(domesticPaymentFields(), std::move(rows), {});
    EXPECT_THROW(writeTableFile(t, path), Error);
    EXPECT_EQ(readFile(path), "previous");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("db1.xml")});
}

TEST(TableFileErrors, ATableThatIsNotOpenIsNeverWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.xml"));
    writeFile(path, "keep me");
    Table t(QStringLiteral("ClientDataSet1"));
    fillOneRow(t);
    t.close();
    EXPECT_THROW(writeTableFile(t, path), Error);
    EXPECT_EQ(readFile(path), "keep me");
}

TEST(TableFileErrors, ControlCharactersNeverReachTheFile)
{
    // XML cannot carry them: a file holding one could never be read again.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.xml"));
    Table t(QStringLiteral("ClientDataSet1"));
    t.createEmpty(domesticPaymentFields());
    t.insert();
    t.setValue(u"Name", QStringLiteral("A\x01\x1A\x0C"
                                       "B\tC"));
    t.post();
    EXPECT_EQ(t.text(1), QStringLiteral("AB\tC"));
    t.insert();
    t.setText(1, u"D\x02\r\nE\x1F");
    t.post();
    EXPECT_EQ(t.text(1), QStringLiteral("D\r\nE"));
    // Also when a row was put into the table directly.
    t.load(domesticPaymentFields(),
           [] {
               std::vector<RowVersion> v;
               v.emplace_back(quint8(RowInserted), std::vector<std::string_view>{{}, "x\x02y"});
               return v;
           }(),
           {1, 0, 4});
    writeTableFile(t, path);
    Table back(QStringLiteral("back"));
    readTableFile(back, path);
    back.first();
    EXPECT_EQ(back.text(1), QStringLiteral("xy"));
}

} // namespace
