// The Access reader on the shared sample databases (skipped when they are not there, failed
// when ORDOVAN_REQUIRE_FIXTURES=1).
#include "base/error.h"
#include "formats/tabular.h"
#include "tabularfixtures.h"
#include "testutil.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace ordovan;
using namespace ordovan::formats;

#define REQUIRE_DATABASE(var, name) ORDOVAN_REQUIRE_SHARED_FIXTURE(var, "mdb", name)

namespace {

void openMissingDatabase()
{
    REQUIRE_DATABASE(path, "fehlt.mdb");
}

} // namespace

// CI sets ORDOVAN_REQUIRE_FIXTURES=1: there a missing sample database is a failure, never a
// skipped test that passes unseen.
TEST(AccessReader, AMissingSampleDatabaseFailsWhereTheFixturesAreRequired)
{
    const QByteArray before = qgetenv("ORDOVAN_REQUIRE_FIXTURES");
    qputenv("ORDOVAN_REQUIRE_FIXTURES", "1");
    EXPECT_FATAL_FAILURE(openMissingDatabase(), "shared fixture mdb/fehlt.mdb missing");
    if (before.isNull())
        qunsetenv("ORDOVAN_REQUIRE_FIXTURES");
    else
        qputenv("ORDOVAN_REQUIRE_FIXTURES", before);
}

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
    // What became of a database cut short, in one line: the connection refused with its
    // message, or per listed table the rows read or the message it failed with.
    auto outcome = [&](int size) -> QString {
        const QString cut = dir.filePath(QStringLiteral("kurz.mdb"));
        test::writeFile(cut, bytes.left(size));
        std::unique_ptr<TabularConnection> connection;
        try {
            connection = provider.connect(cut, TabularKind::Database);
        } catch (const Error &e) {
            return e.message();
        }
        QStringList tables;
        for (const QString &name : connection->tableNames(false)) {
            try {
                auto rows = connection->openTable(name);
                tables.append(name + u' ' + QString::number(test::readAll(*rows).size()));
            } catch (const Error &e) {
                tables.append(name + u' ' + e.message());
            }
        }
        return tables.join(u"; ");
    };
    const QString cut = QDir::toNativeSeparators(dir.filePath(QStringLiteral("kurz.mdb")));
    const QString notAccess = u'"' + cut + QStringLiteral("\" ist keine Access-Datenbank.");
    const QString damaged = u'"' + cut + QStringLiteral("\" ist beschädigt.");
    const QString whole = QStringLiteral("Order Details 2155; Orders 830; Products 77; Shippers 3; "
                                         "Categories 8; Customers 91; Employees 9; Suppliers 29; "
                                         "Umsätze 830");
    QString allButSales = whole;
    allButSales.replace(QStringLiteral("Umsätze 830"), QStringLiteral("Umsätze ") + damaged);
    // Cut within a page (1,500,000 made libmdb loop for ever) and at page boundaries. The
    // last cut loses only pages no table uses.
    const QList<std::pair<int, QString>> cases = {
        {100, notAccess},       {4096, notAccess},    {20000, notAccess},
        {300000, notAccess},    {1500000, notAccess}, {1530000, notAccess},
        {1499136, allButSales}, {2002944, whole},     {int(bytes.size()), whole},
    };
    for (const auto &[size, expected] : cases)
        EXPECT_EQ(outcome(size), expected) << "cut at " << size;
}
