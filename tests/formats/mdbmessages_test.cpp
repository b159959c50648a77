// The parent's side of the Access reader's pipe: the child's messages, in any pieces, and
// what a damaged or hostile stream gives.
#include "base/error.h"
#include "formats/mdbmessages.h"
#include "formats/sheetbuffer.h"
#include "formats/tabularerrors.h"
#include "tabularfixtures.h"

#include <gtest/gtest.h>

using namespace ordovan;
using namespace ordovan::formats;

namespace {

const QString kPath = QStringLiteral("/daten/kunden.mdb");

QByteArray uint32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

QByteArray text(const QByteArray &utf8)
{
    return uint32(quint32(utf8.size())) + utf8;
}

QByteArray row(const QList<QByteArray> &fields)
{
    QByteArray b("R");
    for (const QByteArray &f : fields)
        b += text(f);
    return b;
}

template<typename Messages>
void feed(Messages &m, const QByteArray &bytes, int piece)
{
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        m.feed(bytes.constData() + at, std::min<qsizetype>(piece, bytes.size() - at));
}

const QByteArray kCatalog =
    QByteArray("T\x01", 2) + text("MSysObjects") + QByteArray("T\x00", 2) + text("Umsätze") + "E";
const QByteArray kTable =
    "C" + uint32(3) + row({"10330", "LILAS", "12,75"}) + row({"10331", "", "10,19"}) + "E";

} // namespace

TEST(AccessMessages, ArriveInAnyPieces)
{
    for (const int piece : {1, 2, 3, 5, 7, 1000}) {
        SCOPED_TRACE(piece);
        CatalogMessages catalog(kPath);
        feed(catalog, kCatalog, piece);
        EXPECT_TRUE(catalog.complete());
        EXPECT_EQ(catalog.names(),
                  (QStringList{QStringLiteral("MSysObjects"), QStringLiteral("Umsätze")}));
        EXPECT_EQ(catalog.system(), (QList<bool>{true, false}));

        SheetBuilder builder{TabularLimits()};
        TableMessages table(kPath, builder);
        feed(table, kTable, piece);
        EXPECT_TRUE(table.complete());
        auto rows = builder.finish();
        EXPECT_EQ(test::readAll(*rows),
                  (QList<QStringList>{
                      {QStringLiteral("10330"), QStringLiteral("LILAS"), QStringLiteral("12,75")},
                      {QStringLiteral("10331"), QString(), QStringLiteral("10,19")}}));
    }
}

TEST(AccessMessages, AStreamCutShortIsIncomplete)
{
    for (qsizetype cut = 0; cut < kCatalog.size(); ++cut) {
        CatalogMessages catalog(kPath);
        feed(catalog, kCatalog.left(cut), 4);
        EXPECT_FALSE(catalog.complete()) << cut;
    }
    for (qsizetype cut = 0; cut < kTable.size(); ++cut) {
        SheetBuilder builder{TabularLimits()};
        TableMessages table(kPath, builder);
        feed(table, kTable.left(cut), 4);
        EXPECT_FALSE(table.complete()) << cut;
    }
}

TEST(AccessMessages, MessagesOutOfPlaceAreADamagedDatabase)
{
    const QString damaged = tabular_errors::damaged(kPath);
    const QList<QByteArray> tables = {
        row({"1"}) + "E",                               // a row before the field count
        "E",                                            // the end before the field count
        "C" + uint32(1) + "C" + uint32(1),              // a second field count
        "C" + uint32(4097),                             // more fields than any table has
        "C" + uint32(1) + "X",                          // an unknown message
        "C" + uint32(1) + row({"1"}) + "E" + "R" + "R", // after the end: ignored, see below
    };
    for (qsizetype i = 0; i + 1 < tables.size(); ++i) {
        SheetBuilder builder{TabularLimits()};
        TableMessages table(kPath, builder);
        try {
            feed(table, tables[i], 3);
            ADD_FAILURE() << "no error for case " << i;
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), damaged) << i;
        }
        EXPECT_FALSE(table.complete()) << i;
    }
    // Whatever follows the end is left alone.
    SheetBuilder builder{TabularLimits()};
    TableMessages table(kPath, builder);
    feed(table, tables.last(), 3);
    EXPECT_TRUE(table.complete());

    // An unknown message in the catalog stops it where it is: never complete.
    CatalogMessages catalog(kPath);
    feed(catalog, QByteArray("T\x00", 2) + text("A") + "X" + "E", 2);
    EXPECT_FALSE(catalog.complete());
    EXPECT_EQ(catalog.names(), QStringList{QStringLiteral("A")});
}

TEST(AccessMessages, TheBuilderLimitsHold)
{
    TabularLimits limits;
    limits.maxCells = 4;
    SheetBuilder builder(limits);
    TableMessages table(kPath, builder);
    QByteArray bytes = "C" + uint32(2);
    for (int i = 0; i < 10; ++i)
        bytes += row({"a", "b"});
    try {
        feed(table, bytes + "E", 64);
        ADD_FAILURE() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), tabular_errors::tooManyCells(4));
    }
}
