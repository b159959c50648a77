// The table file writer against the documented worked examples, and write/read round trips.
#include "base/codec.h"
#include "base/error.h"
#include "store/schema.h"
#include "store/table.h"
#include "store/tablefile.h"
#include "testutil.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace ordovan;
using namespace ordovan::store;
using ordovan::test::readFile;
using ordovan::test::writeFile;

namespace {

class TableFileTest : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir.filePath(name); }

    // Writes the table and returns the file's bytes.
    QByteArray written(const Table &t, const QString &name = QStringLiteral("t.xml"))
    {
        writeTableFile(t, path(name));
        return readFile(path(name));
    }

    // The ROWDATA part of a file.
    static QByteArray rowData(const QByteArray &file)
    {
        const qsizetype from = file.indexOf("<ROWDATA>");
        return file.mid(from, file.indexOf("</ROWDATA>") - from + 10);
    }

    static void insertSepa(Table &t, int id, const QVariantMap &values)
    {
        t.insert();
        t.setValue(u"ID", id);
        for (auto it = values.begin(); it != values.end(); ++it)
            t.setValue(it.key(), it.value());
        t.post();
    }

    QTemporaryDir dir;
};

// Every visible row as display texts, in iteration order.
QStringList visibleRows(Table &t)
{
    QStringList rows;
    for (t.first(); !t.eof(); t.next()) {
        QStringList cells;
        for (int f = 0; f < t.storedFieldCount(); ++f)
            cells << (t.isNull(f) ? QStringLiteral("<null>") : t.text(f));
        rows << cells.join(u'|');
    }
    return rows;
}

std::vector<int> flagsOf(const Table &t)
{
    std::vector<int> flags;
    for (const RowVersion &v : t.versions())
        flags.push_back(v.flags());
    return flags;
}

TEST_F(TableFileTest, FreshMandantFileIsByteExact)
{
    Table t(QStringLiteral("ClientDataSet3"));
    t.createEmpty(mandantFields());
    t.setCalculatedFields(mandantCalculatedFields()); // never written
    const QByteArray expected =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA>"
        "<FIELDS><FIELD attrname=\"ID\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"Name\" fieldtype=\"string\" WIDTH=\"50\"/>"
        "<FIELD attrname=\"Kontonummer1\" fieldtype=\"string\" WIDTH=\"50\"/>"
        "<FIELD attrname=\"IBAN1\" fieldtype=\"string\" WIDTH=\"34\"/>"
        "<FIELD attrname=\"BLZ1\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"BIC1\" fieldtype=\"string\" WIDTH=\"11\"/>"
        "<FIELD fieldname=\"Stra\xDF"
        "e\" attrname=\"xF1\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "<FIELD attrname=\"PLZ\" fieldtype=\"string\" WIDTH=\"10\"/>"
        "<FIELD attrname=\"Ort\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "<FIELD attrname=\"Land\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "<FIELD attrname=\"Kontonummer2\" fieldtype=\"string\" WIDTH=\"50\"/>"
        "<FIELD attrname=\"IBAN2\" fieldtype=\"string\" WIDTH=\"34\"/>"
        "<FIELD attrname=\"BLZ2\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"BIC2\" fieldtype=\"string\" WIDTH=\"11\"/>"
        "<FIELD attrname=\"Kontonummer3\" fieldtype=\"string\" WIDTH=\"50\"/>"
        "<FIELD attrname=\"IBAN3\" fieldtype=\"string\" WIDTH=\"34\"/>"
        "<FIELD attrname=\"BLZ3\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"BIC3\" fieldtype=\"string\" WIDTH=\"11\"/>"
        "<FIELD attrname=\"GlID\" fieldtype=\"string\" WIDTH=\"35\"/>"
        "<FIELD fieldname=\"Aktives Konto\" attrname=\"Aktives_Konto\" fieldtype=\"i4\"/>"
        "</FIELDS><PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>";
    EXPECT_EQ(written(t), expected);

    Table back(QStringLiteral("back"));
    readTableFile(back, path(QStringLiteral("t.xml")));
    ASSERT_EQ(back.storedFieldCount(), 20);
    EXPECT_EQ(back.fieldDef(6).name, QStringLiteral("Straße"));
    EXPECT_EQ(back.fieldDef(19).name, QStringLiteral("Aktives Konto"));
    EXPECT_EQ(back.fieldDef(18).width, 35);
    EXPECT_TRUE(back.isEmpty());
}

