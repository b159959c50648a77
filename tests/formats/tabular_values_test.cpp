// How workbook and database values become grid text, and how a requested sheet name finds
// its sheet.
#include "base/error.h"
#include "formats/sheetbuffer.h"
#include "formats/tabularreaders.h"
#include "formats/tabularvalues.h"
#include "tabularfixtures.h"

#include <gtest/gtest.h>

using namespace ordovan;
using namespace ordovan::formats;
namespace tv = ordovan::formats::tabular_values;

TEST(TabularValues, NumbersInGermanNotationWithoutNoise)
{
    const struct
    {
        double value;
        const char16_t *text;
    } cases[] = {
        {11.58, u"11,58"},
        {1158, u"1158"},
        {0.07, u"0,07"},
        {-0.5, u"-0,5"},
        {1234567.891, u"1234567,891"},
        {123456789012.0, u"123456789012"},
        {12345678.9, u"12345678,9"},    // no thousands separator, no exponent
        {0.1 + 0.2, u"0,3"},            // 15 digits hide the binary rest
        {11.580000000000002, u"11,58"}, // as a formula result is stored
        {0, u"0"},
        {-0.0, u"0"},
        {1e15, u"1E15"},
        {1.5e-5, u"1,5E-5"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tv::numberText(c.value), QString::fromUtf16(c.text)) << c.value;
    EXPECT_EQ(tv::numberText(std::nan("")), QString());
}

TEST(TabularValues, DecimalsKeepEveryDigit)
{
    EXPECT_EQ(tv::decimalText(u"12.7500"), QStringLiteral("12,75"));
    EXPECT_EQ(tv::decimalText(u"1158.0000"), QStringLiteral("1158"));
    EXPECT_EQ(tv::decimalText(u"-0.5000"), QStringLiteral("-0,5"));
    EXPECT_EQ(tv::decimalText(u"0.0000"), QStringLiteral("0"));
    EXPECT_EQ(tv::decimalText(u"-0.0000"), QStringLiteral("0"));
    EXPECT_EQ(tv::decimalText(u"922337203685477.5807"), QStringLiteral("922337203685477,5807"));
    EXPECT_EQ(tv::decimalText(u"007"), QStringLiteral("7"));
    EXPECT_EQ(tv::decimalText(u"1e-3"), QStringLiteral("0,001"));
    EXPECT_EQ(tv::decimalText(u"kein Betrag"), QStringLiteral("kein Betrag"));
}

TEST(TabularValues, SerialDatesAndTimes)
{
    EXPECT_EQ(tv::serialDateTimeText(44903), QStringLiteral("08.12.2022"));
    EXPECT_EQ(tv::serialDateTimeText(44903.604166666664), QStringLiteral("08.12.2022 14:30:00"));
    EXPECT_EQ(tv::serialDateTimeText(0.5), QStringLiteral("12:00:00"));
    EXPECT_EQ(tv::serialDateTimeText(0), QStringLiteral("30.12.1899"));
    EXPECT_EQ(tv::serialDateTimeText(1), QStringLiteral("31.12.1899"));
    // Just below midnight rounds to the next day, not to "24:00:00".
    EXPECT_EQ(tv::serialDateTimeText(44903.9999999), QStringLiteral("09.12.2022"));
    // Before the epoch the time still counts forward: -1.25 is 29.12.1899 06:00.
    EXPECT_EQ(tv::serialDateTimeText(-1.25), QStringLiteral("29.12.1899 06:00:00"));
    EXPECT_EQ(tv::serialDateTimeText(2958465), QStringLiteral("31.12.9999"));
    EXPECT_EQ(tv::serialDateTimeText(-657434), QStringLiteral("01.01.0100"));
}

TEST(TabularValues, IsoDatesTimesAndDurations)
{
    EXPECT_EQ(tv::isoDateTimeText(u"2022-12-08"), QStringLiteral("08.12.2022"));
    EXPECT_EQ(tv::isoDateTimeText(u"2022-12-08T14:30:05"), QStringLiteral("08.12.2022 14:30:05"));
    EXPECT_EQ(tv::isoDateTimeText(u"2022-12-08 14:30:05"), QStringLiteral("08.12.2022 14:30:05"));
    EXPECT_EQ(tv::isoDateTimeText(u"2022-12-08T00:00:00"), QStringLiteral("08.12.2022"));
    EXPECT_EQ(tv::isoDateTimeText(u"2022-12-08T14:30:05.6Z"),
              QStringLiteral("08.12.2022 14:30:06"));
    EXPECT_EQ(tv::isoDateTimeText(u"14:30:05"), QStringLiteral("14:30:05"));
    EXPECT_EQ(tv::isoDateTimeText(u"2022-13-45"), QStringLiteral("2022-13-45"));
    EXPECT_EQ(tv::isoDurationText(u"PT14H30M05S"), QStringLiteral("14:30:05"));
    EXPECT_EQ(tv::isoDurationText(u"PT36H00M00S"), QStringLiteral("31.12.1899 12:00:00"));
    EXPECT_EQ(tv::isoDurationText(u"P1DT2H"), QStringLiteral("31.12.1899 02:00:00"));
    EXPECT_EQ(tv::isoDurationText(u"PT1H2X"), QStringLiteral("PT1H2X"));
}

TEST(TabularValues, RequestedNamesSelectTheirSheet)
{
    const QStringList names{QStringLiteral("Zahlungen"), QStringLiteral("zahlungen"),
                            QStringLiteral("Prüfwerte"), QStringLiteral("Tabelle 1")};
    EXPECT_EQ(tv::findTableName(names, QStringLiteral("zahlungen")), 1); // exact first
    EXPECT_EQ(tv::findTableName(names, QStringLiteral("PRÜFWERTE")), 2);
    // What the Windows data layer stored as Tabellenname still finds the sheet.
    EXPECT_EQ(tv::findTableName(names, QStringLiteral("Prüfwerte$")), 2);
    EXPECT_EQ(tv::findTableName(names, QStringLiteral("'Tabelle 1$'")), 3);
    EXPECT_EQ(tv::findTableName(names, QStringLiteral("Fehlt")), -1);
    EXPECT_EQ(tv::findTableName(names, QString()), -1);
    EXPECT_EQ(tv::findTableName(names, QStringLiteral("$")), -1);
}

TEST(TabularValues, DateFormatCodes)
{
    for (const char16_t *code : {u"dd.mm.yyyy", u"DD/MM/YY", u"hh:mm", u"[h]:mm:ss", u"[mm]:ss",
                                 u"[$-407]d. mmmm yyyy", u"yyyy-mm-dd;@", u"h:mm AM/PM"})
        EXPECT_TRUE(isDateFormatCode(code)) << QString::fromUtf16(code).toStdString();
    for (const char16_t *code :
         {u"General", u"Standard", u"0.00", u"#,##0.00 \"Tage\"", u"[Red]#,##0", u"0%", u"0.00E+00",
          u"@", u"#,##0;[Red]-#,##0", u"\\d0", u"_-* #,##0.00 [$€-407]_-"})
        EXPECT_FALSE(isDateFormatCode(code)) << QString::fromUtf16(code).toStdString();
    EXPECT_TRUE(isBuiltInDateFormat(14));
    EXPECT_TRUE(isBuiltInDateFormat(22));
    EXPECT_TRUE(isBuiltInDateFormat(47));
    EXPECT_FALSE(isBuiltInDateFormat(0));
    EXPECT_FALSE(isBuiltInDateFormat(4));
    EXPECT_FALSE(isBuiltInDateFormat(49));
}

TEST(SheetBuilder, KeepsTheUsedRangeWithEmptyRowsInside)
{
    SheetBuilder b({});
    b.add(2, 1, QStringLiteral("B3"));
    b.add(2, 2, QString()); // an empty value is no value
    b.add(4, 3, QStringLiteral("D5"));
    b.add(7, 1, QString()); // formatted but empty, past the last value
    auto rows = b.finish();
    EXPECT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->fieldCount(), 3);
    const QList<QStringList> expected{{QStringLiteral("B3"), QString(), QString()},
                                      {QString(), QString(), QString()},
                                      {QString(), QString(), QStringLiteral("D5")}};
    EXPECT_EQ(test::readAll(*rows), expected);
}

