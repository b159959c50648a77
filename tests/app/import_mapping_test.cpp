// The mapping grid: both layouts, the preview, assignment and removal on the selected rows.
#include "app/operations.h"
#include "appfixture.h"

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

class ImportMappingTest : public ::testing::Test, public test::AppFixture
{
protected:
    app::MainState &s = ctx->state;
    app::MappingGrid &g = s.source.SGDatenbank;

    // Source fields 0..4 of records 0 and 1: title line, then one record.
    void fillSource()
    {
        const char *titles[] = {"Nr", "Name", "Vorname", "Betrag", "IBAN"};
        const char *values[] = {"7", "Müller", "Hans", "599", "DE89 3704"};
        for (int r = 0; r < 5; ++r) {
            s.source.SGDatei.setCell(0, r, u8(titles[r]));
            s.source.SGDatei.setCell(1, r, u8(values[r]));
        }
        s.source.SGDatei.setRowCount(5);
        s.source.SGDatei.setColumnCount(2);
    }
    void assign(int sourceRow, int targetRow)
    {
        s.source.SGDatei.selectedRow = sourceRow;
        g.selectedRow = targetRow;
        app::assignSelectedSourceField(*ctx);
    }
    void remove(int targetRow)
    {
        g.selectedRow = targetRow;
        app::clearAssignment(*ctx);
    }
    QStringList column(int col) const
    {
        QStringList out;
        for (int r = 0; r < g.rowCount; ++r)
            out << g.cell(col, r);
        return out;
    }
};

TEST_F(ImportMappingTest, LayoutsForFourAndEightPurposeLines)
{
    s.main.CB8Verw = false;
    app::buildMappingGrid(*ctx);
    EXPECT_EQ(g.rowCount, 21);
    const char *labels[] = {"Feldname",
                            "Name",
                            "Kontonummer",
                            "BLZ",
                            "Verwendung1",
                            "Verwendung2",
                            "Verwendung3",
                            "Verwendung4",
                            "Betrag",
                            "Name2",
                            "Straße",
                            "OrtLand",
                            "Mandatsreferenz/NotizIntern",
                            "Ansprechpartner",
                            "IBAN",
                            "BIC",
                            "Ländercode",
                            "Währung",
                            "Ausführungsdatum",
                            "Mandatsdatum",
                            "Sequenztyp"};
    QStringList expected;
    for (const char *l : labels)
        expected << u8(l);
    EXPECT_EQ(column(0), expected);
    EXPECT_EQ(g.cell(1, 0), u8("zug. Dateifeld"));
    EXPECT_EQ(g.cell(2, 0), u8("1. Datensatz"));

    s.main.CB8Verw = true;
    app::buildMappingGrid(*ctx);
    EXPECT_EQ(g.rowCount, 25);
    EXPECT_EQ(g.cell(0, 8), u8("Verwendung5"));
    EXPECT_EQ(g.cell(0, 11), u8("Verwendung8"));
    EXPECT_EQ(g.cell(0, 12), u8("Betrag"));
    EXPECT_EQ(g.cell(0, 16), u8("NotizIntern"));
    EXPECT_EQ(g.cell(0, 22), u8("Ausführungsdatum"));
    // The targets that came later follow the others, so stored mappings keep their rows.
    EXPECT_EQ(g.cell(0, 23), u8("Mandatsdatum"));
    EXPECT_EQ(g.cell(0, 24), u8("Sequenztyp"));
}

TEST_F(ImportMappingTest, TheSameRowMeansDifferentFieldsInTheTwoLayouts)
{
    fillSource();
    s.main.CB8Verw = false;
    assign(3, 8);
    EXPECT_EQ(s.source.mapping.Betrag, 3);
    EXPECT_EQ(s.source.mapping.Verw[4], -1);

    s.main.CB8Verw = true;
    assign(4, 8);
    EXPECT_EQ(s.source.mapping.Verw[4], 4);
    EXPECT_EQ(s.source.mapping.Betrag, 3);

    // The assignment to Verwendung5 is kept, but not shown, in the four-line layout.
    s.main.CB8Verw = false;
    app::showMappingPreview(*ctx);
    EXPECT_EQ(s.source.mapping.Verw[4], 4);
    EXPECT_EQ(g.cell(1, 8), u8("Betrag"));
}

