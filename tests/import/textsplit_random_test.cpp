// The text reader against the plainest reading of its rules, over many random lines: every
// byte stands at every position of the reader's fast paths somewhere.
#include "import/sourcegrid.h"
#include "import/textsource.h"

#include "base/codec.h"

#include <QList>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace ordovan::import;

namespace {

// One character at a time, the quoting state kept across lines.
std::vector<std::vector<QByteArray>> reference(const QByteArray &bytes, char sep, char qual)
{
    std::vector<std::vector<QByteArray>> records;
    bool inQuotes = false;
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() > 1 && bytes.endsWith('\n'))
        lines.removeLast(); // a line break ends the last line; it starts no new one
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        std::vector<QByteArray> fields(1);
        for (char c : line) {
            if (c == sep && !inQuotes)
                fields.emplace_back();
            else if (qual != 0 && c == qual)
                inQuotes = !inQuotes;
            else
                fields.back().append(c);
        }
        records.push_back(fields);
    }
    return records;
}

} // namespace

TEST(TextSplitRandom, AgreesWithTheCharacterByCharacterRules)
{
    QRandomGenerator rng(20221208);
    const char alphabet[] = {'a', 'b', ' ', ';', ',', '"', '\'', '\t', '\xE4', '\xFC', 'Z', '1'};
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes;
        const int lines = 1 + rng.bounded(6);
        for (int l = 0; l < lines; ++l) {
            const int length = rng.bounded(90);
            for (int k = 0; k < length; ++k)
                bytes.append(rng.bounded(3) == 0 ? alphabet[rng.bounded(int(sizeof alphabet))]
                                                 : char('a' + rng.bounded(26)));
            if (l + 1 < lines)
                bytes.append(rng.bounded(2) ? "\r\n" : "\n");
        }
        for (char sep : {';', ',', '\t'}) {
            for (char qual : {'"', '\'', char(0)}) {
                SourceGrid grid;
                splitDelimited(bytes, {sep, qual}, grid);
                const auto expected = reference(bytes, sep, qual);
                ASSERT_EQ(grid.columnCount(), int(expected.size()));
                for (size_t c = 0; c < expected.size(); ++c) {
                    for (size_t r = 0; r < expected[c].size(); ++r)
                        ASSERT_EQ(grid.cell(int(c), int(r)),
                                  ordovan::codec::fromCp1252(expected[c][r]))
                            << "round " << round << " line " << c << " field " << r;
                }
            }
        }
    }
}
