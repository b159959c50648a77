// The Access reader on the shared sample databases (skipped when they are not there).
#include "base/error.h"
#include "formats/tabular.h"
#include "tabularfixtures.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace ordovan;
using namespace ordovan::formats;

namespace {

QString database(const char *name)
{
    const QString folder = test::sharedFixtures(QStringLiteral("mdb"));
    const QString path = folder + u'/' + QString::fromUtf8(name);
    return folder.isEmpty() || !QFileInfo::exists(path) ? QString() : path;
}

#define REQUIRE_DATABASE(var, name)                                                                \
    const QString var = database(name);                                                            \
    if (var.isEmpty())                                                                             \
    GTEST_SKIP() << "sample database " name " not present"

} // namespace

TEST(AccessReader, ListsUserTablesWithoutSystemTables)
{
    REQUIRE_DATABASE(path, "nwind.mdb");
    FileTabularProvider provider;
    auto connection = provider.connect(path, TabularKind::Database);
    const QStringList user = connection->tableNames(false);
    EXPECT_TRUE(user.contains(QStringLiteral("Umsätze")));
    EXPECT_TRUE(user.contains(QStringLiteral("Orders")));
    for (const QString &name : user)
        EXPECT_FALSE(name.startsWith(QStringLiteral("MSys"))) << name.toStdString();
    const QStringList all = connection->tableNames(true);
    EXPECT_TRUE(all.contains(QStringLiteral("MSysObjects")));
    EXPECT_GT(all.size(), user.size());
}

TEST(AccessReader, ReadsATableWithGermanValues)
{
    REQUIRE_DATABASE(path, "nwind.mdb");
    FileTabularProvider provider;
    auto connection = provider.connect(path, TabularKind::Database);
    auto rows = connection->openTable(QStringLiteral("Umsätze"));
    EXPECT_EQ(rows->fieldCount(), 14);
    EXPECT_EQ(rows->rowCount(), 830);
    const auto all = test::readAll(*rows);
    ASSERT_EQ(all.size(), 830);
    // OrderID, CustomerID, EmployeeID, three dates, ShipVia, Freight (money), ShipName ...
    const QStringList first{QStringLiteral("10330"),
                            QStringLiteral("LILAS"),
                            QStringLiteral("3"),
                            QStringLiteral("16.11.1994"),
                            QStringLiteral("14.12.1994"),
                            QStringLiteral("28.11.1994"),
                            QStringLiteral("1"),
                            QStringLiteral("12,75"),
                            QStringLiteral("LILA-Supermercado"),
                            QStringLiteral("Carrera 52 con Ave. Bolívar #65-98 Llano Largo"),
                            QStringLiteral("Barquisimeto"),
                            QStringLiteral("Lara"),
                            QStringLiteral("3508"),
                            QStringLiteral("Venezuela")};
    EXPECT_EQ(all.first(), first);
    // A null field is empty text.
    EXPECT_EQ(all[1][11], QString());
    EXPECT_EQ(all[1][7], QStringLiteral("10,19"));
}

TEST(AccessReader, YesNoFieldsAndOleFields)
{
    REQUIRE_DATABASE(path, "nwind.mdb");
    FileTabularProvider provider;
    auto connection = provider.connect(path, TabularKind::Database);
    auto products = connection->openTable(QStringLiteral("products")); // any case
    const auto rows = test::readAll(*products);
    ASSERT_GE(rows.size(), 5);
    EXPECT_EQ(rows[0][1], QStringLiteral("Chai"));
    EXPECT_EQ(rows[0][5], QStringLiteral("18"));
    EXPECT_EQ(rows[0][9], QStringLiteral("FALSCH"));
    EXPECT_EQ(rows[4][5], QStringLiteral("21,35"));
    EXPECT_EQ(rows[4][9], QStringLiteral("WAHR"));
    // A photo is no text.
    auto employees = connection->openTable(QStringLiteral("Employees"));
    const auto staff = test::readAll(*employees);
    ASSERT_FALSE(staff.isEmpty());
    EXPECT_EQ(staff[0][14], QString());
    EXPECT_EQ(staff[0][7], QStringLiteral("507 - 20th Ave. E.\r\nApt. 2A"));
}

