#include "document.h"

#include "platform/files.h"

#include <algorithm>
#include <cstring>

namespace ordovan::sepa {

namespace {

constexpr char kSpaces[] = "                                        ";

// Writes lines of the final layout into a byte buffer.
class Lines
{
public:
    explicit Lines(QByteArray &out) : m_out(out) {}

    void open(int level, const char *tag)
    {
        indent(level);
        m_out.append('<').append(tag).append(">\r\n");
    }
    void close(int level, const char *tag)
    {
        indent(level);
        m_out.append("</").append(tag).append(">\r\n");
    }
    void leaf(int level, const char *tag, QStringView text)
    {
        indent(level);
        m_out.append('<').append(tag).append('>');
        appendXmlText(m_out, text);
        m_out.append("</").append(tag).append(">\r\n");
    }
    void leafAscii(int level, const char *tag, const char *text, qsizetype length)
    {
        indent(level);
        m_out.append('<').append(tag).append('>');
        m_out.append(text, length);
        m_out.append("</").append(tag).append(">\r\n");
    }
    void leafAscii(int level, const char *tag, const char *text)
    {
        leafAscii(level, tag, text, qsizetype(std::strlen(text)));
    }
    void amount(int level, const char *tag, Amount value)
    {
        char buffer[32];
        const int n = writeAmount(buffer, value);
        indent(level);
        m_out.append('<').append(tag).append(" Ccy=\"EUR\">");
        m_out.append(buffer, n);
        m_out.append("</").append(tag).append(">\r\n");
    }
    void date(int level, const char *tag, const QDate &d)
    {
        char buffer[16];
        leafAscii(level, tag, buffer, formatIsoDate(buffer, d));
    }
    void number(int level, const char *tag, qint64 value)
    {
        const QByteArray n = QByteArray::number(value);
        leafAscii(level, tag, n.constData(), n.size());
    }

    static int formatIsoDate(char *buffer, const QDate &d)
    {
        int y = d.isValid() ? d.year() : 0;
        const int m = d.isValid() ? d.month() : 0;
        const int day = d.isValid() ? d.day() : 0;
        for (int i = 3; i >= 0; --i, y /= 10)
            buffer[i] = char('0' + y % 10);
        buffer[4] = '-';
        buffer[5] = char('0' + m / 10);
        buffer[6] = char('0' + m % 10);
        buffer[7] = '-';
        buffer[8] = char('0' + day / 10);
        buffer[9] = char('0' + day % 10);
        return 10;
    }

private:
    void indent(int level) { m_out.append(kSpaces, 2 * level); }
    QByteArray &m_out;
};

const char *rootElement(MessageKind kind)
{
    return kind == MessageKind::CreditTransfer ? "CstmrCdtTrfInitn" : "CstmrDrctDbtInitn";
}

const char *bicElement(Generation generation)
{
    return generation == Generation::V2009 ? "BIC" : "BICFI";
}

// FinInstnId with the BIC, or with Othr/Id NOTPROVIDED when no BIC is named.
void agent(Lines &l, int level, const char *tag, Generation generation, QStringView bic,
           bool ibanOnly)
{
    l.open(level, tag);
    l.open(level + 1, "FinInstnId");
    if (ibanOnly) {
        l.open(level + 2, "Othr");
        l.leafAscii(level + 3, "Id", "NOTPROVIDED");
        l.close(level + 2, "Othr");
    } else {
        l.leaf(level + 2, bicElement(generation), bic);
    }
    l.close(level + 1, "FinInstnId");
    l.close(level, tag);
}

void partyName(Lines &l, int level, const char *tag, QStringView name)
{
    l.open(level, tag);
    l.leaf(level + 1, "Nm", name);
    l.close(level, tag);
}

void account(Lines &l, int level, const char *tag, QStringView iban)
{
    l.open(level, tag);
    l.open(level + 1, "Id");
    l.leaf(level + 2, "IBAN", iban);
    l.close(level + 1, "Id");
    l.close(level, tag);
}

void remittance(Lines &l, int level, QStringView purpose)
{
    if (purpose.isEmpty())
        return;
    l.open(level, "RmtInf");
    l.leaf(level + 1, "Ustrd", purpose);
    l.close(level, "RmtInf");
}

} // namespace

QString messageVersion(MessageKind kind, Generation generation)
{
    if (kind == MessageKind::CreditTransfer)
        return generation == Generation::V2009 ? QStringLiteral("pain.001.001.03")
                                               : QStringLiteral("pain.001.001.09");
    return generation == Generation::V2009 ? QStringLiteral("pain.008.001.02")
                                           : QStringLiteral("pain.008.001.08");
}

void appendXmlText(QByteArray &out, QStringView text)
{
    const qsizetype n = text.size();
    const char16_t *s = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            switch (c) {
            case '&':
                out.append("&amp;");
                continue;
            case '<':
                out.append("&lt;");
                continue;
            case '>':
                out.append("&gt;");
                continue;
            case '\r':
                out.append("&#13;");
                continue;
            case '\n':
                out.append("&#10;");
                continue;
            case '\t':
                out.append('\t');
                continue;
            default:
                if (c >= 0x20)
                    out.append(char(c));
                continue;
            }
        }
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(s[i + 1]))
                c = QChar::surrogateToUcs4(char16_t(c), s[++i]);
            else
                continue;
        } else if (QChar::isLowSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            continue;
        }
        char buffer[4];
        int len;
        if (c < 0x800) {
            buffer[0] = char(0xC0 | (c >> 6));
            buffer[1] = char(0x80 | (c & 0x3F));
            len = 2;
        } else if (c < 0x10000) {
            buffer[0] = char(0xE0 | (c >> 12));
            buffer[1] = char(0x80 | ((c >> 6) & 0x3F));
            buffer[2] = char(0x80 | (c & 0x3F));
            len = 3;
        } else {
            buffer[0] = char(0xF0 | (c >> 18));
            buffer[1] = char(0x80 | ((c >> 12) & 0x3F));
            buffer[2] = char(0x80 | ((c >> 6) & 0x3F));
            buffer[3] = char(0x80 | (c & 0x3F));
            len = 4;
        }
        out.append(buffer, len);
    }
}

