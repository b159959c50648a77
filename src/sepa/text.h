#pragma once

#include <QString>
#include <QStringView>

// The texts of a SEPA file as they are built from the stored ones: names, purposes and
// identifiers. Every function returns a new text and leaves its argument alone.

namespace ordovan::sepa {

// Control characters (U+0000..U+001F but tab, LF and CR; U+007F..U+009F) removed. XML cannot
// carry most of them and no bank wants any; they go before anything else is done to a text.
QString dropControlCharacters(QStringView text);
// The same; a text without them is returned as it is (shared, not copied).
QString dropControlCharacters(const QString &text);

// The name of a record: Name1, one blank, Name2, transliterated. The blank stays when Name2
// is empty.
QString buildName(QStringView name1, QStringView name2);

// The purpose of a record from its stored lines: cut at CR and LF outside quoted stretches,
// leading blanks and line breaks of each piece dropped, empty pieces dropped, the pieces
// joined, and every CR and LF that is left removed.
QString buildPurpose(QStringView stored);

// The character set German banks accept in the 2019 messages. Names and purposes keep
// a-z A-Z 0-9 / - ? : ( ) . , ' + blank and also Ä Ö Ü ä ö ü ß & *; identifiers keep only
// the first set and have umlauts and ß transliterated. Outside its set "€" becomes "EUR",
// a Latin letter with a diacritic its base letter, Æ Œ æ œ become AE OE ae oe, and anything
// else ".".
enum class CharacterSet
{
    NameOrPurpose,
    Identifier
};
QString mapToCharacterSet(QStringView text, CharacterSet set);
bool isInCharacterSet(QStringView text, CharacterSet set);

} // namespace ordovan::sepa
