// The 2019 messages end to end: the program run from its command line on a prepared
// installation, for every payment type, with and without the IBAN-only option.
#include "e2e_support.h"
#include "schemacheck.h"
#include "testutil.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ordovan;
using test::Installation;

namespace {

struct Case
{
    const char *word;
    int paymentType;
    const char *version;
    const char *scheme;
};

const Case kCases[] = {
    {"gs", 3, "pain.001.001.09", nullptr},
    {"ls_core", 0, "pain.008.001.08", "CORE"},
    {"ls_cor1", 1, "pain.008.001.08", "CORE"}, // COR1 is CORE since 2017
    {"ls_b2b", 2, "pain.008.001.08", "B2B"},
};

class Sepa2019EndToEnd : public ::testing::TestWithParam<std::tuple<Case, bool>>
{
protected:
    void prepare(bool ibanOnly, int storedFormat)
    {
        inst.createTables();
        inst.configure(1, std::get<0>(GetParam()).paymentType);
        inst.settings().writeInteger(u"1", u"SEPAFormat", storedFormat);
        inst.settings().writeInteger(u"1", u"IBANonly", ibanOnly ? 1 : 0);
        inst.writeSource({
            Installation::record(QStringLiteral("Anna Müller"),
                                 QStringLiteral("DE02120300000000202051"),
                                 QStringLiteral("BYLADEM1001"), QStringLiteral("12,50"),
                                 QStringLiteral("Beitrag € 2026"), QStringLiteral("M-1")),
            Installation::record(QStringLiteral("Jörg Ærøskøbing"),
                                 QStringLiteral("DE48 1003 0000 0000 1234 56"), QString(),
                                 QStringLiteral("7,25"), QStringLiteral("Rechnung <17>"),
                                 QStringLiteral("M_2")),
            Installation::record(QStringLiteral("Bad IBAN"),
                                 QStringLiteral("DE03120300000000202051"),
                                 QStringLiteral("BYLADEM1001"), QStringLiteral("1,00"),
                                 QStringLiteral("x"), QStringLiteral("M-3")),
        });
    }

    Installation inst;
};

} // namespace

TEST_P(Sepa2019EndToEnd, StoredFormatWritesTheCurrentMessages)
{
    const auto &[c, ibanOnly] = GetParam();
    prepare(ibanOnly, 1);
    const Installation::Result r =
        inst.run({QStringLiteral("startstop"), QString::fromLatin1(c.word), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    const QString path = inst.bank() + QStringLiteral("sepa.xml");
    const QByteArray bytes = test::readFile(path);
    ASSERT_FALSE(bytes.isEmpty());
    const QString version = QString::fromLatin1(c.version);
    EXPECT_TRUE(bytes.contains(version.toLatin1()));
    EXPECT_SCHEMA_VALID(path, version);
    if (c.scheme) {
        EXPECT_TRUE(bytes.contains(QByteArray("<Cd>") + c.scheme + "</Cd>"));
    }

    // Without a BIC the second record is written only in the IBAN-only form; the third has
    // wrong check digits either way.
    EXPECT_EQ(bytes.count("<IBAN>"), ibanOnly ? 3 : 2);
    if (ibanOnly) {
        EXPECT_FALSE(bytes.contains("BIC"));
        // A credit transfer names the ordering party's bank only; the payees' banks are
        // left out.
        EXPECT_EQ(bytes.count("<Id>NOTPROVIDED</Id>"), c.scheme ? 3 : 1);
        EXPECT_EQ(bytes.contains("CdtrAgt"), c.scheme != nullptr);
        EXPECT_TRUE(bytes.contains("<IBAN>DE48100300000000123456</IBAN>"));
        EXPECT_TRUE(bytes.contains("<Nm>Joerg AEroskobing </Nm>"));
        if (c.scheme)
            EXPECT_TRUE(bytes.contains("<MndtId>M.2</MndtId>"));
        else
            EXPECT_TRUE(bytes.contains("<Ustrd>Rechnung .17.</Ustrd>"));
    } else {
        EXPECT_EQ(bytes.count("<BICFI>"), 2);
    }
    EXPECT_TRUE(bytes.contains("<Ustrd>Beitrag EUR 2026</Ustrd>"));

    const QStringList logs = inst.logFiles();
    ASSERT_EQ(logs.size(), 1);
    const QByteArray log = test::readFile(inst.logDir() + logs.first());
    EXPECT_TRUE(log.contains(" SEPA-Datei ERSTELLEN START " + version.toLatin1() + "\r\n"));
    EXPECT_EQ(log.contains(" SEPA-Datei HINWEIS: COR1 wird als CORE eingereicht\r\n"),
              c.paymentType == 1);
}

TEST_P(Sepa2019EndToEnd, TheCommandLineChoosesTheFormatForOneRun)
{
    const auto &[c, ibanOnly] = GetParam();
    prepare(ibanOnly, 0);
    Installation::Result r = inst.run({QStringLiteral("--format=2019"), QStringLiteral("startstop"),
                                       QString::fromLatin1(c.word), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    const QString path = inst.bank() + QStringLiteral("sepa.xml");
    EXPECT_TRUE(test::readFile(path).contains(c.version));
    EXPECT_SCHEMA_VALID(path, QString::fromLatin1(c.version));
    EXPECT_EQ(inst.settings().readInteger(u"1", u"SEPAFormat"), 0) << "stored choice unchanged";
}

INSTANTIATE_TEST_SUITE_P(AllPaymentTypes, Sepa2019EndToEnd,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Bool()));