DocumentBuilder::DocumentBuilder(Generation generation) : m_generation(generation) {}

void DocumentBuilder::startDocument(MessageKind kind, const DocumentHeader &header)
{
    m_kind = kind;
    m_header = header;
    m_body.clear();
    // About 1.2 kB per transaction in this layout; growing in steps is fine beyond that.
    m_body.reserve(qsizetype(std::max(header.count, 0)) * 1200 + 1024);
    m_transactions = 0;
}

void DocumentBuilder::addCreditTransferHeader(const DocumentHeader &header)
{
    startDocument(MessageKind::CreditTransfer, header);
}

void DocumentBuilder::addDirectDebitHeader(const DocumentHeader &header)
{
    startDocument(MessageKind::DirectDebit, header);
}

void DocumentBuilder::setCountAndTotal(qint32 count, Amount total)
{
    m_header.count = count;
    m_header.total = total;
}

void DocumentBuilder::addCreditTransferTransaction(QStringView creditorName, QStringView purpose,
                                                   QStringView creditorIban, Amount amount,
                                                   QStringView creditorBic, bool ibanOnly)
{
    // The 2009 message has no agent without BIC.
    ibanOnly = ibanOnly && m_generation == Generation::V2019;
    Lines l(m_body);
    l.open(3, "CdtTrfTxInf");
    l.open(4, "PmtId");
    l.leafAscii(5, "EndToEndId", "NOTPROVIDED");
    l.close(4, "PmtId");
    l.open(4, "Amt");
    l.amount(5, "InstdAmt", amount);
    l.close(4, "Amt");
    agent(l, 4, "CdtrAgt", m_generation, creditorBic, ibanOnly);
    partyName(l, 4, "Cdtr", creditorName);
    account(l, 4, "CdtrAcct", creditorIban);
    remittance(l, 4, purpose);
    l.close(3, "CdtTrfTxInf");
    ++m_transactions;
}