TEST_F(TableFileTest, ValuesAreWrittenInTheirFileForm)
{
    Table t(QStringLiteral("ClientDataSetAZV"));
    t.createEmpty(sepaPaymentFields());
    insertSepa(
        t, 1,
        {{QStringLiteral("Name1"), QStringLiteral("Müller")},
         {QStringLiteral("Strasse"), QStringLiteral("Weg 1")},
         {QStringLiteral("Datum"), QDate(2023, 12, 31)},
         {QStringLiteral("Verwendungszweck"), QStringLiteral("A\r\nB\tC:\\x <a&b> \"q\" 'y'")},
         {QStringLiteral("Betrag"), 11.58}});
    insertSepa(t, 2, {{QStringLiteral("Betrag"), 250.0}, {QStringLiteral("Name2"), QString()}});
    const QByteArray rows = rowData(written(t));
    EXPECT_EQ(rows, "<ROWDATA><ROW RowState=\"4\" ID=\"1\" Name1=\"M\xFCller\" xF1=\"Weg 1\" "
                    "Datum=\"20231231\" Verwendungszweck=\"A&#013;&#010;B&#009;C:&#092;x &lt;a&amp;"
                    "b&gt; &quot;q&quot; &apos;y&apos;\" Betrag=\"11.58\"/>"
                    "<ROW RowState=\"4\" ID=\"2\" Betrag=\"250\"/></ROWDATA>");
}

TEST_F(TableFileTest, ThreeInsertsGiveTheirChangeLog)
{
    Table t(QStringLiteral("ClientDataSet1"));
    t.createEmpty(domesticPaymentFields());
    for (int id = 1; id <= 3; ++id)
        insertSepa(t, id, {});
    const QByteArray file = written(t);
    EXPECT_TRUE(file.contains("<PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 0 4\"/>"));
    EXPECT_EQ(file.count("<ROW RowState=\"4\" ID="), 3);
}

TEST_F(TableFileTest, FloatsAreShortestDecimalsAndReadBack)
{
    struct Case
    {
        double value;
        const char *text;
    };
    const Case cases[] = {{11.58, "11.58"},
                          {250.0, "250"},
                          {0.07, "0.07"},
                          {-1234.5, "-1234.5"},
                          {0.0, "0"},
                          {12345678.9, "12345678.9"},
                          {100000000.0, "100000000"}, // not 1e+08
                          {99999999999999.99, "99999999999999.98"},
                          {1e20, "1e+20"},
                          {2.5e-7, "2.5e-07"},
                          {0.1 + 0.2, "0.3"}}; // needs 17 digits: cut to 16
    Table t(QStringLiteral("f"));
    t.createEmpty({{QStringLiteral("X"), FieldKind::Float, 0, false}});
    for (const Case &c : cases) {
        t.insert();
        t.setValue(0, c.value);
        t.post();
    }
    const QByteArray rows = rowData(written(t));
    Table back(QStringLiteral("back"));
    readTableFile(back, path(QStringLiteral("t.xml")));
    back.first();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(rows.contains(QByteArray(" X=\"") + c.text + "\"/>"));
        if (std::string_view(c.text) != "0.3") {
            EXPECT_EQ(*back.number(0), c.value);
        }
        back.next();
    }
}

TEST_F(TableFileTest, IntegerLimitsAndDatesReadBack)
{
    writeFile(path(QStringLiteral("n.xml")),
              "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"I\" fieldtype=\"i4\"/><FIELD "
              "attrname=\"D\" fieldtype=\"date\"/></FIELDS></METADATA><ROWDATA>"
              "<ROW I=\"-2147483648\" D=\"00010101\"/><ROW I=\"2147483647\" D=\"99991231\"/>"
              "<ROW I=\"007\" D=\"20240229\"/></ROWDATA></DATAPACKET>");
    Table t(QStringLiteral("t"));
    readTableFile(t, path(QStringLiteral("n.xml")));
    t.first();
    EXPECT_EQ(t.integer(0), std::numeric_limits<qint32>::min());
    EXPECT_EQ(t.date(1), QDate(1, 1, 1));
    t.next();
    EXPECT_EQ(t.integer(0), std::numeric_limits<qint32>::max());
    EXPECT_EQ(t.date(1), QDate(9999, 12, 31));
    t.next();
    EXPECT_EQ(t.integer(0), 7);
    const QByteArray rows = rowData(written(t));
    EXPECT_EQ(rows, "<ROWDATA><ROW I=\"-2147483648\" D=\"00010101\"/><ROW I=\"2147483647\" "
                    "D=\"99991231\"/><ROW I=\"7\" D=\"20240229\"/></ROWDATA>");
}