TEST(SheetBuilder, ValuesInAnyOrderAndTheLastOfTwoWins)
{
    SheetBuilder b({});
    b.add(1, 1, QStringLiteral("d"));
    b.add(0, 1, QStringLiteral("b"));
    b.add(0, 0, QStringLiteral("a"));
    b.add(1, 0, QStringLiteral("c"));
    b.add(0, 1, QStringLiteral("B"));
    auto rows = b.finish();
    const QList<QStringList> expected{{QStringLiteral("a"), QStringLiteral("B")},
                                      {QStringLiteral("c"), QStringLiteral("d")}};
    EXPECT_EQ(test::readAll(*rows), expected);
    EXPECT_EQ(rows->recNo(), 3);
    EXPECT_TRUE(rows->eof());
    EXPECT_EQ(rows->text(0), QString());
}

TEST(SheetBuilder, WholeTablesKeepEmptyFieldsAndRows)
{
    SheetBuilder b({});
    b.setMinimumFieldCount(3);
    b.add(0, 1, QStringLiteral("x"));
    b.setMinimumRowCount(1);
    b.setMinimumRowCount(2); // a row of nulls
    auto rows = b.finish();
    EXPECT_EQ(rows->fieldCount(), 3);
    EXPECT_EQ(rows->rowCount(), 2);
    EXPECT_EQ(test::readAll(*rows).first(),
              (QStringList{QString(), QStringLiteral("x"), QString()}));
}

