#include "platform/error.h"
#include "sepa/validation.h"

#include <gtest/gtest.h>

using namespace ordovan;
using sepa::Generation;

namespace {

bool ibanPasses(const QString &iban)
{
    try {
        return sepa::ValidateIBAN(iban);
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), sepa::text::kIbanInvalid);
        return false;
    }
}

bool bicPasses(const QString &bic, Generation g)
{
    try {
        return sepa::ValidateBIC(bic, g);
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), sepa::text::kBicInvalid);
        return false;
    }
}

const QString kIban = QStringLiteral("DE87123456781234567890");

} // namespace

TEST(IbanCheck, CheckDigitsDecide)
{
    EXPECT_EQ(sepa::IBANModulo97(kIban), 1);
    EXPECT_TRUE(ibanPasses(kIban));
    // Any one digit changed breaks the check digits.
    for (qsizetype i = 2; i < kIban.size(); ++i) {
        QString changed = kIban;
        changed[i] = QChar(u'0' + (kIban[i].unicode() - u'0' + 1) % 10);
        EXPECT_FALSE(ibanPasses(changed)) << i;
    }
    // Other countries and lengths: only the form and the check digits count.
    for (const char *iban : {"GB82WEST12345698765432", "NO9386011117947",
                             "LC55HEMM000100010012001200023015", "MT84MALT011000012345MTLCAST001S"})
        EXPECT_TRUE(ibanPasses(QString::fromLatin1(iban))) << iban;
}

TEST(IbanCheck, WrittenFormsThatStillPass)
{
    EXPECT_TRUE(ibanPasses(QStringLiteral("de87123456781234567890")));
    EXPECT_TRUE(ibanPasses(QStringLiteral("gb82west12345698765432")));
    // Printed in groups: the blanks are not part of the IBAN.
    EXPECT_TRUE(ibanPasses(QStringLiteral("DE87 1234 5678 1234 5678 90")));
    EXPECT_TRUE(ibanPasses(QStringLiteral(" DE87 1234567812345678 90 ")));
    EXPECT_EQ(sepa::normalizedIban(u"de87 1234 5678 1234 5678 90"), kIban);
}

TEST(IbanCheck, MalformedIbansFail)
{
    EXPECT_FALSE(ibanPasses(QString()));
    EXPECT_FALSE(ibanPasses(QStringLiteral("DE87")));
    EXPECT_FALSE(ibanPasses(QStringLiteral("DE871234567812345678901234567890123"))); // 35
    EXPECT_FALSE(ibanPasses(QStringLiteral("DE87-1234-5678-1234-5678-90")));
    EXPECT_FALSE(ibanPasses(QStringLiteral("DE87\t123456781234567890")));
    EXPECT_FALSE(ibanPasses(QStringLiteral("DE87123456781234567890\u00A0")));
    // Letters with accents are no IBAN letters, also after capitals.
    EXPECT_FALSE(ibanPasses(QStringLiteral("DE8712345678123456789é")));
    EXPECT_FALSE(ibanPasses(QStringLiteral("DEßß123456781234567890")));
    // Country code and check digits in the wrong places, even with a matching remainder.
    EXPECT_FALSE(ibanPasses(QStringLiteral("8712DE3456781234567890")));
}

TEST(IbanCheck, RemainderInPieces)
{
    EXPECT_EQ(sepa::IBANLettersToDigits(u"DE"), QStringLiteral("1314"));
    EXPECT_EQ(sepa::IBANLettersToDigits(u"A1Z-b"), QStringLiteral("10135-b"));
    // Long strings need several pieces; the result matches plain arithmetic.
    EXPECT_EQ(sepa::IBANModulo97(u"LC55HEMM000100010012001200023015"), 1);
    EXPECT_EQ(sepa::IBANModulo97(u"DE00123456781234567890"), 11); // 98 - 87 = 11
    EXPECT_EQ(sepa::IBANModulo97(u"DE87 1234"), 0) << "a blank is not a digit";
    EXPECT_EQ(sepa::IBANModulo97(u""), 0);
}

TEST(BicCheck, LengthAndFormOfEachGeneration)
{
    for (Generation g : {Generation::V2009, Generation::V2019}) {
        EXPECT_TRUE(bicPasses(QStringLiteral("DEUTDEFF"), g));
        EXPECT_TRUE(bicPasses(QStringLiteral("DEUTDEFF500"), g));
        EXPECT_TRUE(bicPasses(QStringLiteral("deutdeff500"), g)) << "checked in capitals";
        for (const char *bad : {"", "DEUTDEF", "DEUTDEFF5", "DEUTDEFF50", "DEUTDEFF5000",
                                "DEUT DEFF", "DEUTDEFF50X-", "DEUTDEFÄ"})
            EXPECT_FALSE(bicPasses(QString::fromUtf8(bad), g)) << bad;
    }
    // 2009: six letters, then a location that is neither 0/1 nor ends in O.
    EXPECT_FALSE(bicPasses(QStringLiteral("12345678"), Generation::V2009));
    EXPECT_FALSE(bicPasses(QStringLiteral("DEUTDE1F"), Generation::V2009));
    EXPECT_FALSE(bicPasses(QStringLiteral("DEUTDEFO"), Generation::V2009));
    EXPECT_FALSE(bicPasses(QStringLiteral("1EUTDEFF"), Generation::V2009));
    // 2019 BICFI: any letters or digits except in the country code.
    EXPECT_TRUE(bicPasses(QStringLiteral("1EUTDEFO"), Generation::V2019));
    EXPECT_TRUE(bicPasses(QStringLiteral("DEUTDE1F"), Generation::V2019));
    EXPECT_FALSE(bicPasses(QStringLiteral("12345678"), Generation::V2019));
    EXPECT_FALSE(bicPasses(QStringLiteral("DEUT1EFF"), Generation::V2019));
}

TEST(NameCheck, AnyCharacterCounts)
{
    EXPECT_TRUE(sepa::ValidateName(u" "));
    EXPECT_TRUE(sepa::ValidateName(u"Müller & Söhne <GmbH>"));
    try {
        sepa::ValidateName(u"");
        ADD_FAILURE() << "an empty name passed";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Der Name muss angegeben werden."));
    }
}
