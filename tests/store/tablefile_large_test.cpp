// Large table files are read with worker threads for their rows. Whatever the shape of the
// file, the result must be what a plain reading gives: the same table, the same complaint.
#include "base/codec.h"
#include "base/error.h"
#include "store/schema.h"
#include "store/table.h"
#include "store/tablefile.h"
#include "store/tablefilerows.h"
#include "testutil.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

using namespace ordovan;
using namespace ordovan::store;
using ordovan::test::readFile;
using ordovan::test::writeFile;

namespace {

constexpr int kRows = 80000; // about 25 MB: well above the size that brings in the threads

class LargeTableFile : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        Table t(QStringLiteral("ClientDataSetAZV"));
        t.setIndexField(QStringLiteral("ID"));
        t.createEmpty(sepaPaymentFields());
        for (int id = 1; id <= kRows; ++id) {
            t.insert();
            t.setValue(u"ID", id);
            t.setValue(u"Name1", QStringLiteral("Jürgen Weiß <%1> & \"Söhne\"").arg(id));
            t.setValue(u"Strasse", QStringLiteral("Straße %1").arg(id % 97));
            t.setValue(u"Verwendungszweck",
                       QStringLiteral("Beitrag\r\nZeile 2\tC:\\Pfad %1 € ").repeated(3).arg(id));
            t.setValue(u"Betrag", id / 100.0);
            t.setValue(u"Datum", QDate(2024, 1, 1).addDays(id % 365));
            t.post();
            if (id % 1000 == 0) { // an edit and a delete now and then
                t.edit();
                t.setValue(u"Name2", QStringLiteral("geändert"));
                t.post();
            } else if (id % 1000 == 1) {
                t.remove();
            }
        }
        writeTableFile(t, path(QStringLiteral("big.xml")));
        s_bytes = new QByteArray(readFile(path(QStringLiteral("big.xml"))));
        s_versions = int(t.versions().size());
    }
    static void TearDownTestSuite()
    {
        delete s_bytes;
        delete s_dir;
    }

    static QString path(const QString &name) { return s_dir->filePath(name); }

    // Reads the bytes as a table file and writes it back; returns the written bytes.
    static QByteArray roundTrip(const QByteArray &bytes, Table &t)
    {
        writeFile(path(QStringLiteral("in.xml")), bytes);
        readTableFile(t, path(QStringLiteral("in.xml")));
        writeTableFile(t, path(QStringLiteral("out.xml")));
        return readFile(path(QStringLiteral("out.xml")));
    }

    // The position of the n-th ROW (counted from 1).
    static qsizetype rowAt(const QByteArray &bytes, int n)
    {
        qsizetype at = bytes.indexOf("<ROWDATA>");
        for (int i = 0; i < n; ++i)
            at = bytes.indexOf("<ROW ", at + 1);
        return at;
    }

    static QString complaintFor(const QByteArray &bytes)
    {
        writeFile(path(QStringLiteral("bad.xml")), bytes);
        Table t(QStringLiteral("t"));
        try {
            readTableFile(t, path(QStringLiteral("bad.xml")));
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), tableFileUnreadableMessage(path(QStringLiteral("bad.xml"))));
            EXPECT_FALSE(t.isOpen());
            return e.detail();
        }
        return QStringLiteral("no error");
    }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline QByteArray *s_bytes = nullptr;
    static inline int s_versions = 0;
};

