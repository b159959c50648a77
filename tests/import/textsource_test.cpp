#include "import/textsource.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;
using import::DelimitedFormat;
using import::SourceGrid;

namespace {

using Records = std::vector<std::vector<std::string>>;

// The grid as records of fields (column by column, up to the grid's counts), in UTF-8.
Records records(const SourceGrid &g)
{
    Records out;
    for (int c = 0; c < g.columnCount(); ++c) {
        std::vector<std::string> fields;
        for (int r = 0; r < g.rowCount(); ++r)
            fields.push_back(g.cell(c, r).toStdString());
        out.push_back(fields);
    }
    return out;
}

SourceGrid split(const QByteArray &bytes, char separator, char qualifier)
{
    SourceGrid g;
    import::splitDelimited(bytes, DelimitedFormat{separator, qualifier}, g);
    return g;
}

struct SplitCase
{
    const char *name;
    QByteArray bytes;
    char separator;
    char qualifier;
    Records expected;
};

class SplitTest : public ::testing::TestWithParam<SplitCase>
{};

TEST_P(SplitTest, GivesTheExpectedCells)
{
    const SplitCase &c = GetParam();
    EXPECT_EQ(records(split(c.bytes, c.separator, c.qualifier)), c.expected);

    // The file reader streams the file and decides the encoding as it goes: same cells.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.txt"));
    test::writeFile(path, c.bytes);
    SourceGrid g;
    ASSERT_EQ(import::readDelimitedFile(path, DelimitedFormat{c.separator, c.qualifier}, g),
              import::TextReadOutcome::Read);
    EXPECT_EQ(records(g), c.expected);
}

// Quoting rules: a qualifier toggles wherever it stands, never reaches a cell, and its state
// carries over into the next line; blanks are kept; every line is a record.
INSTANTIATE_TEST_SUITE_P(
    Quoting, SplitTest,
    ::testing::Values(
        SplitCase{"QuotedSeparatorIsText",
                  "Meier;\"Haupt;str. 1\";\"11,58\"\n",
                  ';',
                  '"',
                  {{"Meier", "Haupt;str. 1", "11,58"}}},
        SplitCase{"QualifiersInsideAFieldVanish", "\"a\"\"b\";c\n", ';', '"', {{"ab", "c"}}},
        SplitCase{"NoQualifierKeepsQuotes", "\"a\"\"b\";c\n", ';', 0, {{"\"a\"\"b\"", "c"}}},
        SplitCase{"ApostropheQualifierLeavesDoubleQuotes",
                  "'x;y';\"z\"\n",
                  ';',
                  '\'',
                  {{"x;y", "\"z\""}}},
        SplitCase{"OpenQuoteCarriesIntoTheNextLine",
                  "x;\"open\ny;z\n",
                  ';',
                  '"',
                  {{"x", "open"}, {"y;z", ""}}},
        SplitCase{"BlanksAreKept", " a ; b \n", ';', 0, {{" a ", " b "}}},
        SplitCase{"TrailingSeparatorAddsAnEmptyField", "a;b;\n", ';', 0, {{"a", "b", ""}}},
        SplitCase{"TabIsTheSeparator", "a\tb;c\n", '\t', 0, {{"a", "b;c"}}},
        SplitCase{"CommaIsTheSeparator", "a,b;c\n", ',', 0, {{"a", "b;c"}}}),
    [](const auto &info) { return std::string(info.param.name); });

// Line ends: LF and CR LF end a record, a lone CR stays text, the last line needs no end,
// and an empty line is a record of one empty field.
INSTANTIATE_TEST_SUITE_P(
    LineEnds, SplitTest,
    ::testing::Values(
        SplitCase{"CrLfAndLf", "a;b\r\nc;d\ne;f", ';', 0, {{"a", "b"}, {"c", "d"}, {"e", "f"}}},
        SplitCase{"LoneCrIsText", "a\rb;c\r\n", ';', 0, {{"a\rb", "c"}}},
        SplitCase{"CrBeforeCrLfStays", "a\r\r\n", ';', 0, {{"a\r"}}},
        SplitCase{"EmptyLineIsARecord", "a;b\n\nc\n", ';', 0, {{"a", "b"}, {"", ""}, {"c", ""}}},
        SplitCase{"FinalLfAddsNoRecord", "a\n", ';', 0, {{"a"}}}),
    [](const auto &info) { return std::string(info.param.name); });

// Decoding: UTF-8 with BOM or with multi-byte sequences, otherwise Windows-1252.
INSTANTIATE_TEST_SUITE_P(
    Encodings, SplitTest,
    ::testing::Values(
        SplitCase{"Windows1252", "M\xFCller;\x80 5\n", ';', 0, {{"Müller", "€ 5"}}},
        SplitCase{"Utf8", "M\xC3\xBCller;\xE2\x82\xAC 5\n", ';', 0, {{"Müller", "€ 5"}}},
        SplitCase{"Utf8BomIsDropped",
                  "\xEF\xBB\xBF"
                  "a;b\n",
                  ';',
                  0,
                  {{"a", "b"}}},
        SplitCase{"Utf8FourByteSequence", "\xF0\x9F\x98\x80;x\n", ';', 0, {{"😀", "x"}}},
        // One byte that is not UTF-8 makes the whole file Windows-1252.
        SplitCase{
            "MixedIsWindows1252", "M\xC3\xBCller;M\xFCller\n", ';', 0, {{"MÃ¼ller", "Müller"}}},
        SplitCase{"BomWithBadBytesGivesReplacement",
                  "\xEF\xBB\xBF"
                  "a\xFF;b\n",
                  ';',
                  0,
                  {{"a\xEF\xBF\xBD", "b"}}},
        SplitCase{"EncodedReplacementCharacterIsUtf8",
                  "\xEF\xBF\xBD;\xC3\xA4\n",
                  ';',
                  0,
                  {{"\xEF\xBF\xBD", "\xC3\xA4"}}},
        SplitCase{"BadByteOnTheLastLineMakesItWindows1252",
                  "\xC3\xA4\n\xC3\n",
                  ';',
                  0,
                  {{"\xC3\x83\xC2\xA4"}, {"\xC3\x83"}}},
        SplitCase{
            "NulByteIsKept", QByteArray("a\0b;c\n", 6), ';', 0, {{std::string("a\0b", 3), "c"}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SplitSizes, GridTakesTheLongestRecordAndTheRecordCount)
{
    const SourceGrid g = split("a;b\na;b;c;d;e\na;b;c\n", ';', 0);
    EXPECT_EQ(g.columnCount(), 3);
    EXPECT_EQ(g.rowCount(), 5);
}

TEST(SplitSizes, EmptyFileGivesOneByOne)
{
    const SourceGrid g = split("", ';', '"');
    EXPECT_EQ(g.columnCount(), 1);
    EXPECT_EQ(g.rowCount(), 1);
    EXPECT_EQ(g.cell(0, 0), QString());
}

TEST(SplitSizes, ReadingWithoutEmptyingKeepsCellsBeyondShortLines)
{
    SourceGrid g = split("1;2;3\n4;5;6\n", ';', 0);
    import::splitDelimited("a\nb;c;d\n", DelimitedFormat{';', 0}, g);
    EXPECT_EQ(records(g), (Records{{"a", "2", "3"}, {"b", "c", "d"}}));
}

TEST(SplitSizes, HugeLineAndManyFieldsStayLinear)
{
    QByteArray line(10 * 1024 * 1024, 'x');
    line += '\n';
    QByteArray many;
    for (int i = 0; i < 100000; ++i)
        many += "f;";
    many += "last\n";
    const SourceGrid g = split(line + many, ';', '"');
    EXPECT_EQ(g.columnCount(), 2);
    EXPECT_EQ(g.rowCount(), 100001);
    EXPECT_EQ(g.cell(0, 0).size(), 10 * 1024 * 1024);
    EXPECT_EQ(g.cell(1, 100000), QStringLiteral("last"));
}

TEST(SplitSizes, BinaryGarbageNeverFails)
{
    QByteArray bytes;
    quint32 x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245 + 12345;
        bytes += char(x >> 24);
    }
    const SourceGrid g = split(bytes, ';', '"');
    EXPECT_GE(g.columnCount(), 1);
    EXPECT_GE(g.rowCount(), 1);
}

// --- Files ---------------------------------------------------------------------------------

class TextFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    import::TextReadOutcome read(const QString &p) {
        return import::readDelimitedFile(p, DelimitedFormat{';', '"'}, grid);
} SourceGrid grid;
}; // namespace

TEST_F(TextFileTest, ReadsAFile)
{
    test::writeFile(path(QStringLiteral("a.csv")),
                    "\"Name\";\"Betrag\"\r\n\"M\xFCller\";11,58\r\n");
    EXPECT_EQ(read(path(QStringLiteral("a.csv"))), import::TextReadOutcome::Read);
    EXPECT_EQ(records(grid), (Records{{"Name", "Betrag"}, {"Müller", "11,58"}}));
}

TEST_F(TextFileTest, StreamedReadMatchesTheWholeAcrossChunkBoundaries)
{
    // Lines crossing the reader's 1 MiB chunks, a line longer than a chunk, an open quote
    // carried over, and a UTF-8 character only at the very end (a second pass as UTF-8).
    QByteArray bytes;
    for (int i = 0; i < 60000; ++i)
        bytes += "\"" + QByteArray::number(i) + ";x\";" + QByteArray(i % 37, 'a') + "\r\n";
    bytes += "\"open;" + QByteArray(3 * 1024 * 1024, 'b') + "\n";
    bytes += "y;z\"\nend;\xC3\xA4";
    for (const QByteArray &variant : {bytes, bytes.left(bytes.size() - 2) + "\xE4"}) {
        test::writeFile(path(QStringLiteral("big.csv")), variant);
        ASSERT_EQ(read(path(QStringLiteral("big.csv"))), import::TextReadOutcome::Read);
        const SourceGrid whole = split(variant, ';', '"');
        EXPECT_EQ(grid.columnCount(), whole.columnCount());
        EXPECT_EQ(grid.rowCount(), whole.rowCount());
        EXPECT_TRUE(records(grid) == records(whole));
    }
    EXPECT_EQ(grid.cell(60002, 1), QString::fromUtf8("ä")) << "the last variant: Windows-1252";
}

TEST_F(TextFileTest, WhatCannotBeOpenedLeavesTheGridAlone)
{
    grid.setCell(0, 0, QStringLiteral("before"));
    EXPECT_EQ(read(path(QStringLiteral("missing.csv"))), import::TextReadOutcome::CannotOpen);
    EXPECT_EQ(read(dir.path()), import::TextReadOutcome::CannotOpen) << "a folder";
    EXPECT_EQ(read(QString()), import::TextReadOutcome::CannotOpen);
    EXPECT_EQ(read(QStringLiteral("/dev/zero")), import::TextReadOutcome::CannotOpen)
        << "a device would never end";
    EXPECT_EQ(grid.cell(0, 0), QStringLiteral("before"));
}

TEST_F(TextFileTest, UnreadableFileCannotBeOpened)
{
    test::writeFile(path(QStringLiteral("locked.csv")), "a;b\n");
    QFile::setPermissions(path(QStringLiteral("locked.csv")), QFileDevice::Permissions());
    QFile probe(path(QStringLiteral("locked.csv")));
    if (probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that ignore file permissions";
    EXPECT_EQ(read(path(QStringLiteral("locked.csv"))), import::TextReadOutcome::CannotOpen);
}

TEST_F(TextFileTest, FailingReadIsAReadFailure)
{
    // Opens as a regular file, but reading its first page fails.
    if (!QFile::exists(QStringLiteral("/proc/self/mem")))
        GTEST_SKIP() << "no /proc";
    grid.setCell(0, 0, QStringLiteral("before"));
    EXPECT_EQ(read(QStringLiteral("/proc/self/mem")), import::TextReadOutcome::ReadFailed);
    EXPECT_EQ(grid.cell(0, 0), QStringLiteral("before"));
}

} // namespace