TEST(AccessReader, DatesFarFromTheEpoch)
{
    REQUIRE_DATABASE(path, "DateTestDatabase.mdb");
    FileTabularProvider provider;
    auto connection = provider.connect(path, TabularKind::Database);
    EXPECT_EQ(connection->tableNames(false), QStringList{QStringLiteral("DateTest")});
    auto rows = connection->openTable(QStringLiteral("DateTest"));
    const auto all = test::readAll(*rows);
    ASSERT_GE(all.size(), 4);
    EXPECT_EQ(all[0][1], QStringLiteral("02.12.2021"));
    EXPECT_EQ(all[1][1], QStringLiteral("01.01.9999"));
    EXPECT_EQ(all[2][1], QStringLiteral("01.01.1898"));
    EXPECT_EQ(all[2][3], QStringLiteral("01.01.1900"));
    EXPECT_EQ(all[3][1], QStringLiteral("01.01.0632"));
}

TEST(AccessReader, AccdbFilesAndMissingTables)
{
    REQUIRE_DATABASE(path, "ASampleDatabase.accdb");
    FileTabularProvider provider;
    auto connection = provider.connect(path, TabularKind::Database);
    EXPECT_EQ(connection->tableNames(false), QStringList{QStringLiteral("Asset Items")});
    auto rows = connection->openTable(QStringLiteral("Asset Items"));
    const auto all = test::readAll(*rows);
    ASSERT_EQ(all.size(), 65);
    EXPECT_EQ(all[0][0], QStringLiteral("30050"));
    EXPECT_EQ(all[0][7], QStringLiteral("02.09.1997"));
    EXPECT_EQ(all[0][8], QStringLiteral("1995,5"));
    EXPECT_THROW(connection->openTable(QStringLiteral("Umsätze")), Error);
}

TEST(AccessReader, ADatabaseThatSendsLibmdbInCirclesIsStopped)
{
    REQUIRE_DATABASE(path, "nwind.mdb");
    // Cut within a page and filled up with zeros to whole pages: libmdb reads the catalog
    // for ever, taking more memory all the time.
    QByteArray bytes = test::readFile(path).left(1500000);
    bytes.append(QByteArray(4096 - bytes.size() % 4096, '\0'));
    QTemporaryDir dir;
    const QString looping = dir.filePath(QStringLiteral("kreis.mdb"));
    test::writeFile(looping, bytes);
    TabularLimits limits;
    limits.childIdleMs = 1500;
    limits.childMemoryBytes = 256 * 1024 * 1024;
    FileTabularProvider provider(limits);
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(provider.connect(looping, TabularKind::Database), Error);
    EXPECT_LT(timer.elapsed(), 10000);
    // The program goes on: the intact database still reads.
    EXPECT_FALSE(provider.connect(path, TabularKind::Database)->tableNames(false).isEmpty());
}

TEST(AccessReader, TruncatedDatabasesFailCleanly)
{
    REQUIRE_DATABASE(path, "nwind.mdb");
    QTemporaryDir dir;
    const QByteArray bytes = test::readFile(path);
    FileTabularProvider provider;
    // Cut within a page (1,500,000 made libmdb loop for ever) and at page boundaries.
    for (const int size : {100, 4096, 20000, 300000, 1500000, 1530000, 1499136, 2002944}) {
        const QString cut = dir.filePath(QStringLiteral("kurz.mdb"));
        test::writeFile(cut, bytes.left(size));
        // Either no table is listed, or opening or reading one fails; nothing crashes.
        try {
            auto connection = provider.connect(cut, TabularKind::Database);
            for (const QString &name : connection->tableNames(false)) {
                try {
                    auto rows = connection->openTable(name);
                    test::readAll(*rows);
                } catch (const Error &) {
                }
            }
        } catch (const Error &) {
        }
    }
}