TEST_F(LargeTableFile, ReadsBackToTheSameFile)
{
    ASSERT_GT(s_bytes->size(), 20 << 20);
    Table t(QStringLiteral("t"));
    t.setIndexField(QStringLiteral("ID"));
    const int runs = tablefile::parsedRowRuns();
    EXPECT_EQ(roundTrip(*s_bytes, t), *s_bytes);
    if (std::thread::hardware_concurrency() >= 2) {
        EXPECT_GT(tablefile::parsedRowRuns(), runs + 3); // the rows went through the workers
    }
    EXPECT_EQ(int(t.versions().size()), s_versions);
    EXPECT_EQ(t.recordCount(), kRows - kRows / 1000);
    ASSERT_TRUE(t.locate(u"ID", 40000));
    EXPECT_EQ(t.text(u"Name2"), QStringLiteral("geändert"));
    EXPECT_EQ(t.text(u"Verwendungszweck").left(21), QStringLiteral("Beitrag\r\nZeile 2\tC:\\P"));
    t.last();
    EXPECT_EQ(t.integer(u"ID"), kRows);
    EXPECT_EQ(t.number(u"Betrag"), kRows / 100.0);
}

TEST_F(LargeTableFile, Utf8TwinReadsTheSame)
{
    QByteArray utf8 = codec::fromCp1252(*s_bytes).toUtf8();
    utf8.replace("standalone=\"yes\"", "encoding=\"UTF-8\" standalone=\"yes\"");
    Table t(QStringLiteral("t"));
    EXPECT_EQ(roundTrip(utf8, t), *s_bytes);
}

TEST_F(LargeTableFile, UnusualButWellFormedShapesStillRead)
{
    const auto withInsert = [](qsizetype at, const QByteArray &what) {
        QByteArray b = *s_bytes;
        b.insert(at, what);
        return b;
    };
    QByteArray control = *s_bytes;
    for (int n : {2, 40000, kRows - 1}) { // raw control bytes, as older files may hold them
        const qsizetype name = control.indexOf("Name1=\"", rowAt(control, n)) + 7;
        control.insert(name + 3, "\x01\x1A");
        control.insert(name, '\x0C');
    }
    const QByteArray cases[] = {
        // a comment among the rows, holding what looks like the end of the rows
        withInsert(rowAt(*s_bytes, 30000), "<!-- </ROWDATA> <ROW -->"),
        // the row tag mentioned in a comment before the real one
        withInsert(s_bytes->indexOf("<METADATA>"), "<!-- <ROWDATA> -->"),
        // line breaks between rows and at the end
        withInsert(rowAt(*s_bytes, 50000), "\r\n  \r\n") + "\r\n",
        control,
    };
    for (const QByteArray &bytes : cases) {
        Table t(QStringLiteral("t"));
        writeFile(path(QStringLiteral("odd.xml")), bytes);
        readTableFile(t, path(QStringLiteral("odd.xml")));
        EXPECT_EQ(int(t.versions().size()), s_versions);
        writeTableFile(t, path(QStringLiteral("out.xml")));
        EXPECT_EQ(readFile(path(QStringLiteral("out.xml"))), *s_bytes);
    }
}

TEST_F(LargeTableFile, FaultsDeepInsideAreReportedExactly)
{
    QByteArray badValue = *s_bytes;
    const qsizetype row = rowAt(badValue, 50000);
    badValue.replace(badValue.indexOf(" ID=\"", row), 6, " ID=\"x");
    EXPECT_TRUE(
        complaintFor(badValue).startsWith(QStringLiteral("Datenzeile 50000: ungültiger Wert")))
        << complaintFor(badValue).toStdString();

    QByteArray unknown = *s_bytes;
    unknown.insert(rowAt(unknown, 60000) + 4, " Extra=\"1\"");
    EXPECT_TRUE(complaintFor(unknown).contains(QStringLiteral("Attribut \"Extra\"")));

    EXPECT_TRUE(complaintFor(s_bytes->left(s_bytes->size() / 2)).startsWith(u"Zeile 1, Spalte"));
    EXPECT_TRUE(complaintFor(*s_bytes + "<ROW/>").startsWith(u"Zeile 1, Spalte"));
    QByteArray unclosed = *s_bytes;
    unclosed.insert(rowAt(unclosed, 70000), "<ROW ID=\"1\">");
    EXPECT_TRUE(complaintFor(unclosed).startsWith(u"Zeile 1, Spalte"));
}

} // namespace
