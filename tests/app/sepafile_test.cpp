#include "base/error.h"
#include "sepafile_fixture.h"

#include <QFile>

using namespace ordovan;
using test::Rec;
using test::SepaRunTest;

namespace {

QByteArray crlf(const char *text)
{
    return QByteArray(text).replace("\n", "\r\n");
}

const QString kSummary = QStringLiteral(
    "Insgesamt wurden 2 Datensätze mit einer Gesamtsumme von 234,50\rin die Datei \"%1\" "
    "geschrieben.");
const QString kNothing = QStringLiteral("Es wurden keine Datensätze in die SEPA-Datei "
                                        "geschrieben. Details finden Sie unter \"Log-Datei\".");

} // namespace

TEST_F(SepaRunTest, ThreeRecordsOneWithBadCheckDigits)
{
    add({.name1 = QStringLiteral("Müller"), .purpose = QStringLiteral("Miete Mai \rWohnung 3")});
    add({.iban = QStringLiteral("DE88123456781234567890")});
    add({.name1 = QStringLiteral("Weiß"),
         .name2 = QStringLiteral("Anna"),
         .iban = QStringLiteral("GB82 WEST 1234 5698 7654 32"),
         .bic = QStringLiteral("deutdeff"),
         .amount = 222.0,
         .purpose = QStringLiteral("Beitrag 2022")});
    run();

    EXPECT_EQ(log(), QStringList({
                         QStringLiteral(" SEPA-Datei ERSTELLEN START"),
                         QStringLiteral(" SEPA-Datei Datensatz ID 1 START"),
                         QStringLiteral(" SEPA-Datei Datensatz ID 1 ENDE"),
                         QStringLiteral(" SEPA-Datei Datensatz ID 2 START"),
                         QStringLiteral(" SEPA-Datei Datensatz ID 2 FEHLER: Ungültige IBAN"),
                         QStringLiteral(" SEPA-Datei Datensatz ID 3 START"),
                         QStringLiteral(" SEPA-Datei Datensatz ID 3 ENDE"),
                         QStringLiteral(" SEPA-Datei ERSTELLEN ENDE"),
                     }));
    EXPECT_EQ(s.log.MLog.lines().first(),
              QStringLiteral("08.12.2022 14:05:09 SEPA-Datei ERSTELLEN START"));
    EXPECT_EQ(remainingIds(), QList<qint32>({1, 3}));
    EXPECT_TRUE(s.run.sepaFileWritten);
    EXPECT_EQ(s.run.RunRecordCount, QStringLiteral("2"));
    EXPECT_EQ(s.run.RunTotal, QStringLiteral("234,50"));
    EXPECT_EQ(s.main.LLastGut, QStringLiteral("Gutschrift"));
    EXPECT_EQ(s.main.LSatzzahl, QStringLiteral("Satzanzahl: 2"));
    EXPECT_EQ(s.main.LSumme, QStringLiteral("Gesamtsumme: 234,50"));
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("Bestätigen"));
    EXPECT_EQ(dialogs.shown()[0].text, kSummary.arg(target()));
    EXPECT_EQ(dialogs.shown()[0].buttons, platform::Ok | platform::Abort);

    EXPECT_EQ(file(), crlf(R"(<?xml version="1.0" encoding="utf-8"?>
<Document xmlns="urn:iso:std:iso:20022:tech:xsd:pain.001.001.03" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xsi:schemaLocation="urn:iso:std:iso:20022:tech:xsd:pain.001.001.03 pain.001.001.03.xsd">
<CstmrCdtTrfInitn>
    <GrpHdr>
      <MsgId>08-12-22-14:05:09</MsgId>
      <CreDtTm>2022-12-08T14:05:09</CreDtTm>
      <NbOfTxs>2</NbOfTxs>
      <CtrlSum>234.50</CtrlSum>
      <InitgPty>
        <Nm>Verein Ueber &amp; Co</Nm>
      </InitgPty>
    </GrpHdr>
    <PmtInf>
      <PmtInfId>08-12-22-14:05:09</PmtInfId>
      <PmtMtd>TRF</PmtMtd>
      <NbOfTxs>2</NbOfTxs>
      <CtrlSum>234.50</CtrlSum>
      <PmtTpInf>
        <SvcLvl>
          <Cd>SEPA</Cd>
        </SvcLvl>
      </PmtTpInf>
      <ReqdExctnDt>2022-12-12</ReqdExctnDt>
      <Dbtr>
        <Nm>Verein Ueber &amp; Co</Nm>
      </Dbtr>
      <DbtrAcct>
        <Id>
          <IBAN>DE89370400440532013000</IBAN>
        </Id>
      </DbtrAcct>
      <DbtrAgt>
        <FinInstnId>
          <BIC>DEUTDEFF</BIC>
        </FinInstnId>
      </DbtrAgt>
      <ChrgBr>SLEV</ChrgBr>
      <CdtTrfTxInf>
        <PmtId>
          <EndToEndId>NOTPROVIDED</EndToEndId>
        </PmtId>
        <Amt>
          <InstdAmt Ccy="EUR">12.50</InstdAmt>
        </Amt>
        <CdtrAgt>
          <FinInstnId>
            <BIC>COBADEFFXXX</BIC>
          </FinInstnId>
        </CdtrAgt>
        <Cdtr>
          <Nm>Mueller </Nm>
        </Cdtr>
        <CdtrAcct>
          <Id>
            <IBAN>DE87123456781234567890</IBAN>
          </Id>
        </CdtrAcct>
        <RmtInf>
          <Ustrd>Miete Mai Wohnung 3</Ustrd>
        </RmtInf>
      </CdtTrfTxInf>
      <CdtTrfTxInf>
        <PmtId>
          <EndToEndId>NOTPROVIDED</EndToEndId>
        </PmtId>
        <Amt>
          <InstdAmt Ccy="EUR">222.00</InstdAmt>
        </Amt>
        <CdtrAgt>
          <FinInstnId>
            <BIC>DEUTDEFF</BIC>
          </FinInstnId>
        </CdtrAgt>
        <Cdtr>
          <Nm>Weiss Anna</Nm>
        </Cdtr>
        <CdtrAcct>
          <Id>
            <IBAN>GB82WEST12345698765432</IBAN>
          </Id>
        </CdtrAcct>
        <RmtInf>
          <Ustrd>Beitrag 2022</Ustrd>
        </RmtInf>
      </CdtTrfTxInf>
    </PmtInf>
  </CstmrCdtTrfInitn>
</Document>
)"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.001.001.03"));
    // The record keeps the IBAN as imported.
    store::Table &t = ctx->data.ClientDataSetAZV;
    t.last();
    EXPECT_EQ(t.text(u"IBAN"), QStringLiteral("GB82 WEST 1234 5698 7654 32"));
}