TEST_F(TableFileTest, DatesOverTheWholeRangeAreWrittenAsTheCalendarHasThem)
{
    // Every 29th day from 0001-01-01 to 9999-12-31 (enough rows for the threaded writer).
    Table t(QStringLiteral("t"));
    t.createEmpty({{QStringLiteral("D"), FieldKind::Date, 0, false}});
    QByteArray expected = "<ROWDATA>";
    for (QDate d(1, 1, 1); d <= QDate(9999, 12, 31); d = d.addDays(29)) {
        t.insert();
        t.setValue(0, d);
        t.post();
        expected += "<ROW RowState=\"4\" D=\"" + d.toString(u"yyyyMMdd").toLatin1() + "\"/>";
    }
    expected += "</ROWDATA>";
    EXPECT_EQ(rowData(written(t)), expected);
}

TEST_F(TableFileTest, AttributeNamesAreUsableAndUnique)
{
    const QStringList names = {QStringLiteral("A B"),        QStringLiteral("A_B"),
                               QStringLiteral("x(1)#*!$%?"), QStringLiteral("Größe"),
                               QStringLiteral("RowState"),   QStringLiteral("1st"),
                               QStringLiteral("a/b"),        QStringLiteral("xF1")};
    QList<FieldDef> fields;
    for (const QString &n : names)
        fields.append({n, FieldKind::Integer, 0, false});
    Table t(QStringLiteral("names"));
    t.createEmpty(fields);
    t.insert();
    for (int f = 0; f < fields.size(); ++f)
        t.setValue(f, f + 1);
    t.post();
    const QByteArray file = written(t);
    EXPECT_TRUE(file.contains("<FIELD fieldname=\"A B\" attrname=\"A_B\""));
    EXPECT_TRUE(file.contains("<FIELD fieldname=\"x(1)#*!$%?\" attrname=\"x_1_______\""));
    EXPECT_TRUE(file.contains("<FIELD attrname=\"xF1\" fieldtype=\"i4\"/>"));
    EXPECT_EQ(file.count("attrname=\"A_B\""), 1);

    // Every field comes back under its own name with its own value.
    Table back(QStringLiteral("back"));
    readTableFile(back, path(QStringLiteral("t.xml")));
    ASSERT_EQ(back.storedFieldCount(), names.size());
    back.first();
    for (int f = 0; f < names.size(); ++f) {
        EXPECT_EQ(back.fieldDef(f).name, names[f]);
        EXPECT_EQ(back.integer(f), f + 1) << names[f].toStdString();
    }
}

TEST_F(TableFileTest, EditsAndDeletesRoundTrip)
{
    Table t(QStringLiteral("ClientDataSetAZV"));
    t.setIndexField(QStringLiteral("ID"));
    t.createEmpty(sepaPaymentFields());
    for (int id = 1; id <= 5; ++id)
        insertSepa(t, id,
                   {{QStringLiteral("Name1"), QStringLiteral("Name %1").arg(id)},
                    {QStringLiteral("Betrag"), id * 1.25},
                    {QStringLiteral("Datum"), QDate(2024, 2, id)}});
    t.locate(u"ID", 2);
    t.edit();
    t.setValue(u"Name1", QStringLiteral("Geändert"));
    t.setNull(t.field(u"Datum"));
    t.post();
    t.edit(); // an edit of an edited row
    t.setValue(u"Betrag", 99.99);
    t.post();
    t.locate(u"ID", 4);
    t.remove();
    t.locate(u"ID", 5);
    t.edit();
    t.setValue(u"Name1", QStringLiteral("weg"));
    t.post();
    t.remove(); // a delete of an edited row
    t.locate(u"ID", 3);
    t.edit(); // posting unchanged values adds nothing
    t.post();

    const QByteArray first = written(t, QStringLiteral("a.xml"));
    Table back(QStringLiteral("back"));
    back.setIndexField(QStringLiteral("ID"));
    readTableFile(back, path(QStringLiteral("a.xml")));
    EXPECT_EQ(visibleRows(back), visibleRows(t));
    EXPECT_EQ(visibleRows(back).size(), 3);
    EXPECT_EQ(back.changeLog(), t.changeLog());
    EXPECT_EQ(flagsOf(back), flagsOf(t));
    EXPECT_EQ(flagsOf(back), (std::vector<int>{4, 4, 4, 6, 4, 8, 8, 10}));
    EXPECT_EQ(back.maxIntegerEver(0), 5);
    // A second round trip changes no byte.
    EXPECT_EQ(written(back, QStringLiteral("b.xml")), first);
}