TEST(SheetBuilder, StopsAtTheLimits)
{
    TabularLimits limits;
    limits.maxCells = 100;
    limits.maxTextChars = 50;
    {
        SheetBuilder b(limits);
        b.add(0, 0, QStringLiteral("a"));
        b.add(9, 9, QStringLiteral("b")); // 10 x 10: just within
        EXPECT_THROW(b.add(10, 0, QStringLiteral("c")), Error);
    }
    {
        // Far apart values span a huge range, however few they are.
        SheetBuilder b(limits);
        b.add(0, 0, QStringLiteral("a"));
        EXPECT_THROW(b.add(1048575, 16383, QStringLiteral("b")), Error);
    }
    {
        SheetBuilder b(limits);
        EXPECT_THROW(b.add(0, 0, QString(51, u'x')), Error);
    }
    {
        SheetBuilder b(limits);
        EXPECT_THROW(b.add(qint64(1) << 40, 0, QStringLiteral("a")), Error);
    }
    {
        SheetBuilder b(limits);
        b.setMinimumFieldCount(10);
        b.setMinimumRowCount(10);
        EXPECT_THROW(b.setMinimumRowCount(11), Error);
    }
}

TEST(DeferredRowSet, ReadsOnceAndReportsAFailedReadEveryTime)
{
    int loads = 0;
    DeferredRowSet ok([&] {
        ++loads;
        SheetBuilder b({});
        b.add(0, 0, QStringLiteral("a"));
        return b.finish();
    });
    EXPECT_EQ(ok.fieldCount(), 1);
    EXPECT_EQ(ok.rowCount(), 1);
    EXPECT_EQ(loads, 1);

    DeferredRowSet failing(
        []() -> std::unique_ptr<BufferedRowSet> { throw Error(QStringLiteral("kaputt")); });
    EXPECT_THROW(failing.fieldCount(), Error);
    EXPECT_THROW(failing.rowCount(), Error);
}