TEST_F(SepaRunTest, EveryFailingCheckIsLoggedInOrder)
{
    add({});
    add({.name1 = QString(),
         .iban = QStringLiteral("DE00123"),
         .bic = QStringLiteral("DEUTDEFF5"),
         .amount = 0.004});
    add({.name1 = QStringLiteral("\x01")}); // nothing left once control characters go
    add({.amount = std::nullopt});
    add({.amount = -5.0});
    run(true, QStringLiteral("CORE"));
    EXPECT_EQ(log().mid(3, 6),
              QStringList({QStringLiteral(" SEPA-Datei Datensatz ID 2 START"),
                           QStringLiteral(" SEPA-Datei Datensatz ID 2 FEHLER: Kein Kontoinhaber "
                                          "angegeben"),
                           QStringLiteral(" SEPA-Datei Datensatz ID 2 FEHLER: Ungültiger BIC"),
                           QStringLiteral(" SEPA-Datei Datensatz ID 2 FEHLER: Ungültige IBAN"),
                           QStringLiteral(" SEPA-Datei Datensatz ID 2 FEHLER: Ungültiger Betrag"),
                           QStringLiteral(" SEPA-Datei Datensatz ID 3 START")}));
    EXPECT_TRUE(log().contains(
        QStringLiteral(" SEPA-Datei Datensatz ID 3 FEHLER: Kein Kontoinhaber angegeben")));
    EXPECT_TRUE(
        log().contains(QStringLiteral(" SEPA-Datei Datensatz ID 4 FEHLER: Ungültiger Betrag")));
    EXPECT_TRUE(
        log().contains(QStringLiteral(" SEPA-Datei Datensatz ID 5 FEHLER: Ungültiger Betrag")));
    for (int id : {2, 3, 4, 5})
        EXPECT_FALSE(log().contains(QStringLiteral(" SEPA-Datei Datensatz ID %1 ENDE").arg(id)));
    // The last visible record was invalid: the pass ends, the first record is in the file.
    EXPECT_EQ(remainingIds(), QList<qint32>({1}));
    EXPECT_EQ(file().count("<DrctDbtTxInf>"), 1);
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.008.001.02"));
}

