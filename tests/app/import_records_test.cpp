// importRecords: every field, the conversions, the failure lines, and the record numbers
// (reservation, gaps of failed records, the guard against a missing or lagging counter).
#include "app/operations.h"
#include "appfixture.h"
#include "base/error.h"
#include "store/recordnumbers.h"
#include "store/schema.h"

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

class ImportRecordsTest : public ::testing::Test, public test::AppFixture
{
protected:
    app::MainState &s = ctx->state;
    store::Table &azv = ctx->data.ClientDataSetAZV;

    ImportRecordsTest()
    {
        azv.createEmpty(store::sepaPaymentFields());
        s.source.CBTitelzeile = false;
        s.source.RGBetrag = app::AmountNotation::Decimal;
    }

    // One source record per list, field by field.
    void source(const QList<QStringList> &recs)
    {
        int fields = 0;
        for (int c = 0; c < recs.size(); ++c) {
            for (int r = 0; r < recs[c].size(); ++r)
                s.source.SGDatei.setCell(c, r, recs[c][r]);
            fields = std::max(fields, int(recs[c].size()));
        }
        s.source.SGDatei.setRowCount(fields);
        s.source.SGDatei.setColumnCount(int(recs.size()));
    }
    void setCounter(qint32 v) { settings->writeInteger(u"", store::RecordNumbers::kSepa, v); }
    std::optional<qint32> counter() const
    {
        return settings->integerValue(u"", store::RecordNumbers::kSepa);
    }
    // Rows already stored by an earlier run, numbered by hand.
    void storeEarlierRows(const QList<int> &ids)
    {
        auto hook = azv.afterInsert;
        azv.afterInsert = nullptr;
        for (int id : ids) {
            azv.insert();
            azv.setValue(u"ID", id);
            azv.setValue(u"Name1", QStringLiteral("alt %1").arg(id));
            azv.post();
        }
        azv.afterInsert = hook;
    }
    QList<int> ids(bool filtered)
    {
        azv.setFiltered(filtered);
        QList<int> out;
        for (azv.first(); !azv.eof(); azv.next())
            out << azv.integer(0).value_or(-1);
        azv.setFiltered(true);
        return out;
    }
    // The row with the ID, made current.
    bool row(int id) { return azv.locate(u"ID", id); }
    QStringList events() const
    {
        QStringList out;
        for (const QString &line : s.log.MLog.lines())
            out << line.mid(19); // after "08.12.2022 14:05:09"
        return out;
    }
};

TEST_F(ImportRecordsTest, FillsEveryMappedField)
{
    const QString longName = QString(60, u'x');
    source({{u8("Müller"), u8("Hans"), longName, u8("Hauptstraße 1"), u8("80331 München"),
             u8("MREF-1"), u8("Frau Weiß"), u8("DE89 3704 0044 0532 0130 00 9999 9999 99"),
             u8("COBADEFFXXX"), u8("DE"), u8("EURO"), u8("01.02.24"), u8("Beitrag"), u8("2024"),
             u8("11,58"), u8("Kto"), u8("BLZ")}});
    app::ColumnMapping &m = s.source.mapping;
    m.NameX = 0;
    m.NameX2 = 1;
    m.Name2X = 2;
    m.StrasseX = 3;
    m.OrtLandX = 4;
    m.NotitzInternX = 5;
    m.AnsprechpartnerX = 6;
    m.IBANx = 7;
    m.BICx = 8;
    m.LaendercodeX = 9;
    m.WaehrungX = 10;
    m.DatumX = 11;
    m.Verw[0] = 12;
    m.Verw[2] = 13;
    m.Betrag = 14;
    m.Kto1 = 15;
    m.Blz1 = 16;
    app::importRecords(*ctx);

    ASSERT_EQ(azv.recordCount(), 1);
    azv.first();
    EXPECT_EQ(azv.text(u"Name1"), u8("Müller Hans"));
    EXPECT_EQ(azv.text(u"Name2"), QString(50, u'x')) << "cut to the field width";
    EXPECT_EQ(azv.text(u"Straße"), u8("Hauptstraße 1"));
    EXPECT_EQ(azv.text(u"OrtLand"), u8("80331 München"));
    EXPECT_EQ(azv.text(u"NotitzIntern"), u8("MREF-1"));
    EXPECT_EQ(azv.text(u"Ansprechpartner"), u8("Frau Weiß"));
    EXPECT_EQ(azv.text(u"IBAN"), u8("DE89 3704 0044 0532 0130 00 9999 9")) << "blanks kept, 34";
    EXPECT_EQ(azv.text(u"BLZ"), u8("COBADEFFXXX"));
    EXPECT_EQ(azv.text(u"Laendercode"), u8("DE"));
    EXPECT_EQ(azv.text(u"Waehrung"), u8("EUR"));
    EXPECT_EQ(azv.date(azv.field(u"Datum")), QDate(2024, 2, 1));
    EXPECT_EQ(azv.text(u"Verwendungszweck"), u8("Beitrag \r2024"));
    EXPECT_EQ(azv.number(azv.field(u"Betrag")), 11.58);
    EXPECT_EQ(azv.date(azv.field(u"Erstellungsdatum")), QDate(2022, 12, 8));
    EXPECT_TRUE(azv.isNull(azv.field(u"Zahlungsart")));
    EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok);
}

