#include "base/error.h"
#include "schemacheck.h"
#include "sepa/document.h"
#include "testutil.h"

#include <QTemporaryDir>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace ordovan;
using sepa::Generation;
using sepa::MessageKind;

namespace {

const QDateTime kCreated(QDate(2022, 5, 3), QTime(14, 7, 9));

sepa::DocumentHeader header(qint32 count, sepa::Amount total, bool ibanOnly = false,
                            const QString &instrument = QStringLiteral("CORE"))
{
    sepa::DocumentHeader h;
    h.messageId = QStringLiteral("03-05-22-14:07:09");
    h.paymentInfoId = QStringLiteral("03-05-22-14:07:09");
    h.partyName = QStringLiteral("Mueller & Co");
    h.creationTime = kCreated;
    h.executionDate = QDate(2022, 5, 4);
    h.count = count;
    h.total = total;
    h.partyIban = QStringLiteral("DE87123456781234567890");
    h.partyBic = QStringLiteral("DEUTDEFF");
    h.localInstrument = instrument;
    h.ibanOnly = ibanOnly;
    return h;
}

QByteArray crlf(const char *text)
{
    return QByteArray(text).replace("\n", "\r\n");
}

// One document of each kind with two transactions, one of them without purpose.
sepa::DocumentBuilder build(MessageKind kind, Generation g, bool ibanOnly = false,
                            const QString &instrument = QStringLiteral("CORE"))
{
    sepa::DocumentBuilder doc(g);
    const QDate signed_(2022, 5, 3);
    auto tx = [&](const char16_t *name, const char16_t *purpose, const char16_t *iban,
                  sepa::Amount amount, const char16_t *mandate, const char16_t *bic) {
        sepa::Transaction t;
        t.name = QString::fromUtf16(name);
        t.purpose = QString::fromUtf16(purpose);
        t.iban = QString::fromUtf16(iban);
        t.amount = amount;
        // The file creation names every bank of a 2009 credit transfer by BIC.
        const bool named =
            !ibanOnly || (kind == MessageKind::CreditTransfer && g == Generation::V2009);
        t.bic = named ? QString::fromUtf16(bic) : QString();
        t.creditorId = QStringLiteral("DE98ZZZ09999999999");
        t.mandateId = QString::fromUtf16(mandate);
        t.signatureDate = signed_;
        return t;
    };
    const sepa::Transaction first =
        tx(u"Schmidt ", kind == MessageKind::CreditTransfer ? u"Rechnung 1" : u"Beitrag",
           u"GB82WEST12345698765432", 125000, u"M-1", u"COBADEFFXXX");
    const sepa::Transaction second =
        tx(u"Weiss ", u"", u"DE87123456781234567890", 10000, u"M-2", u"DEUTDEFF");
    if (kind == MessageKind::CreditTransfer) {
        doc.addCreditTransferHeader(header(2, 135000, ibanOnly));
        doc.addCreditTransferTransaction(first);
        doc.addCreditTransferTransaction(second);
    } else {
        doc.addDirectDebitHeader(header(2, 135000, ibanOnly, instrument));
        doc.addDirectDebitTransaction(first);
        doc.addDirectDebitTransaction(second);
    }
    return doc;
}

class DocumentFile : public ::testing::Test
{
protected:
    QString save(const sepa::DocumentBuilder &doc)
    {
        const QString path = dir.filePath(QStringLiteral("sepa.xml"));
        doc.save(path);
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(DocumentFile, CreditTransferTextsAreEscapedAndUtf8)
{
    sepa::DocumentBuilder doc;
    doc.addCreditTransferHeader(header(1, 125000));
    sepa::Transaction t;
    t.name = QStringLiteral("Schmidt <&> ");
    t.purpose = QStringLiteral("Rechnung 1 \"ä\" €");
    t.iban = QStringLiteral("GB82WEST12345698765432");
    t.amount = 125000;
    t.bic = QStringLiteral("COBADEFFXXX");
    doc.addCreditTransferTransaction(t);
    const QString path = save(doc);
    const QByteArray bytes = test::readFile(path);
    // The whole credit transfer is compared byte for byte by the file creation tests.
    EXPECT_TRUE(bytes.contains("\r\n      <InitgPty>\r\n        <Nm>Mueller &amp; Co</Nm>\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n          <Nm>Schmidt &lt;&amp;&gt; </Nm>\r\n"));
    EXPECT_TRUE(
        bytes.contains("\r\n          <Ustrd>Rechnung 1 \"\xC3\xA4\" \xE2\x82\xAC</Ustrd>\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n          <InstdAmt Ccy=\"EUR\">12.50</InstdAmt>\r\n"));
    EXPECT_SCHEMA_VALID(path, QStringLiteral("pain.001.001.03"));
}

TEST_F(DocumentFile, DirectDebit2009Transaction)
{
    const QByteArray bytes = build(MessageKind::DirectDebit, Generation::V2009).bytes();
    EXPECT_TRUE(bytes.startsWith(crlf(R"(<?xml version="1.0" encoding="utf-8"?>
<Document xmlns="urn:iso:std:iso:20022:tech:xsd:pain.008.001.02" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xsi:schemaLocation="urn:iso:std:iso:20022:tech:xsd:pain.008.001.02 pain.008.001.02.xsd">
<CstmrDrctDbtInitn>
    <GrpHdr>
)")));
    EXPECT_TRUE(bytes.contains(crlf(R"(      <PmtMtd>DD</PmtMtd>
      <NbOfTxs>2</NbOfTxs>
      <CtrlSum>13.50</CtrlSum>
      <PmtTpInf>
        <SvcLvl>
          <Cd>SEPA</Cd>
        </SvcLvl>
        <LclInstrm>
          <Cd>CORE</Cd>
        </LclInstrm>
        <SeqTp>FRST</SeqTp>
      </PmtTpInf>
      <ReqdColltnDt>2022-05-04</ReqdColltnDt>
      <Cdtr>
)")));
    EXPECT_TRUE(bytes.contains(crlf(R"(      <DrctDbtTxInf>
        <PmtId>
          <EndToEndId>NOTPROVIDED</EndToEndId>
        </PmtId>
        <InstdAmt Ccy="EUR">12.50</InstdAmt>
        <DrctDbtTx>
          <MndtRltdInf>
            <MndtId>M-1</MndtId>
            <DtOfSgntr>2022-05-03</DtOfSgntr>
            <AmdmntInd>false</AmdmntInd>
          </MndtRltdInf>
          <CdtrSchmeId>
            <Id>
              <PrvtId>
                <Othr>
                  <Id>DE98ZZZ09999999999</Id>
                  <SchmeNm>
                    <Prtry>SEPA</Prtry>
                  </SchmeNm>
                </Othr>
              </PrvtId>
            </Id>
          </CdtrSchmeId>
        </DrctDbtTx>
        <DbtrAgt>
          <FinInstnId>
            <BIC>COBADEFFXXX</BIC>
          </FinInstnId>
        </DbtrAgt>
        <Dbtr>
          <Nm>Schmidt </Nm>
        </Dbtr>
        <DbtrAcct>
          <Id>
            <IBAN>GB82WEST12345698765432</IBAN>
          </Id>
        </DbtrAcct>
        <RmtInf>
          <Ustrd>Beitrag</Ustrd>
        </RmtInf>
      </DrctDbtTxInf>
)")));
    // The banks want count and total in the payment information block too.
    EXPECT_EQ(bytes.count("<NbOfTxs>2</NbOfTxs>"), 2);
    EXPECT_EQ(bytes.count("<CtrlSum>13.50</CtrlSum>"), 2);
    // No purpose, no remittance information.
    EXPECT_EQ(bytes.count("<RmtInf>"), 1);
    EXPECT_TRUE(bytes.endsWith("    </PmtInf>\r\n  </CstmrDrctDbtInitn>\r\n</Document>\r\n"));
}

TEST_F(DocumentFile, LayoutRulesHoldForEveryKindAndGeneration)
{
    for (MessageKind kind : {MessageKind::CreditTransfer, MessageKind::DirectDebit}) {
        for (Generation g : {Generation::V2009, Generation::V2019}) {
            for (bool ibanOnly : {false, true}) {
                const sepa::DocumentBuilder doc = build(kind, g, ibanOnly);
                const QString path = save(doc);
                const QByteArray bytes = test::readFile(path);
                const QString version = sepa::messageVersion(kind, g);
                SCOPED_TRACE(version.toStdString() + (ibanOnly ? " IBAN only" : ""));
                EXPECT_EQ(bytes, doc.bytes());
                EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
                EXPECT_TRUE(bytes.endsWith("</Document>\r\n"));
                EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
                EXPECT_EQ(bytes.count('\r'), bytes.count('\n'));
                const QList<QByteArray> lines = bytes.split('\n');
                ASSERT_GT(lines.size(), 4);
                EXPECT_EQ(lines[2], kind == MessageKind::CreditTransfer
                                        ? QByteArray("<CstmrCdtTrfInitn>\r")
                                        : QByteArray("<CstmrDrctDbtInitn>\r"));
                const QString location = QStringLiteral("urn:iso:std:iso:20022:tech:xsd:") +
                                         version + u' ' + version + QStringLiteral(".xsd\"");
                EXPECT_TRUE(lines[1].contains(location.toLatin1()));
                EXPECT_TRUE(lines[3].startsWith("    <GrpHdr>"));
                EXPECT_SCHEMA_VALID(path, version);
            }
        }
    }
}

TEST_F(DocumentFile, GenerationsDifferOnlyWhereTheSchemasDo)
{
    const QByteArray ct09 = build(MessageKind::CreditTransfer, Generation::V2009).bytes();
    const QByteArray ct19 = build(MessageKind::CreditTransfer, Generation::V2019).bytes();
    EXPECT_TRUE(ct19.contains("      <ReqdExctnDt>\r\n        <Dt>2022-05-04</Dt>\r\n"
                              "      </ReqdExctnDt>\r\n"));
    EXPECT_EQ(ct19.count("<BICFI>"), 3);
    EXPECT_EQ(ct19.count("<BIC>"), 0);
    QByteArray mapped = ct09;
    mapped.replace("pain.001.001.03", "pain.001.001.09")
        .replace("<BIC>", "<BICFI>")
        .replace("</BIC>", "</BICFI>")
        .replace("      <ReqdExctnDt>2022-05-04</ReqdExctnDt>\r\n",
                 "      <ReqdExctnDt>\r\n        <Dt>2022-05-04</Dt>\r\n      </ReqdExctnDt>\r\n");
    EXPECT_EQ(mapped, ct19);

    const QByteArray dd09 = build(MessageKind::DirectDebit, Generation::V2009).bytes();
    const QByteArray dd19 = build(MessageKind::DirectDebit, Generation::V2019).bytes();
    mapped = dd09;
    mapped.replace("pain.008.001.02", "pain.008.001.08")
        .replace("<BIC>", "<BICFI>")
        .replace("</BIC>", "</BICFI>");
    EXPECT_EQ(mapped, dd19);
}

TEST_F(DocumentFile, IbanOnlyNamesNoBank)
{
    const QByteArray notProvided = "<FinInstnId>\r\n            <Othr>\r\n              "
                                   "<Id>NOTPROVIDED</Id>\r\n            </Othr>\r\n";
    for (Generation g : {Generation::V2009, Generation::V2019}) {
        const QByteArray dd = build(MessageKind::DirectDebit, g, true).bytes();
        EXPECT_FALSE(dd.contains("<BIC")) << int(g);
        EXPECT_EQ(dd.count("<Id>NOTPROVIDED</Id>"), 3) << int(g);
        EXPECT_EQ(dd.count(notProvided), 2) << "the debtor agents";
    }
    // Only a 2019 credit transfer has banks without BIC: the ordering party's is
    // NOTPROVIDED, the payees' are left out, as the banks admit nothing else there.
    const QByteArray ct19 = build(MessageKind::CreditTransfer, Generation::V2019, true).bytes();
    EXPECT_FALSE(ct19.contains("<BIC"));
    EXPECT_EQ(ct19.count("<Id>NOTPROVIDED</Id>"), 1);
    EXPECT_FALSE(ct19.contains("CdtrAgt"));
    const QByteArray ct09 = build(MessageKind::CreditTransfer, Generation::V2009, true).bytes();
    EXPECT_EQ(ct09, build(MessageKind::CreditTransfer, Generation::V2009, false).bytes());
}

TEST_F(DocumentFile, DebtorAddressInTheFormOfEachGeneration)
{
    for (Generation g : {Generation::V2009, Generation::V2019}) {
        sepa::DocumentBuilder doc(g);
        doc.addDirectDebitHeader(header(2, 20000));
        sepa::Transaction t;
        t.name = QStringLiteral("Meier AG ");
        t.iban = QStringLiteral("CH9300762011623852957");
        t.bic = QStringLiteral("UBSWCHZH80A");
        t.amount = 10000;
        t.creditorId = QStringLiteral("DE98ZZZ09999999999");
        t.mandateId = QStringLiteral("M-1");
        t.signatureDate = QDate(2022, 5, 3);
        t.address = {QStringLiteral("CH"), QStringLiteral("Bahnhofstrasse 1"),
                     QStringLiteral("8001 Zuerich")};
        doc.addDirectDebitTransaction(t);
        t.address.street.clear();
        doc.addDirectDebitTransaction(t);
        const QString path = save(doc);
        const QByteArray bytes = test::readFile(path);
        if (g == Generation::V2009) {
            EXPECT_TRUE(bytes.contains(crlf(R"(          <Nm>Meier AG </Nm>
          <PstlAdr>
            <Ctry>CH</Ctry>
            <AdrLine>Bahnhofstrasse 1</AdrLine>
            <AdrLine>8001 Zuerich</AdrLine>
          </PstlAdr>
)")));
        } else {
            EXPECT_TRUE(bytes.contains(crlf(R"(          <PstlAdr>
            <TwnNm>8001 Zuerich</TwnNm>
            <Ctry>CH</Ctry>
            <AdrLine>Bahnhofstrasse 1</AdrLine>
          </PstlAdr>
)")));
        }
        EXPECT_EQ(bytes.count("<AdrLine>"), g == Generation::V2009 ? 3 : 1);
        EXPECT_SCHEMA_VALID(path, sepa::messageVersion(MessageKind::DirectDebit, g));
    }
}

TEST_F(DocumentFile, SchemesDifferOnlyInTheirCode)
{
    const QByteArray core =
        build(MessageKind::DirectDebit, Generation::V2009, false, QStringLiteral("CORE")).bytes();
    for (const char *scheme : {"COR1", "B2B"}) {
        QByteArray other =
            build(MessageKind::DirectDebit, Generation::V2009, false, QString::fromLatin1(scheme))
                .bytes();
        other.replace(QByteArray("<Cd>") + scheme + "</Cd>", "<Cd>CORE</Cd>");
        EXPECT_EQ(other, core) << scheme;
    }
}

TEST_F(DocumentFile, TextsAreAlwaysWellFormed)
{
    QByteArray out;
    sepa::appendXmlText(out, u"a&b<c>d\"e'f\tg\rh\ni\u0001j\uFFFEk\U0001F600l");
    EXPECT_EQ(out, QByteArray("a&amp;b&lt;c&gt;d\"e'f\tg&#13;h&#10;ij"
                              "k\xF0\x9F\x98\x80l"));
    out.clear();
    const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00, 0};
    sepa::appendXmlText(out, QStringView(lone));
    EXPECT_EQ(out, QByteArray("xy"));
    out.clear();
    sepa::appendXmlText(out, u"Ä€");
    EXPECT_EQ(out, QByteArray("\xC3\x84\xE2\x82\xAC"));
}

TEST_F(DocumentFile, CountAndTotalFollowTheCaller)
{
    sepa::DocumentBuilder doc = build(MessageKind::CreditTransfer, Generation::V2009);
    doc.setCountAndTotal(1, 125000);
    const QByteArray bytes = doc.bytes();
    EXPECT_EQ(bytes.count("<NbOfTxs>1</NbOfTxs>"), 2);
    EXPECT_EQ(bytes.count("<CtrlSum>12.50</CtrlSum>"), 2);
    // A new header discards the transactions before it.
    doc.addCreditTransferHeader(header(0, 0));
    EXPECT_EQ(doc.transactionCount(), 0);
    EXPECT_FALSE(doc.bytes().contains("CdtTrfTxInf"));
}

TEST_F(DocumentFile, AFailedSaveKeepsTheOldFileAndReports)
{
    const QString path = dir.filePath(QStringLiteral("sepa.xml"));
    test::writeFile(path, "old");
    sepa::DocumentBuilder doc = build(MessageKind::CreditTransfer, Generation::V2009);
    EXPECT_THROW(doc.save(dir.filePath(QStringLiteral("missing/folder/sepa.xml"))), Error);
    if (geteuid() != 0) { // root writes anywhere
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_THROW(doc.save(path), Error);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_EQ(test::readFile(path), QByteArray("old"));
}

TEST_F(DocumentFile, TheSchemaCheckItselfCatchesABrokenFile)
{
    QByteArray bytes = build(MessageKind::DirectDebit, Generation::V2019).bytes();
    bytes.replace("<MndtId>M-1</MndtId>", "<MndtId></MndtId>");
    const QString path = dir.filePath(QStringLiteral("broken.xml"));
    test::writeFile(path, bytes);
    EXPECT_FALSE(test::schemaComplaints(path, QStringLiteral("pain.008.001.08")).isEmpty());
}