TEST_F(TableFileTest, FilesOfTheOlderProgramRead)
{
    // Unchanged rows without RowState and without a change log, a kept DEFAULT_ORDER, and
    // inserted rows with their log.
    const QByteArray file =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA>"
        "<FIELDS><FIELD attrname=\"ID\" fieldtype=\"i4\"/><FIELD attrname=\"Name\" "
        "fieldtype=\"string\" WIDTH=\"50\"/><FIELD attrname=\"Betrag\" fieldtype=\"r8\" "
        "SUBTYPE=\"Money\"/><FIELD attrname=\"Erstellungsdatum\" fieldtype=\"date\"/></FIELDS>"
        "<PARAMS CHANGE_LOG=\"3 0 4\" DEFAULT_ORDER=\"\"/></METADATA><ROWDATA>"
        "<ROW ID=\"2\" Name=\"J\xFCrgen\" Betrag=\"1.5\" Erstellungsdatum=\"19991231\"/>"
        "<ROW ID=\"1\" Name=\"Zo\xEB\"/>"
        "<ROW RowState=\"4\" ID=\"3\" Betrag=\"-7\"/></ROWDATA></DATAPACKET>";
    writeFile(path(QStringLiteral("old.xml")), file);
    Table t(QStringLiteral("ClientDataSet1"));
    t.setIndexField(QStringLiteral("ID"));
    readTableFile(t, path(QStringLiteral("old.xml")));
    EXPECT_EQ(visibleRows(t), (QStringList{QStringLiteral("1|Zoë|<null>|<null>"),
                                           QStringLiteral("2|Jürgen|1,5|31.12.1999"),
                                           QStringLiteral("3|<null>|-7|<null>")}));
    EXPECT_EQ(t.fieldDef(2).kind, FieldKind::Currency);
    EXPECT_EQ(t.params(),
              (QList<std::pair<QString, QString>>{{QStringLiteral("DEFAULT_ORDER"), QString()}}));
    EXPECT_FALSE(t.modified());
    // Written back unchanged, it is the same file.
    EXPECT_EQ(written(t), file);
}

