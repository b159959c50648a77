#pragma once

#include "generation.h"

#include <QString>
#include <QStringView>

#include <optional>

// The checks every SEPA file is guarded by: an account holder's name, a BIC and an IBAN.
// Each passes (returns true) or throws ordovan::Error with its German text; the file creation
// catches the error and reports the failure in its own words.
//
// A BIC or IBAN that passes is written in its normalised form (capitals, an IBAN without the
// blanks of its printed groups), so a file never carries a value the schema refuses.

namespace ordovan::sepa {

namespace text {
inline const QString kNameMissing = QStringLiteral("Der Name muss angegeben werden.");
inline const QString kBicInvalid = QStringLiteral("Die BIC muss aus 8 oder 11 Ziffern bestehen.");
inline const QString kIbanInvalid =
    QStringLiteral("Es muss eine korrekte IBAN angegeben werden. Die IBAN darf höchstens 34 "
                   "Zeichen beinhalten.");
} // namespace text

// At least one character; blanks count.
bool validateName(QStringView name);
// In capitals, the BIC form of the schema being written: 8 or 11 characters with the bank,
// country and location parts in their places.
bool validateBic(QStringView bic, Generation generation);
// Without blanks and in capitals, country code, two check digits and 1 to 30 letters or
// digits, as long as the registry says for the country, whose ISO 7064 MOD 97-10 remainder
// is 1.
bool validateIban(QStringView iban);

// The two-letter country code of an IBAN (in capitals, blanks dropped).
QString ibanCountry(QStringView iban);

inline constexpr int kMaxCreditorIdLength = 35;
// A creditor identifier with blanks dropped and in capitals, when it has the form country
// code, two check digits, a three-character business code and the national identifier
// (for DE eleven characters), and its check digits are right; nothing otherwise.
std::optional<QString> checkedCreditorIdentifier(QStringView id);

// Every capital A..Z replaced by its two-digit number (A = 10 ... Z = 35).
QString ibanLettersToDigits(QStringView text);
// The remainder modulo 97 of the rearranged IBAN (country and check digits moved to the end,
// letters as numbers), reduced in pieces of at most nine digits; 0 when anything but a digit
// is left after the letters are replaced.
int ibanModulo97(QStringView iban);

// ASCII letters in capitals; every other character as it is.
QString asciiUpper(QStringView text);
// The IBAN as written to a file: blanks removed, in capitals.
QString normalizedIban(QStringView iban);
// The BIC as written to a file: in capitals.
QString normalizedBic(QStringView bic);

} // namespace ordovan::sepa