TEST_F(SepaRunTest, NoValidRecordLeavesNoFile)
{
    test::writeFile(target(), "older file");
    s.run.RunRecordCount = QStringLiteral("7");
    s.main.LLastGut = QStringLiteral("Gutschrift");
    s.main.LKontonr = QStringLiteral("x");
    add({.iban = QString()});
    add({.bic = QString()});
    run();
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_FALSE(s.run.sepaFileWritten);
    EXPECT_TRUE(remainingIds().isEmpty());
    for (const QString *v : {&s.run.RunRecordCount, &s.run.RunTotal, &s.main.LLastGut,
                             &s.main.LSatzzahl, &s.main.LSumme, &s.main.LKontonr, &s.main.LBLZ})
        EXPECT_TRUE(v->isEmpty());
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("Informationen"));
    EXPECT_EQ(dialogs.shown()[0].text, kNothing);
    EXPECT_EQ(dialogs.shown()[0].buttons, platform::Ok);
    EXPECT_EQ(log().last(), QStringLiteral(" SEPA-Datei ERSTELLEN ENDE"));

    // No records at all: the same.
    dialogs.clear();
    run();
    EXPECT_EQ(dialogs.texts(), QStringList({kNothing}));
    EXPECT_FALSE(QFile::exists(target()));
}

TEST_F(SepaRunTest, AbortAtTheSummaryDeletesTheFile)
{
    add({});
    add({.amount = 222.0});
    dialogs.pushButton(platform::Abort);
    run();
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_FALSE(s.run.sepaFileWritten);
    EXPECT_EQ(s.run.RunRecordCount, QStringLiteral("2"));
    EXPECT_EQ(s.run.RunTotal, QStringLiteral("234,50"));
    EXPECT_EQ(remainingIds(), QList<qint32>({1, 2}));
    EXPECT_EQ(log().last(), QStringLiteral(" SEPA-Datei ERSTELLEN ENDE"));
}

TEST_F(SepaRunTest, OrderingPartyRejected)
{
    const struct
    {
        void (*prepare)(app::MainState &);
        bool directDebit;
        bool ibanOnly;
        QString message;
    } cases[] = {
        {[](app::MainState &m) { m.main.LKontoinhaber.clear(); }, false, false,
         QStringLiteral(
             "Auftraggeber-Name nicht angeben. Bitte in Fenster \"Mandanten\" eingeben.")},
        {[](app::MainState &m) { m.main.LBIC = QStringLiteral("DEUTDEF"); }, true, true,
         QStringLiteral(
             "Auftraggeber-BIC fehlerhaft. Bitte in Fenster \"Mandanten\" korrigieren.")},
        {[](app::MainState &m) { m.main.LIBAN = QStringLiteral("DE89370400440532013001"); }, false,
         false,
         QStringLiteral(
             "Auftraggeber-IBAN fehlerhaft. Bitte in Fenster \"Mandanten\" korrigieren.")},
        {[](app::MainState &m) { m.main.LDebtorID = QStringLiteral("\x02"); }, true, false,
         QStringLiteral("Auftraggeber-Gläubiger-ID fehlt. Bitte in Fenster \"Mandanten\" "
                        "eingeben.")},
    };
    add({});
    add({.iban = QString()});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        const app::MainState saved = s;
        test::writeFile(target(), "older file");
        s.run.RunRecordCount = QStringLiteral("5");
        s.log.MLog.clear();
        dialogs.clear();
        c.prepare(s);
        run(c.directDebit, QStringLiteral("CORE"), c.ibanOnly);
        ASSERT_EQ(dialogs.shown().size(), 1);
        EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("Fehler"));
        EXPECT_EQ(dialogs.shown()[0].text, c.message);
        EXPECT_EQ(dialogs.shown()[0].buttons, platform::Ok);
        EXPECT_EQ(log(), QStringList({QStringLiteral(" SEPA-Datei ERSTELLEN START")}));
        EXPECT_EQ(test::readFile(target()), QByteArray("older file"));
        EXPECT_FALSE(s.run.sepaFileWritten);
        EXPECT_EQ(s.run.RunRecordCount, QStringLiteral("5"));
        EXPECT_EQ(remainingIds(), QList<qint32>({1, 2}));
        s = saved;
    }
    // A credit transfer needs no creditor identifier.
    s.main.LDebtorID.clear();
    run();
    EXPECT_TRUE(s.run.sepaFileWritten);
}

