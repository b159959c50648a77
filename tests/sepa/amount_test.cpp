#include "sepa/amount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ordovan;
using sepa::Amount;

TEST(AmountConversion, RoundsToWholeCentsHalfAwayFromZero)
{
    const struct
    {
        double stored;
        Amount expected;
    } cases[] = {
        {11.58, 115800},
        {0.07, 700},
        {250, 2500000},
        {1.005, 10100},
        {0.125, 1300},
        {-0.125, -1300},
        {0.004, 0},
        {0.005, 100},
        {2.675, 26800},
        {1.0049, 10000},
        {-1.005, -10100},
        {0, 0},
        {1234567.89, 12345678900},
        {92233720368547.75, 922337203685477500},
    };
    for (const auto &c : cases) {
        const auto a = sepa::convertAmount(c.stored);
        ASSERT_TRUE(a.has_value()) << c.stored;
        EXPECT_EQ(*a, c.expected) << c.stored;
        EXPECT_EQ(*a % 100, 0) << "whole cents " << c.stored;
    }
}

TEST(AmountConversion, RefusesWhatDoesNotFit)
{
    EXPECT_FALSE(sepa::convertAmount(std::nan("")).has_value());
    EXPECT_FALSE(sepa::convertAmount(std::numeric_limits<double>::infinity()).has_value());
    EXPECT_FALSE(sepa::convertAmount(-std::numeric_limits<double>::infinity()).has_value());
    EXPECT_FALSE(sepa::convertAmount(922337203685477.5808).has_value());
    EXPECT_FALSE(sepa::convertAmount(1e300).has_value());
    EXPECT_FALSE(sepa::convertAmount(-1e300).has_value());
    EXPECT_TRUE(sepa::convertAmount(922337203685470.0).has_value());
}

TEST(AmountConversion, TotalsRefuseOverflowAndStayUnchanged)
{
    const Amount big = *sepa::convertAmount(92233720368547.75);
    Amount total = 0;
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(sepa::addAmount(total, big)) << i;
    const Amount before = total;
    EXPECT_FALSE(sepa::addAmount(total, big));
    EXPECT_EQ(total, before);
    EXPECT_TRUE(sepa::addAmount(total, 100));
}

TEST(AmountFormat, FileAndUserForms)
{
    EXPECT_EQ(sepa::formatAmount(10000), QByteArray("1.00"));
    EXPECT_EQ(sepa::formatAmount(125000), QByteArray("12.50"));
    EXPECT_EQ(sepa::formatAmount(700), QByteArray("0.07"));
    EXPECT_EQ(sepa::formatAmount(0), QByteArray("0.00"));
    EXPECT_EQ(sepa::formatAmount(-700), QByteArray("-0.07"));
    EXPECT_EQ(sepa::formatAmount(-12345678900), QByteArray("-1234567.89"));
    // Large amounts stay exact and never take exponent form.
    EXPECT_EQ(sepa::formatAmount(922337203685477500), QByteArray("92233720368547.75"));
    EXPECT_EQ(sepa::formatAmount(123456789012300), QByteArray("12345678901.23"));
    EXPECT_EQ(sepa::formatAmount(std::numeric_limits<Amount>::max()),
              QByteArray("922337203685477.58"));
    EXPECT_EQ(sepa::formatAmount(std::numeric_limits<Amount>::min()),
              QByteArray("-922337203685477.58"));
    EXPECT_EQ(sepa::formatAmountGerman(2345000), QStringLiteral("234,50"));
    EXPECT_EQ(sepa::formatAmountGerman(12345678912300), QStringLiteral("1234567891,23"));
}
