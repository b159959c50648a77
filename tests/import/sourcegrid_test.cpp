#include "import/sourcegrid.h"

#include <gtest/gtest.h>

using ordovan::import::SourceGrid;

TEST(SourceGrid, NeverSmallerThanOneByOne)
{
    SourceGrid g;
    g.setColumnCount(0);
    g.setRowCount(-3);
    EXPECT_EQ(g.columnCount(), 1);
    EXPECT_EQ(g.rowCount(), 1);
    EXPECT_EQ(g.cell(0, 0), QString());
    EXPECT_EQ(g.cell(-1, 5), QString());
}

TEST(SourceGrid, CellsWrittenBeyondTheCountsSurviveUntilTheCountsShrink)
{
    SourceGrid g;
    g.setCell(4, 6, QStringLiteral("far"));
    EXPECT_EQ(g.cell(4, 6), QStringLiteral("far")) << "readers size the grid at the end";
    EXPECT_EQ(g.cell(4, 5), QString());
    g.setColumnCount(5);
    g.setRowCount(7);
    EXPECT_EQ(g.cell(4, 6), QStringLiteral("far"));
    g.setRowCount(6);
    g.setRowCount(7);
    EXPECT_EQ(g.cell(4, 6), QString()) << "shrinking drops the cells beyond";
}

TEST(SourceGrid, OverwritingCellsKeepsTheOthers)
{
    SourceGrid g;
    for (int r = 0; r < 3; ++r)
        g.setCell(0, r, QStringLiteral("v%1").arg(r));
    // Many overwrites of one cell: the dead text is compacted away, the others stay intact.
    for (int i = 0; i < 10000; ++i)
        g.setCell(0, 1, QStringLiteral("value number %1").arg(i));
    EXPECT_EQ(g.cell(0, 0), QStringLiteral("v0"));
    EXPECT_EQ(g.cell(0, 1), QStringLiteral("value number 9999"));
    EXPECT_EQ(g.cell(0, 2), QStringLiteral("v2"));
}

TEST(SourceGrid, ColumnsTurnToUtf16OnlyWhenATextNeedsIt)
{
    SourceGrid g;
    g.setCell(0, 0, QString::fromUtf8("Müller € ‰"));
    ASSERT_TRUE(g.cellCp1252(0, 0));
    EXPECT_EQ(*g.cellCp1252(0, 0), QByteArrayView("M\xFCller \x80 \x89"));

    // A character outside Windows-1252 turns the column to UTF-16 and keeps the others.
    g.setCell(0, 1, QString::fromUtf8("Łódź 😀"));
    EXPECT_FALSE(g.cellCp1252(0, 0));
    EXPECT_EQ(g.cell(0, 0), QString::fromUtf8("Müller € ‰"));
    EXPECT_EQ(g.cell(0, 1), QString::fromUtf8("Łódź 😀"));

    // A cell written from the column's own text.
    QString scratch;
    g.setCell(0, 2, g.cellText(0, 1, scratch));
    EXPECT_EQ(g.cell(0, 2), QString::fromUtf8("Łódź 😀"));

    // A reader's Windows-1252 record over a UTF-16 column with cells beyond it.
    g.setColumnFields(0, QByteArray("a\xE4"), {1, 2});
    EXPECT_EQ(g.cell(0, 0), QStringLiteral("a"));
    EXPECT_EQ(g.cell(0, 1), QString::fromUtf8("ä"));
    EXPECT_EQ(g.cell(0, 2), QString::fromUtf8("Łódź 😀"));
    EXPECT_EQ(g.cellCp1252(5, 5), QByteArrayView()) << "a cell never written is empty";
}

TEST(SourceGrid, ColumnFieldsReplaceOnlyTheFieldsGiven)
{
    SourceGrid g;
    g.setColumnFields(0, QByteArray("abcdef"), {1, 3, 6});
    EXPECT_EQ(g.cell(0, 0), QStringLiteral("a"));
    EXPECT_EQ(g.cell(0, 1), QStringLiteral("bc"));
    EXPECT_EQ(g.cell(0, 2), QStringLiteral("def"));
    g.setColumnFields(0, QStringLiteral("X"), {1});
    EXPECT_EQ(g.cell(0, 0), QStringLiteral("X"));
    EXPECT_EQ(g.cell(0, 1), QStringLiteral("bc"));
    EXPECT_EQ(g.cell(0, 2), QStringLiteral("def"));
}

TEST(SourceGrid, ClearCellsEmptiesEverythingButKeepsTheCounts)
{
    SourceGrid g;
    g.setCell(2, 2, QStringLiteral("x"));
    g.setColumnCount(3);
    g.setRowCount(3);
    g.clearCells();
    EXPECT_EQ(g.cell(2, 2), QString());
    EXPECT_EQ(g.columnCount(), 3);
    EXPECT_EQ(g.rowCount(), 3);
}
