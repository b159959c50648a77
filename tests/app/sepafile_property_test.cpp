// Files built from many generated records: whatever the records hold, every file written is
// schema-valid, and exactly the records that are invalid by construction are missing from it
// and from the table.
#include "sepafile_fixture.h"

#include <QXmlStreamReader>

#include <random>

using namespace ordovan;
using test::Rec;
using test::SepaRunTest;

namespace {

class Generator
{
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int number(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(int percent) { return number(1, 100) <= percent; }
    template<typename T>
    const T &pick(const QList<T> &list)
    {
        return list[number(0, int(list.size()) - 1)];
    }
    QString text(const QString &alphabet, int minLength, int maxLength)
    {
        QString out;
        const int n = number(minLength, maxLength);
        for (int i = 0; i < n; ++i)
            out += alphabet[number(0, int(alphabet.size()) - 1)];
        return out;
    }

private:
    std::mt19937 m_rng;
};

const QString kTextAlphabet = QStringLiteral("abcXYZ 0189 äöüÄÖÜß &<>\"' €éøÆœ/-?:().,+*_#@\t");
const QString kPurposeAlphabet = kTextAlphabet + QStringLiteral("\r\n\r\n\"'");
const QString kBasic = QStringLiteral("abcdefXYZ0123456789/-?:().,'+ ");

// An IBAN with right check digits for the country, computed here digit by digit.
QString ibanFor(const QString &country, const QString &bban)
{
    int r = 0;
    for (QChar c : bban + country + QStringLiteral("00")) {
        const int v = c.isDigit() ? c.digitValue() : c.unicode() - u'A' + 10;
        r = (v >= 10 ? r * 100 + v : r * 10 + v) % 97;
    }
    return country + QStringLiteral("%1").arg(98 - r, 2, 10, QChar(u'0')) + bban;
}

struct Country
{
    const char *code;
    const char *bankPart; // letters the account number starts with
    int digits;           // digits after it
    bool outsideEea;
};

// German accounts mostly; others of the EEA, SEPA countries outside it (BIC and address
// needed) and countries outside SEPA (refused).
const Country kGermany = {"DE", "", 18, false};
const QList<Country> kOtherCountries = {
    {"AT", "", 16, false},    {"FR", "", 23, false}, {"NL", "ABNA", 10, false},
    {"GB", "WEST", 14, true}, {"CH", "", 17, true},  {"MC", "", 23, true},
    {"TR", "", 22, false},    {"BR", "", 23, false}, {"SA", "", 20, false},
};

bool outsideSepa(const QString &iban)
{
    return iban.startsWith(u"TR") || iban.startsWith(u"BR") || iban.startsWith(u"SA");
}

QString groupedOrLower(Generator &g, QString iban)
{
    if (g.chance(20))
        iban = iban.toLower();
    if (g.chance(20)) {
        for (qsizetype i = 20; i > 0; i -= 4)
            if (i < iban.size())
                iban.insert(i, u' ');
    }
    return iban;
}

struct Expected
{
    bool valid = true;
    QString iban;
    qint64 cents = 0;
    bool address = false;    // written with the debtor's address
    bool outsideEea = false; // its bank is always named by BIC
    int block = 0;           // FRST, RCUR, OOFF, FNAL: the order of the blocks in the file
};

struct Options
{
    bool directDebit = false;
    bool ibanOnly = false; // as the run applies it
    bool v2019 = false;
};

Rec makeRecord(Generator &g, const Options &o, Expected &e)
{
    Rec r;
    if (g.chance(8)) {
        r.name1 = g.pick(QStringList{QString(), QStringLiteral("\x01\x02")});
        e.valid = false;
    } else {
        r.name1 = g.chance(5) ? QStringLiteral(" ") : g.text(kTextAlphabet, 1, 50);
    }
    r.name2 = g.chance(5) ? QStringLiteral("  ") : g.text(kTextAlphabet, 0, 50);
    if (r.name1.trimmed().isEmpty() && r.name2.trimmed().isEmpty())
        e.valid = false; // a name of blanks names nobody

    const Country c = g.chance(70) ? kGermany : g.pick(kOtherCountries);
    const QString iban = ibanFor(QString::fromLatin1(c.code),
                                 QString::fromLatin1(c.bankPart) +
                                     g.text(QStringLiteral("0123456789"), c.digits, c.digits));
    e.iban = iban;
    bool ibanValid = true;
    if (g.chance(10)) {
        QString bad = iban;
        const int at = g.number(int(bad.size()) - 10, int(bad.size()) - 1); // digits only
        bad[at] = QChar(u'0' + (bad[at].digitValue() + g.number(1, 9)) % 10);
        // Right check digits, but one digit short of the registered length.
        const QString shortOne = ibanFor(iban.left(2), iban.mid(5));
        r.iban = g.pick(QStringList{bad, iban.left(4), iban.left(21) + QStringLiteral("é"),
                                    iban.left(4) + u'-' + iban.mid(4), QString(), shortOne});
        e.valid = false;
        ibanValid = false;
    } else {
        r.iban = groupedOrLower(g, iban);
        if (outsideSepa(iban))
            e.valid = false;
    }
    const bool outsideEea = ibanValid && c.outsideEea;
    e.outsideEea = outsideEea;

    const bool bicChecked = !o.ibanOnly || outsideEea;
    if (g.chance(10)) {
        r.bic =
            g.pick(QStringList{QString(), QStringLiteral("DEUTDEF"), QStringLiteral("DEUTDEFF5"),
                               QStringLiteral("DEUTDEFF50"), QStringLiteral("DEUTDEFF5X!"),
                               QStringLiteral("DEUT-EFF"), QStringLiteral("12345678")});
        e.valid = e.valid && !bicChecked;
    } else {
        r.bic = g.pick(QStringList{QStringLiteral("DEUTDEFF"), QStringLiteral("COBADEFFXXX"),
                                   QStringLiteral("GENODEF1M04"), QStringLiteral("deutdeff500")});
    }

    if (g.chance(10)) {
        r.amount =
            g.pick(QList<std::optional<double>>{0.0, -12.5, 0.004, std::nullopt, 1000000000.0});
        e.valid = false;
    } else if (g.chance(5)) {
        r.amount = g.chance(50) ? 0.005 : 999999999.99;
        e.cents = r.amount == 0.005 ? 1 : 99999999999;
    } else {
        e.cents = g.number(1, 1'000'000'000);
        r.amount = double(e.cents) / 100.0;
    }

    r.purpose = g.chance(10) ? QString() : g.text(kPurposeAlphabet, 0, 500);
    if (o.directDebit && g.chance(10)) {
        r.mandate =
            g.pick(QStringList{QString(), QString(g.number(36, 50), u'X'), QStringLiteral("/M-1"),
                               QStringLiteral("M-1/"), QStringLiteral("M//1")});
        e.valid = false;
    } else {
        // Umlauts grow by one in the banks' set; at most two keep it within 35.
        r.mandate = u'M' + g.text(QString(kBasic).remove(u'/') + u'&', 0, 29) +
                    g.text(QStringLiteral("äÖ"), 0, 2) + u'1';
    }

    if (o.directDebit) {
        // The fixture's due date is 12.12.2022; a mandate signed after it is refused.
        if (g.chance(30))
            r.mandateDate = QDate(2022, 12, 12).addDays(g.number(-2000, 0));
        else if (g.chance(5)) {
            r.mandateDate = QDate(2022, 12, 13);
            e.valid = false;
        }
        const QStringList types = {QString(),
                                   QStringLiteral("FRST"),
                                   QStringLiteral("RCUR"),
                                   QStringLiteral("OOFF"),
                                   QStringLiteral("FNAL"),
                                   QStringLiteral("rcur"),
                                   QStringLiteral("XY")};
        r.sequenceType = g.chance(40) ? g.pick(types) : QString();
        if (r.sequenceType == u"XY")
            e.valid = false;
        else if (!r.sequenceType.isEmpty())
            e.block = int(QStringList{QStringLiteral("FRST"), QStringLiteral("RCUR"),
                                      QStringLiteral("OOFF"), QStringLiteral("FNAL")}
                              .indexOf(r.sequenceType.toUpper()));
    }
    r.street = g.chance(50) ? g.text(kTextAlphabet, 0, 80) : QString();
    r.townCountry = g.chance(80) ? g.text(kTextAlphabet, 1, 50) : QString();
    if (o.directDebit && outsideEea) {
        if (r.townCountry.trimmed().isEmpty())
            e.valid = false;
        e.address = true;
    }
    return r;
}

struct Transaction
{
    QString iban, amount, name, purpose, mandate, street, town;
    bool address = false;
};

struct ParsedFile
{
    QString count, total;
    QList<Transaction> transactions;
};

ParsedFile parse(const QByteArray &bytes)
{
    ParsedFile f;
    QXmlStreamReader xml(bytes);
    Transaction *current = nullptr;
    QStringList path;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            path << name;
            if (name == u"PmtInf") {
                current = nullptr; // the ordering party's values follow
            } else if (name == u"CdtTrfTxInf" || name == u"DrctDbtTxInf") {
                f.transactions.append(Transaction());
                current = &f.transactions.last();
            } else if (current && name == u"PstlAdr") {
                current->address = true;
            }
        } else if (xml.isEndElement()) {
            path.removeLast();
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            const QString &leaf = path.last();
            const QString text = xml.text().toString();
            if (path.size() == 4 && path[2] == u"GrpHdr" && leaf == u"NbOfTxs")
                f.count = text;
            else if (path.size() == 4 && path[2] == u"GrpHdr" && leaf == u"CtrlSum")
                f.total = text;
            else if (current && leaf == u"IBAN")
                current->iban = text;
            else if (current && leaf == u"InstdAmt")
                current->amount = text;
            else if (current && leaf == u"Nm")
                current->name = text;
            else if (current && (leaf == u"TwnNm" || leaf == u"AdrLine"))
                current->town += text + u'|';
            else if (current && leaf == u"Ustrd")
                current->purpose = text;
            else if (current && leaf == u"MndtId")
                current->mandate = text;
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return f;
}

QString centsText(qint64 cents)
{
    return QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QChar(u'0'));
}

bool inSet(const QString &text, const QString &extra)
{
    for (QChar c : text)
        if (!kBasic.contains(c) &&
            !QStringLiteral("ghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVW").contains(c) &&
            !extra.contains(c))
            return false;
    return true;
}

enum class Type
{
    Core,
    Cor1,
    B2b,
    Transfer
};

class SepaPropertyTest : public SepaRunTest,
                         public ::testing::WithParamInterface<std::tuple<int, Type, bool, unsigned>>
{};

} // namespace

TEST_P(SepaPropertyTest, ExactlyTheInvalidRecordsAreMissing)
{
    const auto [format, type, ibanOnly, seed] = GetParam();
    s.main.SEPAFormat = sepa::generationFromSetting(format);
    Options o;
    o.directDebit = type != Type::Transfer;
    o.v2019 = format == 1;
    // A 2009 credit transfer names every bank by BIC.
    o.ibanOnly = ibanOnly && (o.directDebit || o.v2019);
    Generator g(seed);
    QList<qint32> validIds;
    QList<Expected> validRecords;
    for (int i = 0; i < 80; ++i) {
        Expected e;
        const Rec r = makeRecord(g, o, e);
        const qint32 id = add(r);
        if (e.valid) {
            validIds << id;
            validRecords << e;
        }
    }
    ASSERT_FALSE(validIds.isEmpty());
    ASSERT_LT(validIds.size(), 80);

    const QString instrument = type == Type::Core   ? QStringLiteral("CORE")
                               : type == Type::Cor1 ? QStringLiteral("COR1")
                               : type == Type::B2b  ? QStringLiteral("B2B")
                                                    : QString();
    s.main.CBIBANonly = ibanOnly;
    run(o.directDebit, instrument, o.directDebit && ibanOnly);

    EXPECT_EQ(remainingIds(), validIds);
    EXPECT_EQ(log().filter(QStringLiteral(" ENDE")).size(), validIds.size() + 1);
    ASSERT_TRUE(s.run.sepaFileWritten);
    const QByteArray bytes = file();
    EXPECT_SCHEMA_VALID(target(), QString());
    const QString version = o.v2019 ? (o.directDebit ? QStringLiteral("pain.008.001.08")
                                                     : QStringLiteral("pain.001.001.09"))
                                    : (o.directDebit ? QStringLiteral("pain.008.001.02")
                                                     : QStringLiteral("pain.001.001.03"));
    EXPECT_EQ(test::declaredMessageVersion(target()), version);
    if (o.directDebit) {
        const bool asCore = type == Type::Core || (type == Type::Cor1 && o.v2019);
        EXPECT_TRUE(bytes.contains(asCore               ? "<Cd>CORE</Cd>"
                                   : type == Type::Cor1 ? "<Cd>COR1</Cd>"
                                                        : "<Cd>B2B</Cd>"));
    }

    // A direct debit writes its collections block by block.
    std::stable_sort(validRecords.begin(), validRecords.end(),
                     [](const Expected &a, const Expected &b) { return a.block < b.block; });
    const ParsedFile f = parse(bytes);
    ASSERT_EQ(f.transactions.size(), validRecords.size());
    qint64 total = 0;
    int namedBanks = 0;
    for (qsizetype i = 0; i < f.transactions.size(); ++i) {
        const Transaction &t = f.transactions[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(t.iban, validRecords[i].iban);
        EXPECT_EQ(t.amount, centsText(validRecords[i].cents));
        total += validRecords[i].cents;
        EXPECT_EQ(t.address, validRecords[i].address);
        namedBanks += !o.ibanOnly || validRecords[i].outsideEea;
        EXPECT_LE(t.name.size(), 70);
        EXPECT_LE(t.purpose.size(), 140);
        // Both generations keep to the banks' character set.
        EXPECT_TRUE(inSet(t.name, QStringLiteral("ÄÖÜäöüß&*"))) << t.name.toStdString();
        EXPECT_TRUE(inSet(t.purpose, QStringLiteral("ÄÖÜäöüß&*"))) << t.purpose.toStdString();
        EXPECT_TRUE(inSet(t.mandate, QString())) << t.mandate.toStdString();
        EXPECT_FALSE(t.mandate.startsWith(u'/') || t.mandate.endsWith(u'/') ||
                     t.mandate.contains(u"//"));
    }
    EXPECT_EQ(f.count, QString::number(validRecords.size()));
    EXPECT_EQ(f.total, centsText(total));
    // Every bank named by BIC, but the ordering party's with IBAN only.
    // The ordering party's bank is named once per payment information block.
    const qsizetype blocks = bytes.count("<PmtInf>");
    EXPECT_EQ(bytes.count("<BIC"), namedBanks + (o.ibanOnly ? 0 : blocks));
    if (o.ibanOnly) {
        EXPECT_EQ(bytes.count("<Id>NOTPROVIDED</Id>"),
                  blocks + (o.directDebit ? validRecords.size() - namedBanks : 0));
    }
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, SepaPropertyTest,
                         ::testing::Combine(::testing::Values(0, 1),
                                            ::testing::Values(Type::Core, Type::Cor1, Type::B2b,
                                                              Type::Transfer),
                                            ::testing::Bool(), ::testing::Values(7u, 2024u)));
