// What the banks refuse never reaches a file: each check that their validation subsets or
// scheme rules demand, with its exact log line or message, and the debtor address of
// collections from SEPA countries outside the EEA.
#include "sepafile_fixture.h"

#include "platform/settingsstore.h"

using namespace ordovan;
using test::Rec;
using test::SepaRunTest;

namespace {

const QString kSwissIban = QStringLiteral("CH9300762011623852957");
const QString kTurkishIban = QStringLiteral("TR330006100519786457841326");

QString line(qint32 id, const char *text)
{
    return QStringLiteral(" SEPA-Datei Datensatz ID %1 ").arg(id) + QString::fromUtf8(text);
}

} // namespace

TEST_F(SepaRunTest, EveryRecordTheBanksWouldRefuseIsLoggedAndLeftOut)
{
    const qint32 blankName = add({.name1 = QStringLiteral("   "), .name2 = QStringLiteral(" ")});
    const qint32 blankFirst = add({.name1 = QStringLiteral(" "), .name2 = QStringLiteral("Meier")});
    // Right check digits, one digit short of the 22 a German IBAN has.
    const qint32 shortIban = add({.iban = QStringLiteral("DE9212345678123456789")});
    const qint32 turkish = add({.iban = kTurkishIban});
    const qint32 tooMuch = add({.amount = 1000000000.0});
    const qint32 most = add({.amount = 999999999.99});
    const qint32 slashFirst = add({.mandate = QStringLiteral("/M-1")});
    const qint32 slashLast = add({.mandate = QStringLiteral("M-1/")});
    const qint32 slashes = add({.mandate = QStringLiteral("M//1")});
    const qint32 inner = add({.mandate = QStringLiteral("M/1")});
    s.main.SEPAFormat = sepa::Generation::V2009;
    run(true, QStringLiteral("CORE"));
    const QStringList failures = log().filter(QStringLiteral("FEHLER"));
    EXPECT_EQ(failures, QStringList({
                            line(blankName, "FEHLER: Kein Kontoinhaber angegeben"),
                            line(shortIban, "FEHLER: Ungültige IBAN"),
                            line(turkish, "FEHLER: IBAN außerhalb des SEPA-Raums"),
                            line(tooMuch, "FEHLER: Ungültiger Betrag"),
                            line(slashFirst, "FEHLER: Ungültige Mandatsreferenz"),
                            line(slashLast, "FEHLER: Ungültige Mandatsreferenz"),
                            line(slashes, "FEHLER: Ungültige Mandatsreferenz"),
                        }));
    EXPECT_EQ(remainingIds(), QList<qint32>({blankFirst, most, inner}));
    EXPECT_TRUE(file().contains("<InstdAmt Ccy=\"EUR\">999999999.99</InstdAmt>"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.008.001.02"));
}

TEST_F(SepaRunTest, The2009GenerationKeepsToTheBanksCharacterSetToo)
{
    add({.name1 = QStringLiteral("José Øster"),
         .name2 = QStringLiteral("& Söhne"),
         .purpose = QStringLiteral("Miete € 5 <Mai> für Wohnung_3"),
         .mandate = QStringLiteral("MÄNDAT_1")});
    s.main.SEPAFormat = sepa::Generation::V2009;
    s.main.LKontoinhaber = QStringLiteral("Verein Øst € <Süd>");
    run(true, QStringLiteral("COR1"));
    EXPECT_EQ(log().mid(1, 3),
              QStringList({line(1, "START"), line(1, "HINWEIS: Mandatsreferenz angepasst"),
                           line(1, "ENDE")}));
    const QByteArray bytes = file();
    EXPECT_TRUE(bytes.contains("<Nm>Jose Oster &amp; Soehne</Nm>"));
    EXPECT_TRUE(bytes.contains("<Ustrd>Miete EUR 5 .Mai. für Wohnung.3</Ustrd>"));
    EXPECT_TRUE(bytes.contains("<MndtId>MAeNDAT.1</MndtId>"));
    EXPECT_TRUE(bytes.contains("<Nm>Verein Ost EUR .Sued.</Nm>"));
    // The 2009 generation keeps COR1.
    EXPECT_TRUE(bytes.contains("<Cd>COR1</Cd>"));
    EXPECT_FALSE(
        log().contains(QStringLiteral(" SEPA-Datei HINWEIS: COR1 wird als CORE eingereicht")));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.008.001.02"));
}

TEST_F(SepaRunTest, Cor1IsSubmittedAsCoreIn2019)
{
    add({});
    s.main.SEPAFormat = sepa::Generation::V2019;
    run(true, QStringLiteral("COR1"));
    EXPECT_EQ(log().mid(0, 2),
              QStringList({QStringLiteral(" SEPA-Datei ERSTELLEN START pain.008.001.08"),
                           QStringLiteral(" SEPA-Datei HINWEIS: COR1 wird als CORE eingereicht")}));
    EXPECT_TRUE(file().contains("<Cd>CORE</Cd>"));
    EXPECT_FALSE(file().contains("COR1"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.008.001.08"));
}

TEST_F(SepaRunTest, CountriesOutsideTheEeaNeedBicAndAddress)
{
    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        s.main.SEPAFormat = sepa::generationFromSetting(format);
        s.log.MLog.clear();
        ctx->data.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());
        const qint32 noBic =
            add({.iban = kSwissIban, .bic = QString(), .townCountry = QStringLiteral("Zürich")});
        const qint32 badBic = add({.iban = kSwissIban,
                                   .bic = QStringLiteral("UBS"),
                                   .townCountry = QStringLiteral("Zürich")});
        const qint32 noTown = add({.iban = kSwissIban,
                                   .bic = QStringLiteral("UBSWCHZH80A"),
                                   .street = QStringLiteral("Bahnhofstr. 1")});
        const qint32 swiss = add({.name1 = QStringLiteral("Grüezi AG"),
                                  .iban = kSwissIban,
                                  .bic = QStringLiteral("UBSWCHZH80A"),
                                  .street = QStringLiteral("Bahnhofstraße 1"),
                                  .townCountry = QStringLiteral("8001 Zürich")});
        const qint32 german = add({.bic = QString()});
        run(true, QStringLiteral("CORE"), true);
        EXPECT_EQ(
            log().filter(QStringLiteral("FEHLER")),
            QStringList({line(noBic, "FEHLER: BIC erforderlich (Land außerhalb des EWR)"),
                         line(badBic, "FEHLER: Ungültiger BIC"),
                         line(noTown, "FEHLER: Anschrift erforderlich (Land außerhalb des EWR)")}));
        EXPECT_EQ(remainingIds(), QList<qint32>({swiss, german}));
        const QByteArray bytes = file();
        // The Swiss bank is named by BIC even with IBAN only; the German one is not.
        EXPECT_EQ(
            bytes.count(format == 0 ? "<BIC>UBSWCHZH80A</BIC>" : "<BICFI>UBSWCHZH80A</BICFI>"), 1);
        EXPECT_EQ(bytes.count("<Id>NOTPROVIDED</Id>"), 2);
        if (format == 0)
            EXPECT_TRUE(bytes.contains("<PstlAdr>\r\n            <Ctry>CH</Ctry>\r\n"
                                       "            <AdrLine>Bahnhofstrasse 1</AdrLine>\r\n"
                                       "            <AdrLine>8001 Zuerich</AdrLine>\r\n"));
        else
            EXPECT_TRUE(bytes.contains("<PstlAdr>\r\n            <TwnNm>8001 Zuerich</TwnNm>\r\n"
                                       "            <Ctry>CH</Ctry>\r\n"
                                       "            <AdrLine>Bahnhofstrasse 1</AdrLine>\r\n"));
        EXPECT_EQ(bytes.count("<PstlAdr>"), 1);
        EXPECT_SCHEMA_VALID(target(), QString());
    }

    // A credit transfer needs no payee address, but still the bank's BIC.
    s.log.MLog.clear();
    ctx->data.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());
    s.main.CBIBANonly = true;
    const qint32 noBic = add({.iban = kSwissIban, .bic = QString()});
    add({.iban = kSwissIban, .bic = QStringLiteral("UBSWCHZH80A")});
    run();
    EXPECT_EQ(log().filter(QStringLiteral("FEHLER")),
              QStringList({line(noBic, "FEHLER: BIC erforderlich (Land außerhalb des EWR)")}));
    EXPECT_FALSE(file().contains("PstlAdr"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.001.001.09"));
}

TEST_F(SepaRunTest, TheOrderingPartyMustBeOneTheBanksAccept)
{
    const QString idInvalid = QStringLiteral(
        "Auftraggeber-Gläubiger-ID fehlerhaft. Bitte in Fenster \"Mandanten\" korrigieren.");
    const QString ibanInvalid =
        QStringLiteral("Auftraggeber-IBAN fehlerhaft. Bitte in Fenster \"Mandanten\" korrigieren.");
    add({});
    const struct
    {
        const char *name;
        const char *iban;
        const char *creditorId;
        QString message;
    } refused[] = {
        {"Verein", "DE89370400440532013000", "DE97ZZZ09999999999", idInvalid},
        {"Verein", "DE89370400440532013000", "DE98ZZZ9999999999", idInvalid},
        {"Verein", "DE89370400440532013000", "DE98ZZZÄ9999", idInvalid},
        {"Verein", "DE89370400440532013000", "  ",
         QStringLiteral("Auftraggeber-Gläubiger-ID fehlt. Bitte in Fenster \"Mandanten\" "
                        "eingeben.")},
        {"Verein", "TR330006100519786457841326", "DE98ZZZ09999999999", ibanInvalid},
        {"Verein", "DE8937040044053201300", "DE98ZZZ09999999999", ibanInvalid},
        {"   ", "DE89370400440532013000", "DE98ZZZ09999999999",
         QStringLiteral("Auftraggeber-Name nicht angeben. Bitte in Fenster \"Mandanten\" "
                        "eingeben.")},
    };
    for (int format : {0, 1}) {
        s.main.SEPAFormat = sepa::generationFromSetting(format);
        for (const auto &c : refused) {
            SCOPED_TRACE(std::string(c.creditorId) + " " + c.iban);
            dialogs.clear();
            s.main.LKontoinhaber = QString::fromUtf8(c.name);
            s.main.LIBAN = QString::fromLatin1(c.iban);
            s.main.LDebtorID = QString::fromUtf8(c.creditorId);
            run(true, QStringLiteral("CORE"));
            EXPECT_EQ(dialogs.texts(), QStringList({c.message}));
            EXPECT_FALSE(QFile::exists(target()));
            EXPECT_EQ(remainingIds(), QList<qint32>({1}));
        }
    }
    // Blanks and small letters are tidied; the identifier is written in its clean form.
    dialogs.clear();
    s.main.LKontoinhaber = QStringLiteral("Verein");
    s.main.LIBAN = QStringLiteral("DE89370400440532013000");
    s.main.LDebtorID = QStringLiteral(" de98 zzz 0999 9999 999");
    run(true, QStringLiteral("CORE"));
    EXPECT_TRUE(s.run.sepaFileWritten);
    EXPECT_TRUE(file().contains("<Id>DE98ZZZ09999999999</Id>"));
}

TEST_F(SepaRunTest, MessageIdsAreNeverIssuedTwice)
{
    add({});
    QList<QByteArray> files;
    for (int i = 0; i < 3; ++i) {
        run();
        files << file();
    }
    EXPECT_TRUE(files[0].contains("<MsgId>08-12-22-14:05:09</MsgId>"));
    EXPECT_TRUE(files[0].contains("<PmtInfId>08-12-22-14:05:09</PmtInfId>"));
    EXPECT_TRUE(files[1].contains("<MsgId>08-12-22-14:05:09-2</MsgId>"));
    EXPECT_TRUE(files[1].contains("<PmtInfId>08-12-22-14:05:09-2</PmtInfId>"));
    EXPECT_TRUE(files[2].contains("<MsgId>08-12-22-14:05:09-3</MsgId>"));
    // The last one issued is kept where another copy of the program sees it too.
    EXPECT_EQ(settings->readString(u"", u"LastMsgId"), QStringLiteral("08-12-22-14:05:09-3"));
    EXPECT_EQ(settings->readString(u"", u"LastPmtInfId"), QStringLiteral("08-12-22-14:05:09-3"));

    // A new second starts afresh.
    clock.set(QDateTime(QDate(2022, 12, 8), QTime(14, 5, 10)));
    run();
    EXPECT_TRUE(file().contains("<MsgId>08-12-22-14:05:10</MsgId>"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.001.001.03"));
}

TEST_F(SepaRunTest, MessageIdsStayUniqueWhenTheClockGoesBack)
{
    add({});
    auto at = [&](int h, int m, int s) {
        clock.set(QDateTime(QDate(2026, 10, 25), QTime(h, m, s)));
        run();
        const QByteArray bytes = file();
        const qsizetype from = bytes.indexOf("<MsgId>") + 7;
        EXPECT_TRUE(bytes.contains("<PmtInfId>" + bytes.mid(from, bytes.indexOf('<', from) - from)))
            << "both ids alike";
        return QString::fromLatin1(bytes.mid(from, bytes.indexOf('<', from) - from));
    };
    EXPECT_EQ(at(2, 30, 0), QStringLiteral("25-10-26-02:30:00"));
    EXPECT_EQ(at(2, 30, 0), QStringLiteral("25-10-26-02:30:00-2"));
    EXPECT_EQ(at(2, 45, 0), QStringLiteral("25-10-26-02:45:00"));
    // The end of summer time: the hour from 2 to 3 comes again. Every time up to the latest
    // one named gets a number above all issued so far.
    EXPECT_EQ(at(2, 30, 0), QStringLiteral("25-10-26-02:30:00-3"));
    EXPECT_EQ(at(2, 30, 0), QStringLiteral("25-10-26-02:30:00-4"));
    EXPECT_EQ(at(2, 40, 0), QStringLiteral("25-10-26-02:40:00-5"));
    EXPECT_EQ(at(2, 45, 0), QStringLiteral("25-10-26-02:45:00-6"));
    // Past the latest time: plain ids again.
    EXPECT_EQ(at(2, 45, 1), QStringLiteral("25-10-26-02:45:01"));
    EXPECT_EQ(settings->readString(u"", u"MaxMsgId"), QStringLiteral("2026-10-25T02:45:01 6"));

    // A store from before the frontier was kept: the last id tells how far ids have gone.
    settings->writeString(u"", u"MaxMsgId", QString());
    settings->writeString(u"", u"MaxPmtInfId", QString());
    settings->writeString(u"", u"LastMsgId", QStringLiteral("25-10-26-02:50:00-3"));
    settings->writeString(u"", u"LastPmtInfId", QStringLiteral("25-10-26-02:50:00-3"));
    EXPECT_EQ(at(2, 46, 0), QStringLiteral("25-10-26-02:46:00-4"));
    EXPECT_EQ(at(2, 51, 0), QStringLiteral("25-10-26-02:51:00"));
}

TEST_F(SepaRunTest, WithoutAStoredChoiceTheBanksGenerationOfTheDayIsWritten)
{
    add({});
    s.main.SEPAFormat = std::nullopt;
    clock.set(QDateTime(QDate(2026, 11, 13), QTime(23, 59, 59)));
    run();
    EXPECT_TRUE(file().contains("pain.001.001.03"));
    clock.set(QDateTime(QDate(2026, 11, 14), QTime(0, 0, 0)));
    run();
    EXPECT_TRUE(file().contains("pain.001.001.09"));
    // An explicit choice stays, and the command line still overrides it.
    s.main.SEPAFormat = sepa::Generation::V2009;
    run();
    EXPECT_TRUE(file().contains("pain.001.001.03"));
    s.commandLine.SEPAFormatOverride = sepa::Generation::V2019;
    run();
    EXPECT_TRUE(file().contains("pain.001.001.09"));
}
