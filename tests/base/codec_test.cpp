#include "base/codec.h"
#include "base/german.h"

#include <gtest/gtest.h>

using namespace ordovan;

TEST(Codec, EveryWindows1252ByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(codec::toCp1252(codec::fromCp1252(all)), all);
    EXPECT_EQ(codec::fromCp1252("\x80\xE4\xDF"), QStringLiteral("€äß"));
}

TEST(Codec, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(codec::toCp1252(QStringLiteral("Łódź €")), QByteArray("?\xF3"
                                                                    "d? \x80"));
    EXPECT_EQ(codec::toCp1252(QStringLiteral("😀")), QByteArray("?")) << "one character, one byte";
}

TEST(Codec, Utf8Detection)
{
    EXPECT_TRUE(codec::isUtf8WithMultibyte("M\xC3\xBCller"));
    EXPECT_FALSE(codec::isUtf8WithMultibyte("M\xFCller")) << "Windows-1252";
    EXPECT_FALSE(codec::isUtf8WithMultibyte("plain ascii"));
    EXPECT_FALSE(codec::isUtf8WithMultibyte("\xC0\xAF")) << "overlong";
    EXPECT_FALSE(codec::isUtf8WithMultibyte("\xE2\x82")) << "cut off";
}

TEST(Codec, Utf8ToCp1252)
{
    QByteArray out;
    codec::appendUtf8AsCp1252(out, "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", 10, false);
    EXPECT_EQ(out, QByteArray("a\xE4\x80?"));
    out.clear();
    codec::appendUtf8AsCp1252(out, "\xC2\x80\xC2\x9D", 4, true);
    EXPECT_EQ(out, QByteArray("\x80\x9D")) << "ISO-8859-1 decoded bytes come back unchanged";
}

TEST(German, Dates)
{
    EXPECT_EQ(german::parseDate(u"08.12.2022", 2026), QDate(2022, 12, 8));
    EXPECT_EQ(german::parseDate(u" 1.2.2024 ", 2026), QDate(2024, 2, 1));
    EXPECT_EQ(german::parseDate(u"1.2.76", 2026), QDate(1976, 2, 1));
    EXPECT_EQ(german::parseDate(u"1.2.75", 2026), QDate(2075, 2, 1));
    EXPECT_EQ(german::parseDate(u"3.4.", 2026), std::nullopt);
    EXPECT_EQ(german::parseDate(u"3.4", 2026), QDate(2026, 4, 3));
    EXPECT_EQ(german::parseDate(u"31.02.2024", 2026), std::nullopt);
    EXPECT_EQ(german::parseDate(u"2024-02-01", 2026), std::nullopt);
    EXPECT_EQ(german::parseDate(u"", 2026), std::nullopt);
    EXPECT_EQ(german::formatDate(QDate(2022, 12, 8)), QStringLiteral("08.12.2022"));
    EXPECT_EQ(german::formatDateTime(QDateTime(QDate(2022, 12, 8), QTime(14, 5, 9))),
              QStringLiteral("08.12.2022 14:05:09"));
    EXPECT_EQ(german::formatDateTime(QDateTime(QDate(2022, 12, 8), QTime(0, 0))),
              QStringLiteral("08.12.2022"));
}

TEST(German, Numbers)
{
    EXPECT_EQ(german::parseNumber(u"11,58"), 11.58);
    EXPECT_EQ(german::parseNumber(u" -2,50 "), -2.5);
    EXPECT_EQ(german::parseNumber(u"1E3"), 1000.0);
    EXPECT_EQ(german::parseNumber(u",99"), 0.99);
    EXPECT_EQ(german::parseNumber(u"1.234,56"), std::nullopt);
    EXPECT_EQ(german::parseNumber(u"12.50"), std::nullopt);
    EXPECT_EQ(german::parseNumber(u"11,,58"), std::nullopt);
    EXPECT_EQ(german::parseNumber(u"5 €"), std::nullopt);
    EXPECT_EQ(german::parseNumber(u""), std::nullopt);
    EXPECT_EQ(german::parseNumber(u"1e"), std::nullopt);
    EXPECT_EQ(german::parseInteger(u" 42 "), 42);
    EXPECT_EQ(german::parseInteger(u"2147483648"), std::nullopt);
    EXPECT_EQ(german::parseInteger(u"-2147483648"), -2147483647 - 1);
    EXPECT_EQ(german::formatMoney(234.5), QStringLiteral("234,50"));
    EXPECT_EQ(german::formatMoney(12345678.9), QStringLiteral("12345678,90"));
    EXPECT_EQ(german::formatNumber(11.58), QStringLiteral("11,58"));
    EXPECT_EQ(german::formatNumber(250.0), QStringLiteral("250"));
}
