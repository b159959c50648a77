#include "base/error.h"
#include "sepa/countries.h"
#include "sepa/validation.h"

#include <gtest/gtest.h>

using namespace ordovan;
using sepa::Generation;

namespace {

bool ibanPasses(const QString &iban)
{
    try {
        return sepa::validateIban(iban);
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), sepa::text::kIbanInvalid);
        return false;
    }
}

bool bicPasses(const QString &bic, Generation g)
{
    try {
        return sepa::validateBic(bic, g);
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), sepa::text::kBicInvalid);
        return false;
    }
}

const QString kIban = QStringLiteral("DE87123456781234567890");

} // namespace

TEST(IbanCheck, CheckDigitsDecide)
{
    EXPECT_EQ(sepa::ibanModulo97(kIban), 1);
    EXPECT_TRUE(ibanPasses(kIban));
    // Any one digit changed breaks the check digits.
    for (qsizetype i = 2; i < kIban.size(); ++i) {
        QString changed = kIban;
        changed[i] = QChar(u'0' + (kIban[i].unicode() - u'0' + 1) % 10);
        EXPECT_FALSE(ibanPasses(changed)) << i;
    }
    // Other countries, each with its registered length.
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

// An IBAN with right check digits for any country and account, so that only the length
// can be wrong.
QString withCheckDigits(const QString &country, const QString &account)
{
    const int r = sepa::ibanModulo97(country + QStringLiteral("00") + account);
    return country + QStringLiteral("%1").arg(98 - r, 2, 10, QChar(u'0')) + account;
}

TEST(IbanCheck, TheCountrysRegisteredLengthCounts)
{
    const struct
    {
        const char *country;
        int length;
    } registry[] = {{"DE", 22}, {"AT", 20}, {"CH", 21}, {"FR", 27}, {"NL", 18}, {"NO", 15},
                    {"GB", 22}, {"MT", 31}, {"LC", 32}, {"TR", 26}, {"BR", 29}, {"VA", 22}};
    for (const auto &c : registry) {
        const QString country = QString::fromLatin1(c.country);
        EXPECT_EQ(sepa::registeredIbanLength(country), c.length) << c.country;
        for (int length : {c.length - 1, c.length, c.length + 1}) {
            const QString iban = withCheckDigits(country, QString(length - 4, u'1'));
            EXPECT_EQ(sepa::ibanModulo97(iban), 1);
            EXPECT_EQ(ibanPasses(iban), length == c.length) << iban.toStdString();
        }
    }
    // Countries without IBANs have no registered length.
    for (const char *country : {"US", "XX", "de", "D", ""}) {
        EXPECT_EQ(sepa::registeredIbanLength(QString::fromLatin1(country)), 0) << country;
        EXPECT_FALSE(ibanPasses(
            withCheckDigits(QString::fromLatin1(country), QStringLiteral("1234567890123456"))));
    }
}

TEST(IbanCheck, TheSepaAreaAndTheEea)
{
    // The EEA: every EU state with Iceland, Liechtenstein and Norway.
    for (const char *c : {"AT", "BE", "BG", "CY", "CZ", "DE", "DK", "EE", "ES", "FI",
                          "FR", "GR", "HR", "HU", "IE", "IS", "IT", "LI", "LT", "LU",
                          "LV", "MT", "NL", "NO", "PL", "PT", "RO", "SE", "SI", "SK"}) {
        EXPECT_TRUE(sepa::isSepaCountry(QString::fromLatin1(c))) << c;
        EXPECT_FALSE(sepa::isSepaCountryOutsideEea(QString::fromLatin1(c))) << c;
        EXPECT_GT(sepa::registeredIbanLength(QString::fromLatin1(c)), 0) << c;
    }
    for (const char *c : {"CH", "GB", "MC", "SM", "VA", "AD", "AL", "ME", "MK", "MD"}) {
        EXPECT_TRUE(sepa::isSepaCountry(QString::fromLatin1(c))) << c;
        EXPECT_TRUE(sepa::isSepaCountryOutsideEea(QString::fromLatin1(c))) << c;
        EXPECT_GT(sepa::registeredIbanLength(QString::fromLatin1(c)), 0) << c;
    }
    for (const char *c : {"TR", "BR", "SA", "RS", "UA", "US", "", "de"}) {
        EXPECT_FALSE(sepa::isSepaCountry(QString::fromLatin1(c))) << c;
        EXPECT_FALSE(sepa::isSepaCountryOutsideEea(QString::fromLatin1(c))) << c;
    }
}

TEST(CreditorIdentifier, FormAndCheckDigits)
{
    const struct
    {
        const char *stored;
        const char *written; // nullptr: refused
    } cases[] = {
        {"DE98ZZZ09999999999", "DE98ZZZ09999999999"},
        {"AT92ZZZ00000012345", "AT92ZZZ00000012345"},
        {"NL69ZZZ123456780000", "NL69ZZZ123456780000"},
        {"FR72ZZZ123456", "FR72ZZZ123456"},
        {"IT10ZZZ0123456789012345", "IT10ZZZ0123456789012345"},
        // The business code is not part of the check.
        {"DE98ABC09999999999", "DE98ABC09999999999"},
        {"DE98A+C09999999999", "DE98A+C09999999999"},
        // Blanks dropped, capitals taken.
        {" de98 zzz 0999 9999 999 ", "DE98ZZZ09999999999"},
        {"DE98zzz09999999999", "DE98ZZZ09999999999"},
        // Wrong check digits, or a national identifier changed.
        {"DE97ZZZ09999999999", nullptr},
        {"DE98ZZZ09999999998", nullptr},
        {"AT93ZZZ00000012345", nullptr},
        // German identifiers have eleven characters after the business code.
        {"DE98ZZZ0999999999", nullptr},
        {"DE98ZZZ099999999990", nullptr},
        // Too short, wrong places, characters outside the form.
        {"DE98ZZZ", nullptr},
        {"", nullptr},
        {"9898ZZZ09999999999", nullptr},
        {"DEAAZZZ09999999999", nullptr},
        {"DE98ZZZ0999999999Ä", nullptr},
        {"DE98ZZZ0999-999999", nullptr},
        {"DE98Z_Z09999999999", nullptr},
    };
    for (const auto &c : cases) {
        const std::optional<QString> id =
            sepa::checkedCreditorIdentifier(QString::fromUtf8(c.stored));
        if (c.written)
            EXPECT_EQ(id.value_or(QStringLiteral("refused")), QString::fromLatin1(c.written))
                << c.stored;
        else
            EXPECT_FALSE(id.has_value()) << c.stored;
    }
}

TEST(IbanCheck, RemainderInPieces)
{
    EXPECT_EQ(sepa::ibanLettersToDigits(u"DE"), QStringLiteral("1314"));
    EXPECT_EQ(sepa::ibanLettersToDigits(u"A1Z-b"), QStringLiteral("10135-b"));
    // Long strings need several pieces; the result matches plain arithmetic.
    EXPECT_EQ(sepa::ibanModulo97(u"LC55HEMM000100010012001200023015"), 1);
    EXPECT_EQ(sepa::ibanModulo97(u"DE00123456781234567890"), 11); // 98 - 87 = 11
    EXPECT_EQ(sepa::ibanModulo97(u"DE87 1234"), 0) << "a blank is not a digit";
    EXPECT_EQ(sepa::ibanModulo97(u""), 0);
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
    EXPECT_TRUE(sepa::validateName(u" "));
    EXPECT_TRUE(sepa::validateName(u"Müller & Söhne <GmbH>"));
    try {
        sepa::validateName(u"");
        ADD_FAILURE() << "an empty name passed";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Der Name muss angegeben werden."));
    }
}