TEST_F(ImportRecordsTest, PurposeLinesJoinConstantsAndTheEightLineOption)
{
    source({{u8("z1"), u8("z2"), u8("z3"), u8("z4"), u8("z5")}});
    s.source.mapping.Verw[0] = 0;
    s.source.mapping.Verw[3] = 3;
    s.source.mapping.Verw[4] = 4;
    s.main.Verwkonst[1] = {true, QString()}; // an empty constant still adds " " and CR
    s.main.Verwkonst[2] = {true, u8("Konstante")};
    s.main.Verwkonst[5] = {true, u8("sechs")};
    app::importRecords(*ctx);
    azv.last();
    EXPECT_EQ(azv.text(u"Verwendungszweck"), u8("z1 \r \rKonstante \rz4"));

    s.main.CB8Verw = true;
    app::importRecords(*ctx);
    azv.last();
    EXPECT_EQ(azv.text(u"Verwendungszweck"), u8("z1 \r \rKonstante \rz4 \rz5 \rsechs"));

    // Without line 1 the text starts with the separator of line 2.
    s.source.mapping.Verw[0] = -1;
    s.main.CB8Verw = false;
    app::importRecords(*ctx);
    azv.last();
    EXPECT_EQ(azv.text(u"Verwendungszweck"), u8(" \r \rKonstante \rz4"));
}

TEST_F(ImportRecordsTest, TitleRowIsSkippedAndRecordsAreNumberedInTheLog)
{
    setCounter(46);
    source({{u8("Name")}, {u8("A")}, {u8("B")}});
    s.source.CBTitelzeile = true;
    s.source.mapping.NameX = 0;
    app::importRecords(*ctx);
    EXPECT_EQ(events(),
              (QStringList{u8(" Datensätze EINLESEN START"), u8(" Datensatz 1 ID 47 START"),
                           u8(" Datensatz 1 ID 47 ENDE"), u8(" Datensatz 2 ID 48 START"),
                           u8(" Datensatz 2 ID 48 ENDE"), u8(" Datensätze EINLESEN ENDE")}));
    EXPECT_EQ(s.run.RunFirstID, 47);
    EXPECT_EQ(s.run.RunLastID, 48);
}

