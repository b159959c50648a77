#include "sepafile_fixture.h"

using namespace ordovan;
using test::Rec;
using test::SepaRunTest;

namespace {

class SepaRun2019Test : public SepaRunTest
{
protected:
    SepaRun2019Test() { s.main.SEPAFormat = sepa::Generation::V2019; }
};

} // namespace

TEST_F(SepaRun2019Test, EveryMessageIsWrittenAndValid)
{
    const struct
    {
        bool directDebit;
        const char *instrument;
        bool ibanOnly;
        const char *version;
    } cases[] = {
        {false, "", false, "pain.001.001.09"},    {false, "", true, "pain.001.001.09"},
        {true, "CORE", false, "pain.008.001.08"}, {true, "COR1", false, "pain.008.001.08"},
        {true, "B2B", false, "pain.008.001.08"},  {true, "CORE", true, "pain.008.001.08"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.version) + c.instrument + (c.ibanOnly ? " IBAN only" : ""));
        s.log.MLog.clear();
        ctx->data.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());
        add({});
        add({.bic = QString()});
        add({.name1 = QStringLiteral("Ærø €"), .bic = QStringLiteral("1EUTDEFO")});
        run(c.directDebit, QString::fromLatin1(c.instrument), c.ibanOnly);
        const QString version = QString::fromLatin1(c.version);
        EXPECT_EQ(log().first(), QStringLiteral(" SEPA-Datei ERSTELLEN START ") + version);
        // COR1 no longer exists: the banks take the same collections as CORE.
        if (c.directDebit) {
            EXPECT_TRUE(file().contains(c.instrument == std::string("B2B") ? "<Cd>B2B</Cd>"
                                                                           : "<Cd>CORE</Cd>"));
        }
        EXPECT_EQ(log().value(1) == u" SEPA-Datei HINWEIS: COR1 wird als CORE eingereicht",
                  c.instrument == std::string("COR1"));
        EXPECT_TRUE(s.run.sepaFileWritten);
        const QByteArray bytes = file();
        EXPECT_EQ(bytes.count("<Nm>AEro EUR </Nm>"), 1);
        if (c.ibanOnly) {
            // No BIC is checked or written: a direct debit names every bank NOTPROVIDED, a
            // credit transfer only the ordering party's and leaves the payees' banks out.
            EXPECT_EQ(s.run.RunRecordCount, QStringLiteral("3"));
            EXPECT_FALSE(bytes.contains("BIC"));
            EXPECT_EQ(bytes.count("<Id>NOTPROVIDED</Id>"), c.directDebit ? 4 : 1);
            EXPECT_EQ(bytes.contains("CdtrAgt"), c.directDebit);
        } else {
            EXPECT_EQ(s.run.RunRecordCount, QStringLiteral("2"));
            EXPECT_EQ(bytes.count("<BICFI>"), 3);
            EXPECT_TRUE(bytes.contains("<BICFI>1EUTDEFO</BICFI>"));
            EXPECT_FALSE(bytes.contains("<BIC>"));
        }
        EXPECT_SCHEMA_VALID(target(), version);
    }
}

TEST_F(SepaRun2019Test, TextsKeepToTheBankCharacterSet)
{
    add({.name1 = QStringLiteral("José Øster"),
         .name2 = QStringLiteral("& Söhne"),
         .purpose = QStringLiteral("Miete € 5 <Mai> für Wohnung_3 \rÄrger"),
         .mandate = QStringLiteral("MÄNDAT_1")});
    add({.mandate = QString(20, u'ä')});
    add({.mandate = QStringLiteral("ABC-123")});
    run(true, QStringLiteral("CORE"));
    EXPECT_EQ(log(),
              QStringList({
                  QStringLiteral(" SEPA-Datei ERSTELLEN START pain.008.001.08"),
                  QStringLiteral(" SEPA-Datei Datensatz ID 1 START"),
                  QStringLiteral(" SEPA-Datei Datensatz ID 1 HINWEIS: Mandatsreferenz angepasst"),
                  QStringLiteral(" SEPA-Datei Datensatz ID 1 ENDE"),
                  QStringLiteral(" SEPA-Datei Datensatz ID 2 START"),
                  QStringLiteral(" SEPA-Datei Datensatz ID 2 FEHLER: Ungültige Mandatsreferenz"),
                  QStringLiteral(" SEPA-Datei Datensatz ID 3 START"),
                  QStringLiteral(" SEPA-Datei Datensatz ID 3 ENDE"),
                  QStringLiteral(" SEPA-Datei ERSTELLEN ENDE"),
              }));
    const QByteArray bytes = file();
    EXPECT_TRUE(bytes.contains("<Nm>Jose Oster &amp; Soehne</Nm>"));
    EXPECT_TRUE(bytes.contains("<Ustrd>Miete EUR 5 .Mai. für Wohnung.3 Ärger</Ustrd>"));
    EXPECT_TRUE(bytes.contains("<MndtId>MAeNDAT.1</MndtId>"));
    EXPECT_TRUE(bytes.contains("<MndtId>ABC-123</MndtId>"));
    EXPECT_TRUE(bytes.contains("<Nm>Verein Ueber &amp; Co</Nm>"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.008.001.08"));
}

TEST_F(SepaRun2019Test, TheCommandLineChoiceOverridesTheStoredOne)
{
    add({});
    s.main.SEPAFormat = sepa::Generation::V2019;
    s.commandLine.SEPAFormatOverride = sepa::Generation::V2009;
    run();
    EXPECT_EQ(log().first(), QStringLiteral(" SEPA-Datei ERSTELLEN START"));
    EXPECT_TRUE(file().contains("pain.001.001.03"));
    s.main.SEPAFormat = sepa::Generation::V2009;
    s.commandLine.SEPAFormatOverride = sepa::Generation::V2019;
    run();
    EXPECT_TRUE(file().contains("pain.001.001.09"));
}

TEST_F(SepaRun2019Test, CreditTransfersFollowTheIbanOnlyOption)
{
    add({.bic = QString()});
    s.main.CBIBANonly = true;
    run(false, QString(), false); // as the batch run calls it for every credit transfer
    EXPECT_EQ(s.run.RunRecordCount, QStringLiteral("1"));
    EXPECT_EQ(file().count("<Id>NOTPROVIDED</Id>"), 1);
    EXPECT_FALSE(file().contains("CdtrAgt"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.001.001.09"));

    // The 2009 message keeps its BICs whatever the option says.
    s.main.SEPAFormat = sepa::Generation::V2009;
    run(false, QString(), false);
    EXPECT_FALSE(QFile::exists(target())) << "the record without BIC fails";
}
