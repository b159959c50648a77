#include "validation.h"

#include "base/error.h"
#include "countries.h"

#include <algorithm>

namespace ordovan::sepa {

namespace {

bool isUpper(QChar c)
{
    return c >= u'A' && c <= u'Z';
}
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isUpperOrDigit(QChar c)
{
    return isUpper(c) || isDigit(c);
}

// 2009: [A-Z]{6}[A-Z2-9][A-NP-Z0-9]([A-Z0-9]{3})?
bool matchesBic2009(QStringView b)
{
    for (int i = 0; i < 6; ++i) {
        if (!isUpper(b[i]))
            return false;
    }
    if (!(isUpper(b[6]) || (b[6] >= u'2' && b[6] <= u'9')))
        return false;
    if (!isUpperOrDigit(b[7]) || b[7] == u'O')
        return false;
    return true;
}

// 2019 BICFI: [A-Z0-9]{4}[A-Z]{2}[A-Z0-9]{2}([A-Z0-9]{3})?
bool matchesBic2019(QStringView b)
{
    for (int i = 0; i < 8; ++i) {
        if (i == 4 || i == 5 ? !isUpper(b[i]) : !isUpperOrDigit(b[i]))
            return false;
    }
    return true;
}

// [A-Z]{2}[0-9]{2}[A-Z0-9]{1,30}
bool matchesIbanForm(QStringView iban)
{
    if (iban.size() < 5 || iban.size() > 34)
        return false;
    if (!isUpper(iban[0]) || !isUpper(iban[1]) || !isDigit(iban[2]) || !isDigit(iban[3]))
        return false;
    for (qsizetype i = 4; i < iban.size(); ++i) {
        if (!isUpperOrDigit(iban[i]))
            return false;
    }
    return true;
}

} // namespace

QString asciiUpper(QStringView text)
{
    QString out = text.toString();
    for (QChar &c : out) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
    return out;
}

QString normalizedIban(QStringView iban)
{
    QString out(iban.size(), Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    qsizetype n = 0;
    for (QChar qc : iban) {
        const char16_t c = qc.unicode();
        if (c == u' ')
            continue;
        d[n++] = c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
    }
    out.truncate(n);
    return out;
}

QString normalizedBic(QStringView bic)
{
    return asciiUpper(bic);
}

bool validateName(QStringView name)
{
    if (name.isEmpty())
        throw Error(text::kNameMissing);
    return true;
}

bool validateBic(QStringView bic, Generation generation)
{
    const QString b = normalizedBic(bic);
    bool ok = b.size() == 8 || b.size() == 11;
    if (ok) {
        ok = generation == Generation::V2009 ? matchesBic2009(b) : matchesBic2019(b);
        for (qsizetype i = 8; ok && i < b.size(); ++i)
            ok = isUpperOrDigit(b[i]);
    }
    if (!ok)
        throw Error(text::kBicInvalid);
    return true;
}

bool validateIban(QStringView iban)
{
    const QString n = normalizedIban(iban);
    if (!matchesIbanForm(n) || n.size() != registeredIbanLength(QStringView(n).left(2)) ||
        ibanModulo97(n) != 1)
        throw Error(text::kIbanInvalid);
    return true;
}

QString ibanCountry(QStringView iban)
{
    return normalizedIban(iban).left(2);
}

std::optional<QString> checkedCreditorIdentifier(QStringView id)
{
    QString c;
    c.reserve(id.size());
    for (QChar ch : id) {
        if (ch.isSpace())
            continue;
        c.append(ch >= u'a' && ch <= u'z' ? QChar(ch.unicode() - 32) : ch);
    }
    // Country, check digits, business code, national identifier.
    if (c.size() < 8 || c.size() > kMaxCreditorIdLength)
        return std::nullopt;
    if (!isUpper(c[0]) || !isUpper(c[1]) || !isDigit(c[2]) || !isDigit(c[3]))
        return std::nullopt;
    for (qsizetype i = 4; i < 7; ++i) {
        if (!isUpperOrDigit(c[i]) && !QStringView(u"+?/-:().,'").contains(c[i]))
            return std::nullopt;
    }
    const QStringView national = QStringView(c).mid(7);
    if (c.startsWith(u"DE") && national.size() != 11)
        return std::nullopt;
    if (!std::all_of(national.begin(), national.end(), isUpperOrDigit))
        return std::nullopt;
    // ISO 7064 MOD 97-10 over the national identifier, the country code and the check
    // digits; the business code is not part of it.
    // ibanModulo97 moves the first four characters to the end, as this check needs.
    if (ibanModulo97(c.left(4) + national.toString()) != 1)
        return std::nullopt;
    return c;
}

QString ibanLettersToDigits(QStringView text)
{
    QString out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        if (isUpper(c))
            out.append(QString::number(c.unicode() - 55));
        else
            out.append(c);
    }
    return out;
}

int ibanModulo97(QStringView iban)
{
    // Country code and check digits go to the end, letters count as two digits (A = 10),
    // and the number is reduced modulo 97. Reducing digit by digit gives the same remainder
    // as reducing in pieces of nine digits, without building the digit string.
    const qsizetype n = iban.size();
    const qsizetype head = std::min<qsizetype>(4, n);
    int remainder = 0;
    for (qsizetype k = 0; k < n; ++k) {
        QChar c = iban[(k + head) % n];
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
        if (isDigit(c))
            remainder = (remainder * 10 + (c.unicode() - u'0')) % 97;
        else if (isUpper(c))
            remainder = (remainder * 100 + (c.unicode() - 55)) % 97;
        else
            return 0; // not a number once the letters are replaced
    }
    return remainder;
}

} // namespace ordovan::sepa