TEST_F(ImportMappingTest, SecondAssignmentToNameAddsTheSecondPart)
{
    fillSource();
    assign(1, 1);
    EXPECT_EQ(s.source.mapping.NameX, 1);
    EXPECT_EQ(s.source.mapping.NameX2, -1);
    EXPECT_EQ(g.cell(2, 1), u8("Müller"));

    assign(2, 1);
    EXPECT_EQ(s.source.mapping.NameX, 1);
    EXPECT_EQ(s.source.mapping.NameX2, 2);
    EXPECT_EQ(g.cell(1, 1), u8("Name Vorname"));
    EXPECT_EQ(g.cell(2, 1), u8("Müller Hans"));

    assign(0, 1);
    EXPECT_EQ(s.source.mapping.NameX, 1) << "a third assignment replaces the second part";
    EXPECT_EQ(s.source.mapping.NameX2, 0);
    EXPECT_EQ(g.cell(2, 1), u8("Müller 7"));

    remove(1);
    EXPECT_EQ(s.source.mapping.NameX, -1);
    EXPECT_EQ(s.source.mapping.NameX2, -1);
    EXPECT_EQ(g.cell(1, 1), QString());
    EXPECT_EQ(g.cell(2, 1), QString());
}

TEST_F(ImportMappingTest, AmountInCentsIsPreviewedWithTheComma)
{
    fillSource();
    s.source.RGBetrag = app::AmountNotation::Cents;
    assign(3, 8);
    EXPECT_EQ(g.cell(2, 8), u8("5,99"));
    EXPECT_EQ(s.source.mapping.Betrag, 3) << "only the field index is stored";
    s.source.RGBetrag = app::AmountNotation::Decimal;
    app::showMappingPreview(*ctx);
    EXPECT_EQ(g.cell(2, 8), u8("599"));
}

TEST_F(ImportMappingTest, PreviewFollowsTheMappingAndTheTitleOption)
{
    fillSource();
    s.source.mapping.IBANx = 4;
    s.source.mapping.NameX = 1;
    s.source.mapping.NameX2 = 2;
    g.setCell(1, 5, u8("stale"));
    s.source.CBTitelzeile = false;
    app::showMappingPreview(*ctx);
    EXPECT_EQ(g.cell(1, 0), u8("1. Datensatz"));
    EXPECT_EQ(g.cell(2, 0), u8("2. Datensatz"));
    EXPECT_EQ(g.cell(2, 14), u8("DE89 3704"));
    EXPECT_EQ(g.cell(2, 1), u8("Müller Hans"));
    EXPECT_EQ(g.cell(1, 5), QString()) << "unassigned rows are emptied";

    s.source.CBTitelzeile = true;
    app::showMappingPreview(*ctx);
    EXPECT_EQ(g.cell(1, 0), u8("zug. Dateifeld"));
    EXPECT_EQ(g.cell(2, 0), u8("1. Datensatz"));
}

TEST_F(ImportMappingTest, RowsOutsideTheLayoutChangeNoEntry)
{
    fillSource();
    const app::ColumnMapping before = s.source.mapping;
    assign(1, 20); // past the 19 rows of the four-line layout
    EXPECT_EQ(g.cell(2, 20), u8("Müller")) << "the preview cells are still copied";
    remove(20);
    remove(0);
    EXPECT_EQ(s.source.mapping.NameX, before.NameX);
    EXPECT_EQ(s.source.mapping.Betrag, before.Betrag);
    EXPECT_EQ(s.source.mapping.DatumX, before.DatumX);

    // Removing a plain entry.
    assign(4, 14);
    EXPECT_EQ(s.source.mapping.IBANx, 4);
    remove(14);
    EXPECT_EQ(s.source.mapping.IBANx, -1);
}

} // namespace