TEST_F(TableFileTest, RawControlBytesOfOlderFilesAreDropped)
{
    // Older files hold control characters raw inside values, which XML does not allow.
    const QByteArray body = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD "
                            "attrname=\"N\" fieldtype=\"string\" WIDTH=\"9\"/></FIELDS>"
                            "<PARAMS/></METADATA><ROWDATA><ROW N=\"\x01J\x1F\xFCrg\x0C\"/>"
                            "</ROWDATA></DATAPACKET>";
    for (const QByteArray &decl : {QByteArray("<?xml version=\"1.0\" standalone=\"yes\"?>  "),
                                   QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")}) {
        const bool utf8 = decl.contains("UTF-8");
        SCOPED_TRACE(utf8 ? "utf-8" : "windows-1252");
        writeFile(path(QStringLiteral("ctl.xml")),
                  decl + (utf8 ? codec::fromCp1252(body).toUtf8() : body));
        Table t(QStringLiteral("t"));
        readTableFile(t, path(QStringLiteral("ctl.xml")));
        t.first();
        EXPECT_EQ(t.text(0), QStringLiteral("Jürg"));
    }
}

TEST_F(TableFileTest, DeclaredEncodingsReadLikeTheWindows1252Twin)
{
    const QByteArray body = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                            "<FIELD fieldname=\"Stra\xDF"
                            "e\" attrname=\"xF1\" fieldtype=\"string\" WIDTH=\"5\"/>"
                            "</FIELDS><PARAMS/></METADATA><ROWDATA>"
                            "<ROW xF1=\"\x80 \xE4\xF6\xFC\xDF\x9C\"/><ROW xF1=\"a&#092;b\"/>"
                            "</ROWDATA></DATAPACKET>";
    const QByteArray plain = "<?xml version=\"1.0\" standalone=\"yes\"?>  " + body;
    const QByteArray asUtf8 = codec::fromCp1252(body).toUtf8();
    writeFile(path(QStringLiteral("plain.xml")), plain);
    writeFile(path(QStringLiteral("utf8.xml")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>  " + asUtf8);
    writeFile(path(QStringLiteral("bom.xml")), "\xEF\xBB\xBF<?xml version='1.0'?>" + asUtf8);
    writeFile(path(QStringLiteral("cp1252.xml")),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + body);
    writeFile(path(QStringLiteral("latin1.xml")),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body);

    Table twin(QStringLiteral("twin"));
    readTableFile(twin, path(QStringLiteral("plain.xml")));
    twin.first();
    EXPECT_EQ(twin.text(0), QStringLiteral("€ äöü")); // cut to 5
    EXPECT_EQ(twin.fieldDef(0).name, QStringLiteral("Straße"));
    const QByteArray expected = written(twin, QStringLiteral("twin-out.xml"));
    for (const char *name : {"utf8.xml", "bom.xml", "cp1252.xml", "latin1.xml"}) {
        SCOPED_TRACE(name);
        Table t(QStringLiteral("t"));
        readTableFile(t, path(QString::fromLatin1(name)));
        EXPECT_EQ(written(t, QStringLiteral("out.xml")), expected);
    }

    // A character Windows-1252 cannot hold reads as "?".
    writeFile(path(QStringLiteral("pl.xml")),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>" +
                  QStringLiteral("<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"N\" "
                                 "fieldtype=\"string\" WIDTH=\"9\"/></FIELDS></METADATA>"
                                 "<ROWDATA><ROW N=\"Łódź\"/></ROWDATA></DATAPACKET>")
                      .toUtf8());
    Table pl(QStringLiteral("pl"));
    readTableFile(pl, path(QStringLiteral("pl.xml")));
    pl.first();
    EXPECT_EQ(pl.text(0), QStringLiteral("?ód?"));
}

TEST_F(TableFileTest, OtherTypeWordsAndLongTexts)
{
    const QByteArray longText(3 << 20, 'x'); // longer than one read chunk
    const QByteArray file =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA>"
        "<FIELDS><FIELD attrname=\"S\" fieldtype=\"i2\"/><FIELD attrname=\"B\" "
        "fieldtype=\"boolean\"/><FIELD attrname=\"U\" fieldtype=\"string.uni\" WIDTH=\"4\"/>"
        "<FIELD attrname=\"F\" fieldtype=\"fixed\" SUBTYPE=\"Money\"/>"
        "<FIELD attrname=\"Cut\" fieldtype=\"string\" WIDTH=\"500\"/>"
        "<FIELD attrname=\"Memo\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"><PARAM Name=\"x\"/>"
        "</FIELD></FIELDS><PARAMS/></METADATA><ROWDATA><ROW S=\"-3\" B=\"TRUE\" U=\"abcdef\" "
        "F=\"12.34\" Cut=\"" +
        longText + "\" Memo=\"" + longText + "\"/><ROW B=\"FALSE\"/></ROWDATA></DATAPACKET>";
    writeFile(path(QStringLiteral("other.xml")), file);
    Table t(QStringLiteral("t"));
    readTableFile(t, path(QStringLiteral("other.xml")));
    EXPECT_EQ(t.fieldDef(0).kind, FieldKind::Integer);
    EXPECT_EQ(t.fieldDef(3).kind, FieldKind::Currency);
    t.first();
    EXPECT_EQ(t.integer(0), -3);
    EXPECT_EQ(t.integer(1), 1);
    EXPECT_EQ(t.text(2), QStringLiteral("abcd"));
    EXPECT_EQ(t.number(3), 12.34);
    EXPECT_EQ(t.text(4).size(), 500);
    EXPECT_EQ(t.text(5).size(), longText.size());
    t.next();
    EXPECT_EQ(t.integer(1), 0);
}

} // namespace
