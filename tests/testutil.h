#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Helpers shared by the tests.
namespace ordovan::test {

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);
// The folder of the shared fixtures (ISO schemas, sample databases), or empty when absent.
QString sharedFixtures(const QString &sub);
// Whether a missing shared fixture fails the test instead of skipping it: set
// ORDOVAN_REQUIRE_FIXTURES=1 where the fixtures must be there (CI).
bool fixturesRequired();
// A file (or folder, for an empty name) among the shared fixtures, or empty when absent.
QString sharedFixtureFile(const QString &sub, const char *name);
// Compares bytes with a golden file under tests/data/golden. On a mismatch the actual bytes
// are kept beside it as "<golden>.actual" and the message tells where they part and how to
// see the difference.
::testing::AssertionResult matchesGolden(const QByteArray &actual, const QString &goldenPath);
// Validates an XML file against a schema with xmllint; returns its complaints, empty when
// valid. A missing xmllint or schema is a complaint.
QString validateWithSchema(const QString &xmlPath, const QString &xsdPath);

} // namespace ordovan::test

// Declares `var` as the path of a file among the shared fixtures. When it is missing the
// test is skipped with the reason, or fails when the fixtures are required.
#define ORDOVAN_REQUIRE_SHARED_FIXTURE(var, sub, name)                                             \
    const QString var = ::ordovan::test::sharedFixtureFile(QStringLiteral(sub), name);             \
    if (var.isEmpty()) {                                                                           \
        if (::ordovan::test::fixturesRequired())                                                   \
            FAIL() << "shared fixture " sub "/" << name                                            \
                   << " missing (ORDOVAN_REQUIRE_FIXTURES=1)";                                     \
        else                                                                                       \
            GTEST_SKIP() << "shared fixture " sub "/" << name << " not present";                   \
    }
