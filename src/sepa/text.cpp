#include "text.h"

#include "base/german.h"

namespace ordovan::sepa {

namespace {

bool isControl(char16_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7F && c <= 0x9F);
}

bool inBasicSet(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
        return true;
    switch (c) {
    case u'/':
    case u'-':
    case u'?':
    case u':':
    case u'(':
    case u')':
    case u'.':
    case u',':
    case u'\'':
    case u'+':
    case u' ':
        return true;
    default:
        return false;
    }
}

bool inSet(char16_t c, CharacterSet set)
{
    if (inBasicSet(c))
        return true;
    if (set == CharacterSet::Identifier)
        return false;
    switch (c) {
    case u'Ä':
    case u'Ö':
    case u'Ü':
    case u'ä':
    case u'ö':
    case u'ü':
    case u'ß':
    case u'&':
    case u'*':
        return true;
    default:
        return false;
    }
}

// Letters whose mark is part of the letter itself (no canonical decomposition).
const char16_t *strokedLetter(char16_t c)
{
    switch (c) {
    case u'Æ':
        return u"AE";
    case u'æ':
        return u"ae";
    case u'Œ':
        return u"OE";
    case u'œ':
        return u"oe";
    case u'Ø':
        return u"O";
    case u'ø':
        return u"o";
    case u'Đ':
    case u'Ð':
        return u"D";
    case u'đ':
    case u'ð':
        return u"d";
    case u'Ł':
        return u"L";
    case u'ł':
        return u"l";
    case u'Ħ':
        return u"H";
    case u'ħ':
        return u"h";
    case u'Ŧ':
        return u"T";
    case u'ŧ':
        return u"t";
    case u'ı':
        return u"i";
    case u'ƒ':
        return u"f";
    default:
        return nullptr;
    }
}

// The ASCII base letter of a letter with diacritics, or 0.
char16_t baseLetter(QChar c)
{
    if (c.decompositionTag() != QChar::Canonical)
        return 0;
    const QString d = QString(c).normalized(QString::NormalizationForm_D);
    const char16_t b = d.isEmpty() ? 0 : d.at(0).unicode();
    return (b >= u'a' && b <= u'z') || (b >= u'A' && b <= u'Z') ? b : 0;
}

} // namespace

QString dropControlCharacters(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && !isControl(text[i].unicode()))
        ++i;
    if (i == text.size())
        return text.toString();
    QString out = text.left(i).toString();
    for (; i < text.size(); ++i) {
        if (!isControl(text[i].unicode()))
            out.append(text[i]);
    }
    return out;
}

QString dropControlCharacters(const QString &text)
{
    for (QChar c : text) {
        if (isControl(c.unicode()))
            return dropControlCharacters(QStringView(text));
    }
    return text;
}

QString buildName(QStringView name1, QStringView name2)
{
    QString joined;
    joined.reserve(name1.size() + name2.size() + 1);
    joined.append(name1).append(u' ').append(name2);
    return german::transliterateUmlauts(joined);
}

QString buildPurpose(QStringView stored)
{
    QString out(stored.size(), Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    qsizetype n = 0;
    char16_t quote = 0;
    bool pieceStart = true;
    for (QChar qc : stored) {
        const char16_t c = qc.unicode();
        if (quote == 0 && (c == u'\r' || c == u'\n')) {
            // A break outside quotes ends the piece; the next one starts fresh.
            pieceStart = true;
            continue;
        }
        if (pieceStart && (c == u' ' || c == u'\r' || c == u'\n'))
            continue;
        pieceStart = false;
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        }
        // Breaks inside a quoted stretch are removed from the joined text.
        if (c != u'\r' && c != u'\n')
            d[n++] = c;
    }
    out.truncate(n);
    return out;
}

QString mapToCharacterSet(QStringView text, CharacterSet set)
{
    QString out;
    out.reserve(text.size());
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (inSet(c, set)) {
            out.append(qc);
        } else if (const char16_t *u = german::umlautReplacement(c)) {
            out.append(QStringView(u)); // only identifiers get here with an umlaut
        } else if (c == u'€') {
            out.append(u"EUR");
        } else if (const char16_t *s = strokedLetter(c)) {
            out.append(QStringView(s));
        } else if (const char16_t b = baseLetter(qc)) {
            out.append(QChar(b));
        } else {
            out.append(u'.');
        }
    }
    return out;
}

bool isInCharacterSet(QStringView text, CharacterSet set)
{
    for (QChar c : text) {
        if (!inSet(c.unicode(), set))
            return false;
    }
    return true;
}

} // namespace ordovan::sepa
