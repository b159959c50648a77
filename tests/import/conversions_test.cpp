#include "import/conversions.h"

#include "base/german.h"

#include <gtest/gtest.h>

using namespace ordovan::import;

TEST(insertDecimalComma, PutsTheCommaBeforeTheLastTwoCharacters)
{
    EXPECT_EQ(insertDecimalComma(u"1158"), QStringLiteral("11,58"));
    EXPECT_EQ(insertDecimalComma(u"-250"), QStringLiteral("-2,50"));
    EXPECT_EQ(insertDecimalComma(u"99"), QStringLiteral(",99"));
    EXPECT_EQ(insertDecimalComma(u"11,58"), QStringLiteral("11,,58"));
    EXPECT_EQ(insertDecimalComma(u""), QString());
}

TEST(insertDecimalComma, OneCharacterIsCents)
{
    EXPECT_EQ(insertDecimalComma(u"5"), QStringLiteral(",05"));
    EXPECT_EQ(parseAmount(insertDecimalComma(u"5")), 0.05);
    EXPECT_FALSE(parseAmount(insertDecimalComma(u"x")));
}

TEST(transliterateUmlauts, ReplacesUmlautsAndSharpS)
{
    EXPECT_EQ(ordovan::german::transliterateUmlauts(u"ÄÖÜäöüß"), QStringLiteral("AeOeUeaeoeuess"));
    EXPECT_EQ(ordovan::german::transliterateUmlauts(u"Größe Müller-Übel"),
              QStringLiteral("Groesse Mueller-Uebel"));
    EXPECT_EQ(ordovan::german::transliterateUmlauts(u"é ẞ €"), QStringLiteral("é ẞ €"))
        << "nothing else changes";
}

struct AmountCase
{
    const char16_t *text;
    std::optional<double> value;
};

class AmountTest : public ::testing::TestWithParam<AmountCase>
{};

TEST_P(AmountTest, FollowsTheGermanNumberGrammar)
{
    EXPECT_EQ(parseAmount(GetParam().text), GetParam().value)
        << QString::fromUtf16(GetParam().text).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Amounts, AmountTest,
    ::testing::Values(AmountCase{u"11,58", 11.58}, AmountCase{u" -2,5 ", -2.5},
                      AmountCase{u"+3", 3.0}, AmountCase{u",99", 0.99}, AmountCase{u"1,5E2", 150.0},
                      AmountCase{u"2e-2", 0.02}, AmountCase{u"1.234,56", std::nullopt},
                      AmountCase{u"12.50", std::nullopt}, AmountCase{u"11,,58", std::nullopt},
                      AmountCase{u"5 €", std::nullopt}, AmountCase{u"1 000", std::nullopt},
                      AmountCase{u"", std::nullopt}, AmountCase{u"-", std::nullopt},
                      AmountCase{u"1e", std::nullopt}));

TEST(SourceDate, ShortDateNotation)
{
    EXPECT_EQ(parseSourceDate(u"29.02.2024", 2022), QDate(2024, 2, 29));
    EXPECT_EQ(parseSourceDate(u"1.2.24", 2022), QDate(2024, 2, 1));
    EXPECT_EQ(parseSourceDate(u"1.2.80", 2022), QDate(1980, 2, 1))
        << "two-digit years within 50 years of today";
    EXPECT_EQ(parseSourceDate(u"1.2.71", 2022), QDate(2071, 2, 1));
    EXPECT_FALSE(parseSourceDate(u"31.02.2024", 2022));
    EXPECT_FALSE(parseSourceDate(u"2024-02-01", 2022));
    EXPECT_FALSE(parseSourceDate(u"   ", 2022));
}

TEST(insertDecimalComma, OneCharacterIsCentsOnlyWhenItIsADigit)
{
    using ordovan::import::insertDecimalComma;
    EXPECT_EQ(insertDecimalComma(u"5"), QStringLiteral(",05"));
    EXPECT_EQ(insertDecimalComma(u" "), QStringLiteral(", ")) << "a blank must not become 0";
    EXPECT_EQ(insertDecimalComma(u"-"), QStringLiteral(",-"));
}