TEST_F(ImportRecordsTest, FailedRecordKeepsItsNumberAsAGap)
{
    setCounter(100);
    source({{u8("1")}, {u8("2")}, {u8("1.234,56")}, {u8("4")}, {u8("5")}});
    s.source.mapping.Betrag = 0;
    app::importRecords(*ctx);
    EXPECT_EQ(ids(true), (QList<int>{101, 102, 104, 105}));
    EXPECT_EQ(s.run.RunFirstID, 101);
    EXPECT_EQ(s.run.RunLastID, 105);
    EXPECT_EQ(counter(), 105);
    EXPECT_EQ(s.run.runStatus, app::RunStatus::ImportFailed);
    const QStringList e = events();
    const qsizetype at = e.indexOf(u8(" Datensatz 3 ID 103 START"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(e[at + 1],
              u8(" Datensatz ID 103 Fehler beim Import in das Feld BETRAG: Ungültiger Wert: "
                 "1.234,56"));
    EXPECT_EQ(e[at + 2], u8(" Datensatz 4 ID 104 START")) << "no ENDE line for a failed record";
}

struct AmountCase
{
    int notation;
    const char *cell;
    std::optional<double> stored; // nothing: the record fails
};

class ImportAmountTest : public ImportRecordsTest, public ::testing::WithParamInterface<AmountCase>
{};

TEST_P(ImportAmountTest, ConvertsOrFails)
{
    const AmountCase &c = GetParam();
    source({{u8(c.cell)}});
    s.source.RGBetrag = app::AmountNotation(c.notation);
    s.source.mapping.Betrag = 0;
    app::importRecords(*ctx);
    if (!c.stored) {
        EXPECT_EQ(azv.recordCount(), 0);
        EXPECT_EQ(s.log.MLog.lines().value(2).mid(19),
                  u8(" Datensatz ID 1 Fehler beim Import in das Feld BETRAG: Ungültiger Wert: ") +
                      u8(c.cell));
        return;
    }
    ASSERT_EQ(azv.recordCount(), 1);
    azv.first();
    EXPECT_EQ(azv.number(azv.field(u"Betrag")), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Notations, ImportAmountTest,
    ::testing::Values(AmountCase{0, "11,58", 11.58}, AmountCase{0, " -3 ", -3.0},
                      AmountCase{0, "12.50", std::nullopt}, AmountCase{0, "1158", 1158.0},
                      AmountCase{1, "1158", 11.58}, AmountCase{1, "-250", -2.5},
                      AmountCase{1, "5", 0.05}, AmountCase{1, "11,58", std::nullopt},
                      AmountCase{1, "EUR", std::nullopt}));

TEST_F(ImportRecordsTest, EmptyAmountOrNoNotationLeavesTheAmountEmpty)
{
    source({{QString()}, {u8("7")}});
    s.source.mapping.Betrag = 0;
    app::importRecords(*ctx);
    s.source.RGBetrag = app::AmountNotation::None;
    app::importRecords(*ctx);
    EXPECT_EQ(azv.recordCount(), 2) << "the second run shows only its own records";
    azv.setFiltered(false);
    ASSERT_EQ(azv.recordCount(), 4);
    for (azv.first(); !azv.eof(); azv.next()) {
        const int id = azv.integer(0).value_or(-1);
        if (id == 2)
            EXPECT_EQ(azv.number(azv.field(u"Betrag")), 7.0);
        else
            EXPECT_TRUE(azv.isNull(azv.field(u"Betrag"))) << id;
    }
    EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok);
}

TEST_F(ImportRecordsTest, DatesConvertFailOrAreOverridden)
{
    source({{u8("31.12.2023")}, {u8("31.02.2024")}, {QString()}});
    s.source.mapping.DatumX = 0;
    app::importRecords(*ctx);
    EXPECT_EQ(ids(true), (QList<int>{1, 3}));
    ASSERT_TRUE(row(1));
    EXPECT_EQ(azv.date(azv.field(u"Datum")), QDate(2023, 12, 31));
    ASSERT_TRUE(row(3));
    EXPECT_TRUE(azv.isNull(azv.field(u"Datum")));
    EXPECT_TRUE(events().contains(u8(" Datensatz ID 2 Fehler beim Import in das Feld DATUM")));

    // The override replaces every date, but a bad date still fails first.
    s.main.CBDatumueberschreiben = true;
    s.main.DTPAusf = QDateTime(QDate(2023, 1, 15), QTime(9, 0));
    app::importRecords(*ctx);
    EXPECT_EQ(ids(true), (QList<int>{4, 6}));
    for (int id : {4, 6}) {
        ASSERT_TRUE(row(id));
        EXPECT_EQ(azv.date(azv.field(u"Datum")), QDate(2023, 1, 15));
    }
}

TEST_F(ImportRecordsTest, ConstantAmountIsStoredAndABadOneEndsTheRun)
{
    source({{u8("x")}, {u8("y")}});
    s.source.mapping.Betrag = 0;
    s.main.Betragkonst = {true, u8("25,00")};
    app::importRecords(*ctx);
    azv.first();
    EXPECT_EQ(azv.number(azv.field(u"Betrag")), 25.0);
    EXPECT_EQ(counter(), 2);

    s.main.Betragkonst.text = u8("25 EUR");
    try {
        app::importRecords(*ctx);
        FAIL() << "a constant that does not convert must end the run";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), u8("'25 EUR' ist kein gültiger Gleitkommawert"));
    }
    EXPECT_EQ(azv.state(), store::Table::State::Browse) << "no half-filled row is left behind";
    EXPECT_EQ(ids(false), (QList<int>{1, 2}));
    EXPECT_EQ(counter(), 3) << "the failing record took one number, as one by one";
}

TEST_F(ImportRecordsTest, EmptySourceWithoutTitleImportsOneEmptyRecord)
{
    s.source.SGDatei.clearCells();
    s.source.mapping.NameX = 0;
    s.source.mapping.Betrag = 0;
    app::importRecords(*ctx);
    ASSERT_EQ(azv.recordCount(), 1);
    azv.first();
    EXPECT_TRUE(azv.isNull(azv.field(u"Name1")));

    s.source.CBTitelzeile = true;
    app::importRecords(*ctx);
    EXPECT_EQ(azv.recordCount(), 0);
    EXPECT_EQ(s.run.RunLastID, s.run.RunFirstID - 1) << "a run that imports nothing";
}

