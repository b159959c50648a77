#include "document.h"

#include "platform/files.h"

#include <algorithm>
#include <cstring>

namespace ordovan::sepa {

namespace {

constexpr char kSpaces[] = "                                        ";

// Writes lines of the final layout: an element on a line of its own, indented by two blanks
// per level, CR LF at the end. Tags are literals, so their lengths are known at compile time.
class Lines
{
public:
    explicit Lines(ByteBuffer &out) : m_out(out) {}

    template<size_t N>
    void open(int level, const char (&tag)[N])
    {
        indent(level);
        m_out.append('<');
        m_out.literal(tag);
        m_out.literal(">\r\n");
    }
    template<size_t N>
    void close(int level, const char (&tag)[N])
    {
        indent(level);
        m_out.literal("</");
        m_out.literal(tag);
        m_out.literal(">\r\n");
    }
    template<size_t N>
    void leaf(int level, const char (&tag)[N], QStringView text)
    {
        start(level, tag);
        m_out.appendXmlText(text);
        end(tag);
    }
    template<size_t N>
    void leafAscii(int level, const char (&tag)[N], const char *text, size_t length)
    {
        start(level, tag);
        m_out.append(text, length);
        end(tag);
    }
    template<size_t N, size_t M>
    void leafAscii(int level, const char (&tag)[N], const char (&text)[M])
    {
        leafAscii(level, tag, text, M - 1);
    }
    template<size_t N>
    void amount(int level, const char (&tag)[N], Amount value)
    {
        char buffer[32];
        const int n = writeAmount(buffer, value);
        indent(level);
        m_out.append('<');
        m_out.literal(tag);
        m_out.literal(" Ccy=\"EUR\">");
        m_out.append(buffer, size_t(n));
        end(tag);
    }
    template<size_t N>
    void plainAmount(int level, const char (&tag)[N], Amount value)
    {
        char buffer[32];
        leafAscii(level, tag, buffer, size_t(writeAmount(buffer, value)));
    }
    template<size_t N>
    void date(int level, const char (&tag)[N], const QDate &d)
    {
        char buffer[16];
        leafAscii(level, tag, buffer, size_t(formatIsoDate(buffer, d)));
    }
    template<size_t N>
    void number(int level, const char (&tag)[N], qint64 value)
    {
        const QByteArray n = QByteArray::number(value);
        leafAscii(level, tag, n.constData(), size_t(n.size()));
    }
    // For tags chosen at run time.
    void openTag(int level, const char *tag)
    {
        indent(level);
        m_out.append('<');
        m_out.append(tag, std::strlen(tag));
        m_out.literal(">\r\n");
    }
    void closeTag(int level, const char *tag)
    {
        indent(level);
        m_out.literal("</");
        m_out.append(tag, std::strlen(tag));
        m_out.literal(">\r\n");
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
    void indent(int level) { m_out.append(kSpaces, size_t(2 * level)); }
    template<size_t N>
    void start(int level, const char (&tag)[N])
    {
        indent(level);
        m_out.append('<');
        m_out.literal(tag);
        m_out.append('>');
    }
    template<size_t N>
    void end(const char (&tag)[N])
    {
        m_out.literal("</");
        m_out.literal(tag);
        m_out.literal(">\r\n");
    }
    ByteBuffer &m_out;
};

const char *rootElement(MessageKind kind)
{
    return kind == MessageKind::CreditTransfer ? "CstmrCdtTrfInitn" : "CstmrDrctDbtInitn";
}

// FinInstnId with the BIC, or with Othr/Id NOTPROVIDED when no BIC is named.
template<size_t N>
void agent(Lines &l, int level, const char (&tag)[N], Generation generation, QStringView bic,
           bool ibanOnly)
{
    l.open(level, tag);
    l.open(level + 1, "FinInstnId");
    if (ibanOnly) {
        l.open(level + 2, "Othr");
        l.leafAscii(level + 3, "Id", "NOTPROVIDED");
        l.close(level + 2, "Othr");
    } else if (generation == Generation::V2009) {
        l.leaf(level + 2, "BIC", bic);
    } else {
        l.leaf(level + 2, "BICFI", bic);
    }
    l.close(level + 1, "FinInstnId");
    l.close(level, tag);
}

template<size_t N>
void partyName(Lines &l, int level, const char (&tag)[N], QStringView name)
{
    l.open(level, tag);
    l.leaf(level + 1, "Nm", name);
    l.close(level, tag);
}

template<size_t N>
void account(Lines &l, int level, const char (&tag)[N], QStringView iban)
{
    l.open(level, tag);
    l.open(level + 1, "Id");
    l.leaf(level + 2, "IBAN", iban);
    l.close(level + 1, "Id");
    l.close(level, tag);
}

// 2009: country and up to two address lines. 2019: the hybrid form, town and country with
// the street as an address line.
void postalAddress(Lines &l, int level, Generation generation, const PostalAddress &a)
{
    l.open(level, "PstlAdr");
    if (generation == Generation::V2009) {
        l.leaf(level + 1, "Ctry", a.country);
        if (!a.street.isEmpty())
            l.leaf(level + 1, "AdrLine", a.street);
        l.leaf(level + 1, "AdrLine", a.town);
    } else {
        l.leaf(level + 1, "TwnNm", a.town);
        l.leaf(level + 1, "Ctry", a.country);
        if (!a.street.isEmpty())
            l.leaf(level + 1, "AdrLine", a.street);
    }
    l.close(level, "PstlAdr");
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

void ByteBuffer::appendXmlText(QStringView text)
{
    const qsizetype n = text.size();
    const char16_t *s = text.utf16();
    // At most five bytes per UTF-16 unit ("&amp;", "&#13;"; UTF-8 needs at most three).
    char *const begin = room(size_t(n) * 5);
    char *p = begin;
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            if (c >= 0x20 && c != '&' && c != '<' && c != '>') {
                *p++ = char(c);
                continue;
            }
            const char *ref = nullptr;
            switch (c) {
            case '&':
                ref = "&amp;";
                break;
            case '<':
                ref = "&lt;";
                break;
            case '>':
                ref = "&gt;";
                break;
            case '\r':
                ref = "&#13;";
                break;
            case '\n':
                ref = "&#10;";
                break;
            case '\t':
                *p++ = '\t';
                continue;
            default:
                continue; // other control characters cannot stand in XML
            }
            const size_t len = std::strlen(ref);
            std::memcpy(p, ref, len);
            p += len;
            continue;
        }
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(s[i + 1]))
                c = QChar::surrogateToUcs4(char16_t(c), s[++i]);
            else
                continue;
        } else if (QChar::isLowSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            continue;
        }
        if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else {
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    commit(size_t(p - begin));
}

void appendXmlText(QByteArray &out, QStringView text)
{
    ByteBuffer buffer;
    buffer.appendXmlText(text);
    out.append(buffer.data(), qsizetype(buffer.size()));
}

DocumentBuilder::DocumentBuilder(Generation generation) : m_generation(generation) {}

QString sequenceTypeCode(SequenceType type)
{
    switch (type) {
    case SequenceType::Recurring:
        return QStringLiteral("RCUR");
    case SequenceType::OneOff:
        return QStringLiteral("OOFF");
    case SequenceType::Final:
        return QStringLiteral("FNAL");
    case SequenceType::First:
        break;
    }
    return QStringLiteral("FRST");
}

void DocumentBuilder::startDocument(MessageKind kind, const DocumentHeader &header)
{
    m_kind = kind;
    m_header = header;
    for (Block &b : m_blocks) {
        b.body.clear();
        b.count = 0;
        b.total = 0;
    }
    // About 1.2 kB per transaction in this layout; growing in steps is fine beyond that.
    m_blocks[0].body.reserve(size_t(std::max(header.count, 0)) * 1200 + 1024);
    m_transactions = 0;
}

ByteBuffer &DocumentBuilder::bodyFor(SequenceType type, Amount amount)
{
    Block &b = m_blocks[size_t(type)];
    ++b.count;
    b.total += amount;
    ++m_transactions;
    return b.body;
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

void DocumentBuilder::addCreditTransferTransaction(const Transaction &t)
{
    Lines l(bodyFor(SequenceType::First, t.amount));
    l.open(3, "CdtTrfTxInf");
    l.open(4, "PmtId");
    l.leafAscii(5, "EndToEndId", "NOTPROVIDED");
    l.close(4, "PmtId");
    l.open(4, "Amt");
    l.amount(5, "InstdAmt", t.amount);
    l.close(4, "Amt");
    // The 2009 message always names the payee's bank; the 2019 one leaves out a bank it
    // cannot name by BIC (the banks admit no other form there).
    if (m_generation == Generation::V2009 || !t.bic.isEmpty())
        agent(l, 4, "CdtrAgt", m_generation, t.bic, false);
    partyName(l, 4, "Cdtr", t.name);
    account(l, 4, "CdtrAcct", t.iban);
    remittance(l, 4, t.purpose);
    l.close(3, "CdtTrfTxInf");
}

void DocumentBuilder::addDirectDebitTransaction(const Transaction &t)
{
    Lines l(bodyFor(t.sequenceType, t.amount));
    l.open(3, "DrctDbtTxInf");
    l.open(4, "PmtId");
    l.leafAscii(5, "EndToEndId", "NOTPROVIDED");
    l.close(4, "PmtId");
    l.amount(4, "InstdAmt", t.amount);
    l.open(4, "DrctDbtTx");
    l.open(5, "MndtRltdInf");
    l.leaf(6, "MndtId", t.mandateId);
    l.date(6, "DtOfSgntr", t.signatureDate);
    l.leafAscii(6, "AmdmntInd", "false");
    l.close(5, "MndtRltdInf");
    l.open(5, "CdtrSchmeId");
    l.open(6, "Id");
    l.open(7, "PrvtId");
    l.open(8, "Othr");
    l.leaf(9, "Id", t.creditorId);
    l.open(9, "SchmeNm");
    l.leafAscii(10, "Prtry", "SEPA");
    l.close(9, "SchmeNm");
    l.close(8, "Othr");
    l.close(7, "PrvtId");
    l.close(6, "Id");
    l.close(5, "CdtrSchmeId");
    l.close(4, "DrctDbtTx");
    agent(l, 4, "DbtrAgt", m_generation, t.bic, t.bic.isEmpty());
    l.open(4, "Dbtr");
    l.leaf(5, "Nm", t.name);
    if (!t.address.isEmpty())
        postalAddress(l, 5, m_generation, t.address);
    l.close(4, "Dbtr");
    account(l, 4, "DbtrAcct", t.iban);
    remittance(l, 4, t.purpose);
    l.close(3, "DrctDbtTxInf");
}

void DocumentBuilder::writeGroupHeader(ByteBuffer &out) const
{
    const DocumentHeader &h = m_header;
    const QByteArray version = messageVersion(m_kind, m_generation).toLatin1();
    const QByteArray ns = "urn:iso:std:iso:20022:tech:xsd:" + version;
    const QByteArray documentTag = "<Document xmlns=\"" + ns +
                                   "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                                   "xsi:schemaLocation=\"" +
                                   ns + ' ' + version + ".xsd\">\r\n";
    out.literal("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n");
    out.append(documentTag.constData(), size_t(documentTag.size()));
    // The message element stands unindented on the third line; its end tag is indented.
    Lines l(out);
    l.openTag(0, rootElement(m_kind));

    l.open(2, "GrpHdr");
    l.leaf(3, "MsgId", h.messageId);
    l.leaf(3, "CreDtTm", h.creationTime.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")));
    l.number(3, "NbOfTxs", h.count);
    l.plainAmount(3, "CtrlSum", h.total);
    partyName(l, 3, "InitgPty", h.partyName);
    l.close(2, "GrpHdr");
}

void DocumentBuilder::writePaymentInfoHead(ByteBuffer &out, SequenceType type, const QString &id,
                                           qint64 count, Amount total) const
{
    const DocumentHeader &h = m_header;
    const bool transfer = m_kind == MessageKind::CreditTransfer;
    Lines l(out);
    l.open(2, "PmtInf");
    l.leaf(3, "PmtInfId", id);
    if (transfer)
        l.leafAscii(3, "PmtMtd", "TRF");
    else
        l.leafAscii(3, "PmtMtd", "DD");
    // The banks want the block's count and sum in direct debits as well.
    l.number(3, "NbOfTxs", count);
    l.plainAmount(3, "CtrlSum", total);
    l.open(3, "PmtTpInf");
    l.open(4, "SvcLvl");
    l.leafAscii(5, "Cd", "SEPA");
    l.close(4, "SvcLvl");
    if (!transfer) {
        l.open(4, "LclInstrm");
        l.leaf(5, "Cd", h.localInstrument);
        l.close(4, "LclInstrm");
        l.leaf(4, "SeqTp", sequenceTypeCode(type));
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
    if (transfer) {
        // The 2009 message has no agent without BIC.
        const bool ibanOnly = h.ibanOnly && m_generation == Generation::V2019;
        partyName(l, 3, "Dbtr", h.partyName);
        account(l, 3, "DbtrAcct", h.partyIban);
        agent(l, 3, "DbtrAgt", m_generation, h.partyBic, ibanOnly);
    } else {
        partyName(l, 3, "Cdtr", h.partyName);
        account(l, 3, "CdtrAcct", h.partyIban);
        agent(l, 3, "CdtrAgt", m_generation, h.partyBic, h.ibanOnly);
    }
    l.leafAscii(3, "ChrgBr", "SLEV");
}

// Calls write(bytes, size) for every piece of the file in order: the group header, then one
// payment information block per sequence type that has transactions (FRST, RCUR, OOFF, FNAL),
// then the end tags. A document without transactions keeps one empty block.
template<typename Write>
void DocumentBuilder::writePieces(Write &&write) const
{
    ByteBuffer head;
    writeGroupHeader(head);
    write(head.data(), head.size());
    int used = 0;
    for (const Block &b : m_blocks)
        used += b.count > 0;
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        const Block &b = m_blocks[i];
        if (b.count == 0 && (used > 0 || i > 0))
            continue;
        const auto type = SequenceType(i);
        // One block carries the head's count and total, as the caller computed them; several
        // carry their own, and each its own id.
        QString id = m_header.paymentInfoId;
        qint64 count = m_header.count;
        Amount total = m_header.total;
        if (used > 1) {
            id += u'-' + sequenceTypeCode(type);
            count = b.count;
            total = b.total;
        }
        ByteBuffer blockHead;
        writePaymentInfoHead(blockHead, type, id, count, total);
        write(blockHead.data(), blockHead.size());
        write(b.body.data(), b.body.size());
        ByteBuffer end;
        Lines(end).close(2, "PmtInf");
        write(end.data(), end.size());
    }
    ByteBuffer tail;
    Lines l(tail);
    l.closeTag(1, rootElement(m_kind));
    l.close(0, "Document");
    write(tail.data(), tail.size());
}

QByteArray DocumentBuilder::bytes() const
{
    QByteArray out;
    writePieces([&](const char *data, size_t size) { out.append(data, qsizetype(size)); });
    return out;
}

void DocumentBuilder::save(const QString &path) const
{
    platform::AtomicFile file(path);
    file.open();
    writePieces([&](const char *data, size_t size) { file.write(data, qint64(size)); });
    file.commit();
}

} // namespace ordovan::sepa