void DocumentBuilder::addDirectDebitTransaction(QStringView creditorId, QStringView debtorName,
                                                QStringView purpose, Amount amount,
                                                QStringView debtorIban, QStringView mandateId,
                                                QStringView debtorBic, bool ibanOnly,
                                                const QDate &signatureDate)
{
    Lines l(m_body);
    l.open(3, "DrctDbtTxInf");
    l.open(4, "PmtId");
    l.leafAscii(5, "EndToEndId", "NOTPROVIDED");
    l.close(4, "PmtId");
    l.amount(4, "InstdAmt", amount);
    l.open(4, "DrctDbtTx");
    l.open(5, "MndtRltdInf");
    l.leaf(6, "MndtId", mandateId);
    l.date(6, "DtOfSgntr", signatureDate);
    l.leafAscii(6, "AmdmntInd", "false");
    l.close(5, "MndtRltdInf");
    l.open(5, "CdtrSchmeId");
    l.open(6, "Id");
    l.open(7, "PrvtId");
    l.open(8, "Othr");
    l.leaf(9, "Id", creditorId);
    l.open(9, "SchmeNm");
    l.leafAscii(10, "Prtry", "SEPA");
    l.close(9, "SchmeNm");
    l.close(8, "Othr");
    l.close(7, "PrvtId");
    l.close(6, "Id");
    l.close(5, "CdtrSchmeId");
    l.close(4, "DrctDbtTx");
    agent(l, 4, "DbtrAgt", m_generation, debtorBic, ibanOnly);
    partyName(l, 4, "Dbtr", debtorName);
    account(l, 4, "DbtrAcct", debtorIban);
    remittance(l, 4, purpose);
    l.close(3, "DrctDbtTxInf");
    ++m_transactions;
}

QByteArray DocumentBuilder::head() const
{
    const DocumentHeader &h = m_header;
    const bool transfer = m_kind == MessageKind::CreditTransfer;
    const QByteArray ns =
        "urn:iso:std:iso:20022:tech:xsd:" + messageVersion(m_kind, m_generation).toLatin1();
    QByteArray out;
    out.reserve(2048);
    out.append("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n");
    out.append("<Document xmlns=\"" + ns +
               "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
               "xsi:schemaLocation=\"" +
               ns + ' ' + ns.mid(ns.lastIndexOf(':') + 1) + ".xsd\">\r\n");
    // The message element stands unindented on the third line; its end tag is indented.
    out.append('<').append(rootElement(m_kind)).append(">\r\n");

    Lines l(out);
    l.open(2, "GrpHdr");
    l.leaf(3, "MsgId", h.messageId);
    l.leaf(3, "CreDtTm", h.creationTime.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")));
    l.number(3, "NbOfTxs", h.count);
    l.leafAscii(3, "CtrlSum", formatAmount(h.total).constData());
    partyName(l, 3, "InitgPty", h.partyName);
    l.close(2, "GrpHdr");

    l.open(2, "PmtInf");
    l.leaf(3, "PmtInfId", h.paymentInfoId);
    l.leafAscii(3, "PmtMtd", transfer ? "TRF" : "DD");
    if (transfer) {
        l.number(3, "NbOfTxs", h.count);
        l.leafAscii(3, "CtrlSum", formatAmount(h.total).constData());
    }
    l.open(3, "PmtTpInf");
    l.open(4, "SvcLvl");
    l.leafAscii(5, "Cd", "SEPA");
    l.close(4, "SvcLvl");
    if (!transfer) {
        l.open(4, "LclInstrm");
        l.leaf(5, "Cd", h.localInstrument);
        l.close(4, "LclInstrm");
        l.leafAscii(4, "SeqTp", "FRST");
    }
    l.close(3, "PmtTpInf");
    if (!transfer) {
        l.date(3, "ReqdColltnDt", h.executionDate);
    } else if (m_generation == Generation::V2009) {
        l.date(3, "ReqdExctnDt", h.executionDate);
    } else {
        l.open(3, "ReqdExctnDt");
        l.date(4, "Dt", h.executionDate);
        l.close(3, "ReqdExctnDt");
    }
    const bool partyIbanOnly = h.ibanOnly && (!transfer || m_generation == Generation::V2019);
    partyName(l, 3, transfer ? "Dbtr" : "Cdtr", h.partyName);
    account(l, 3, transfer ? "DbtrAcct" : "CdtrAcct", h.partyIban);
    agent(l, 3, transfer ? "DbtrAgt" : "CdtrAgt", m_generation, h.partyBic, partyIbanOnly);
    l.leafAscii(3, "ChrgBr", "SLEV");
    return out;
}

QByteArray DocumentBuilder::tail() const
{
    QByteArray out;
    Lines l(out);
    l.close(2, "PmtInf");
    l.close(1, rootElement(m_kind));
    l.close(0, "Document");
    return out;
}

QByteArray DocumentBuilder::bytes() const
{
    return head() + m_body + tail();
}

void DocumentBuilder::save(const QString &path) const
{
    platform::AtomicFile file(path);
    file.open();
    file.write(head());
    file.write(m_body);
    file.write(tail());
    file.commit();
}

} // namespace ordovan::sepa
