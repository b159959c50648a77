#include "sepa/text.h"

#include "base/german.h"

#include <gtest/gtest.h>

using namespace ordovan;
using sepa::CharacterSet;

TEST(SepaText, PurposeLinesBecomeOneLine)
{
    const struct
    {
        const char16_t *stored;
        const char16_t *expected;
    } cases[] = {
        // The import joins lines with a blank and CR.
        {u"Miete Mai \rWohnung 3", u"Miete Mai Wohnung 3"},
        {u"Zeile 1 \rZeile 2 \rZeile 3 \rZeile 4", u"Zeile 1 Zeile 2 Zeile 3 Zeile 4"},
        // A missing first line or empty constants leave breaks and blanks at piece starts.
        {u" \rZeile 2 \r \rZeile 4", u"Zeile 2 Zeile 4"},
        {u"Zeile 1 \r", u"Zeile 1 "},
        {u"a\r\n\r\n   b\nc", u"abc"},
        // Breaks inside quotes do not cut; they are removed, blanks after them stay.
        {u"Rechnung \"4711\r  A\" \rDanke", u"Rechnung \"4711  A\" Danke"},
        {u"O'Brien \r  Haus 5", u"O'Brien   Haus 5"},
        {u"\"x\" \r  'y' \r z", u"\"x\" 'y' z"},
        {u"", u""},
        {u" \r \r ", u""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(sepa::buildPurpose(QStringView(c.stored)), QStringView(c.expected))
            << QString::fromUtf16(c.stored).toStdString();
}

TEST(SepaText, NamesAreTransliterated)
{
    EXPECT_EQ(sepa::buildName(u"Müller", u""), QStringLiteral("Mueller "));
    EXPECT_EQ(sepa::buildName(u"Öztürk", u"Äßé"), QStringLiteral("Oeztuerk Aessé"));
    EXPECT_EQ(german::transliterateUmlauts(u"ÄÖÜäöüß€"), QStringLiteral("AeOeUeaeoeuess€"));
}

TEST(SepaText, ControlCharactersGoFirst)
{
    EXPECT_EQ(sepa::dropControlCharacters(u"A\u0001B\u001FC\u007FD\u0080E\u009FF"),
              QStringLiteral("ABCDEF"));
    EXPECT_EQ(sepa::dropControlCharacters(u"a\tb\nc\rd"), QStringLiteral("a\tb\nc\rd"));
    const QString plain = QStringLiteral("nichts zu tun");
    EXPECT_EQ(sepa::dropControlCharacters(plain), plain);
}

TEST(SepaText, BankCharacterSetOfThe2019Messages)
{
    const auto names = [](const char16_t *t) {
        return sepa::mapToCharacterSet(QStringView(t), CharacterSet::NameOrPurpose);
    };
    const auto ids = [](const char16_t *t) {
        return sepa::mapToCharacterSet(QStringView(t), CharacterSet::Identifier);
    };
    const QString basic = QStringLiteral("azAZ09/-?:().,'+ ");
    EXPECT_EQ(names(u"azAZ09/-?:().,'+ "), basic);
    EXPECT_EQ(ids(u"azAZ09/-?:().,'+ "), basic);

    EXPECT_EQ(names(u"Müßig & Söhne *"), QStringLiteral("Müßig & Söhne *"));
    EXPECT_EQ(ids(u"Müßig & Söhne *"), QStringLiteral("Muessig . Soehne ."));
    EXPECT_EQ(names(u"100 € für José"), QStringLiteral("100 EUR für Jose"));
    EXPECT_EQ(names(u"Øre Æble Œuvre æ œ ø"), QStringLiteral("Ore AEble OEuvre ae oe o"));
    EXPECT_EQ(names(u"ŠŽšžŸÀÇÑÅ"), QStringLiteral("SZszYACNA"));
    EXPECT_EQ(names(u"Þ@<>\"_#%;=!§\t"), QStringLiteral("............."));

    EXPECT_TRUE(sepa::isInCharacterSet(u"DE98ZZZ09999999999", CharacterSet::Identifier));
    EXPECT_FALSE(sepa::isInCharacterSet(u"DE98ZZZ_1", CharacterSet::Identifier));
    EXPECT_FALSE(sepa::isInCharacterSet(u"Ä", CharacterSet::Identifier));
    EXPECT_TRUE(sepa::isInCharacterSet(u"Ä&*", CharacterSet::NameOrPurpose));
}