TEST_F(SepaRunTest, IbanOnlyLeavesRecordBicsUnchecked)
{
    add({.bic = QString()});
    add({.bic = QStringLiteral("kaputt")});
    s.main.RGZahlungsart = app::LastschriftB2b;
    run(true, QStringLiteral("B2B"), true);
    EXPECT_EQ(remainingIds(), QList<qint32>({1, 2}));
    const QByteArray bytes = file();
    EXPECT_FALSE(bytes.contains("<BIC>"));
    EXPECT_EQ(bytes.count("<Id>NOTPROVIDED</Id>"), 3);
    EXPECT_TRUE(bytes.contains("<Cd>B2B</Cd>"));
    EXPECT_EQ(s.main.LLastGut, QStringLiteral("Lastschrift B2B"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.008.001.02"));

    // A 2009 credit transfer checks and names every BIC, whatever it is told.
    s.log.MLog.clear();
    ctx->data.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());
    add({.bic = QString()});
    add({});
    run(false, QString(), true);
    EXPECT_TRUE(
        log().contains(QStringLiteral(" SEPA-Datei Datensatz ID 3 FEHLER: Ungültiger BIC")));
    EXPECT_EQ(file().count("<BIC>"), 2);
}

TEST_F(SepaRunTest, AmountsAtTheEdgesOfWhatBanksTake)
{
    // 999.999.999,99 is the largest amount of one payment; sums may grow beyond it.
    for (int i = 0; i < 3; ++i)
        add({.amount = 999999999.99});
    add({.amount = 999999999.995}); // rounds to 1.000.000.000,00
    add({.amount = 92233720368547.75});
    add({.amount = 0.005});
    run();
    EXPECT_EQ(
        log().filter(QStringLiteral("FEHLER")),
        QStringList({QStringLiteral(" SEPA-Datei Datensatz ID 4 FEHLER: Ungültiger Betrag"),
                     QStringLiteral(" SEPA-Datei Datensatz ID 5 FEHLER: Ungültiger Betrag")}));
    const QByteArray bytes = file();
    EXPECT_EQ(bytes.count("<InstdAmt Ccy=\"EUR\">999999999.99</InstdAmt>"), 3);
    EXPECT_EQ(bytes.count("<CtrlSum>2999999999.98</CtrlSum>"), 2);
    EXPECT_EQ(s.run.RunTotal, QStringLiteral("2999999999,98"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.001.001.03"));
}

TEST_F(SepaRunTest, LongAndUnusualTextsAreCutAndLogged)
{
    QString purpose;
    for (int i = 0; i < 50; ++i)
        purpose += QStringLiteral("Zeile \"%1\" \r").arg(i % 10);
    purpose += u'\n';
    const qint32 id = add({.name1 = QString(50, u'Ä'),
                           .name2 = QStringLiteral("<&>"),
                           .purpose = purpose.left(500),
                           .mandate = QStringLiteral("M\x01-\x7F"
                                                     "1")});
    run(true, QStringLiteral("CORE"));
    const QString prefix = QStringLiteral(" SEPA-Datei Datensatz ID %1").arg(id);
    EXPECT_EQ(log().mid(1, 5), QStringList({prefix + QStringLiteral(" START"),
                                            prefix + QStringLiteral(" HINWEIS: Name gekürzt"),
                                            prefix + QStringLiteral(" HINWEIS: Verwendungszweck "
                                                                    "gekürzt"),
                                            prefix + QStringLiteral(" HINWEIS: Mandatsreferenz "
                                                                    "angepasst"),
                                            prefix + QStringLiteral(" ENDE")}));
    const QByteArray bytes = file();
    EXPECT_TRUE(bytes.contains("<Nm>" + QByteArray(70, 'e').replace("ee", "Ae") + "</Nm>"));
    EXPECT_TRUE(bytes.contains("<MndtId>M-1</MndtId>"));
    EXPECT_FALSE(bytes.contains("&#13;"));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.008.001.02"));
}

TEST_F(SepaRunTest, MandateReferencesOfDirectDebits)
{
    add({.mandate = QString()});
    add({.mandate = QString(36, u'M')});
    add({.mandate = QString(35, u'M')});
    run(true, QStringLiteral("COR1"));
    EXPECT_EQ(
        log().filter(QStringLiteral("FEHLER")),
        QStringList({QStringLiteral(" SEPA-Datei Datensatz ID 1 FEHLER: Keine Mandatsreferenz"),
                     QStringLiteral(" SEPA-Datei Datensatz ID 2 FEHLER: Ungültige "
                                    "Mandatsreferenz")}));
    EXPECT_EQ(remainingIds(), QList<qint32>({3}));
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.008.001.02"));
}

TEST_F(SepaRunTest, SignatureDateIsTakenPerTransaction)
{
    clock.set(QDateTime(QDate(2022, 5, 3), QTime(23, 59, 50)));
    clock.setStep(1000);
    for (int i = 0; i < 6; ++i)
        add({});
    run(true, QStringLiteral("CORE"));
    const QByteArray bytes = file();
    // The clock moves on by a second at every reading, so midnight passes while the file is
    // built: the ids and the creation time come from their own readings, and each mandate is
    // signed on the day its transaction is added.
    EXPECT_TRUE(bytes.contains("<MsgId>03-05-22-23:59:5"));
    EXPECT_TRUE(bytes.contains("<PmtInfId>03-05-22-23:59:5"));
    const qsizetype before = bytes.count("<DtOfSgntr>2022-05-03</DtOfSgntr>");
    const qsizetype after = bytes.count("<DtOfSgntr>2022-05-04</DtOfSgntr>");
    EXPECT_GE(before, 1);
    EXPECT_GE(after, 1);
    EXPECT_EQ(before + after, 6);
    EXPECT_LT(bytes.lastIndexOf("2022-05-03</DtOfSgntr>"), bytes.indexOf("2022-05-04</DtOfSgntr>"));
}

TEST_F(SepaRunTest, AWriteErrorTravelsToTheCaller)
{
    add({});
    add({.iban = QString()});
    s.main.EZieldatei = dir.filePath(QStringLiteral("missing/sepa.xml"));
    s.run.RunRecordCount = QStringLiteral("9");
    EXPECT_THROW(run(), Error);
    EXPECT_FALSE(s.run.sepaFileWritten);
    EXPECT_EQ(s.run.RunRecordCount, QStringLiteral("9"));
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_NE(log().last(), QStringLiteral(" SEPA-Datei ERSTELLEN ENDE"));
    EXPECT_EQ(remainingIds(), QList<qint32>({1})) << "the records were checked before saving";

    // Without a valid record nothing is saved, but the target still could not be written.
    store::Table &t = ctx->data.ClientDataSetAZV;
    for (t.first(); t.hasCurrentRow();)
        t.remove();
    add({.iban = QString()});
    dialogs.clear();
    EXPECT_THROW(run(), Error);
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_EQ(s.run.RunRecordCount, QStringLiteral("9"));
    EXPECT_TRUE(remainingIds().isEmpty());
}

TEST_F(SepaRunTest, AnErrorInTheWritingPassStillSavesWhatWasBuilt)
{
    for (int i = 0; i < 4; ++i)
        add({.amount = 10.0 + i});
    // The third move fails: after the first pass that is the step from record 2 to 3.
    int moves = 0;
    ctx->data.ClientDataSetAZV.afterScroll = [&moves](store::Table &t) {
        if (++moves == 7 && t.recNo() == 3)
            throw Error(QStringLiteral("Lesefehler"));
    };
    try {
        run();
        ADD_FAILURE() << "the error did not travel on";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Lesefehler"));
    }
    EXPECT_TRUE(s.run.sepaFileWritten);
    const QByteArray bytes = file();
    // The head counts what the file holds, so it stays a valid, consistent file.
    EXPECT_EQ(bytes.count("<CdtTrfTxInf>"), 2);
    EXPECT_EQ(bytes.count("<NbOfTxs>2</NbOfTxs>"), 2);
    EXPECT_EQ(bytes.count("<CtrlSum>21.00</CtrlSum>"), 2);
    EXPECT_SCHEMA_VALID(target(), QStringLiteral("pain.001.001.03"));
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_TRUE(s.run.RunRecordCount.isEmpty());
}