// Entries that name no field (corrupt settings) fail their step with its field word.
struct WordCase
{
    int app::ColumnMapping::*entry;
    const char *word;
};

class ImportFieldWordTest : public ImportRecordsTest, public ::testing::WithParamInterface<WordCase>
{};

TEST_P(ImportFieldWordTest, LogsTheFieldWord)
{
    source({{u8("a"), u8("b")}});
    s.source.mapping.*(GetParam().entry) = -2;
    app::importRecords(*ctx);
    EXPECT_EQ(azv.recordCount(), 0);
    EXPECT_EQ(s.run.runStatus, app::RunStatus::ImportFailed);
    EXPECT_EQ(events().value(2),
              u8(" Datensatz ID 1 Fehler beim Import in das Feld ") + u8(GetParam().word));
}

INSTANTIATE_TEST_SUITE_P(
    Words, ImportFieldWordTest,
    ::testing::Values(WordCase{&app::ColumnMapping::NameX, "NAME 1 II"},
                      WordCase{&app::ColumnMapping::Name2X, "NAME 2"},
                      WordCase{&app::ColumnMapping::StrasseX, "STRASSE"},
                      WordCase{&app::ColumnMapping::OrtLandX, "ORTLAND"},
                      WordCase{&app::ColumnMapping::NotitzInternX, "NOTIZINTERN"},
                      WordCase{&app::ColumnMapping::AnsprechpartnerX, "ANSPRECHPARTMER"},
                      WordCase{&app::ColumnMapping::IBANx, "IBAN"},
                      WordCase{&app::ColumnMapping::BICx, "BIC"},
                      WordCase{&app::ColumnMapping::LaendercodeX, "LÄNDERCODE"},
                      WordCase{&app::ColumnMapping::WaehrungX, "WÄHRUNG"},
                      WordCase{&app::ColumnMapping::DatumX, "DATUM"},
                      WordCase{&app::ColumnMapping::Betrag, "BETRAG"}));

TEST_F(ImportRecordsTest, NameAndPurposeWordsOfTheirParts)
{
    source({{u8("a")}});
    s.source.mapping.NameX = 0;
    s.source.mapping.NameX2 = -2;
    app::importRecords(*ctx);
    s.source.mapping.NameX2 = -1;
    s.source.mapping.Verw[6] = -2;
    s.main.CB8Verw = true;
    app::importRecords(*ctx);
    const QStringList e = events();
    EXPECT_TRUE(e.contains(u8(" Datensatz ID 1 Fehler beim Import in das Feld NAME 1 I")));
    EXPECT_TRUE(e.contains(u8(" Datensatz ID 2 Fehler beim Import in das Feld VERW7")));
}

// --- Numbers: the guard against a missing or lagging counter ------------------------------

TEST_F(ImportRecordsTest, MissingCounterNeverDeletesEarlierRecords)
{
    storeEarlierRows({1, 2, 3});
    ctx->data.ClientDataSetAZV.setFilter(QStringLiteral("ID > -1"));
    azv.setFiltered(true);
    source({{u8("neu")}});
    s.source.mapping.NameX = 0;
    app::importRecords(*ctx);
    EXPECT_EQ(ids(false), (QList<int>{1, 2, 3, 4}));
    EXPECT_EQ(ids(true), (QList<int>{4})) << "the filter shows exactly this run's records";
    EXPECT_EQ(s.run.RunFirstID, 4);
    EXPECT_EQ(s.run.RunLastID, 4);
    EXPECT_EQ(counter(), 4);
    EXPECT_EQ(azv.filter(), QStringLiteral("ID > 3"));
}

TEST_F(ImportRecordsTest, LaggingCounterIsRaisedToTheHighestIdEverHeld)
{
    storeEarlierRows({10, 11, 12});
    ASSERT_TRUE(row(12));
    azv.remove(); // 12 was handed out once; it is never handed out again
    setCounter(5);
    azv.setFilter(QStringLiteral("ID > 5"));
    azv.setFiltered(true);
    source({{u8("neu")}});
    app::importRecords(*ctx);
    EXPECT_EQ(ids(false), (QList<int>{10, 11, 13}));
    EXPECT_EQ(s.run.RunFirstID, 13);
}

} // namespace
