#pragma once

#include "amount.h"
#include "bytebuffer.h"
#include "generation.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <array>

// The SEPA XML documents: a credit transfer (pain.001) or a direct debit (pain.008) with one
// group header and one payment information block (a direct debit one per sequence type it
// holds), in the 2009 or the 2019 message version.
// The file creation drives it: a header once, a transaction per valid record, then save.
//
// The document is written directly as UTF-8 text in its final layout: the declaration, the
// Document start tag, the message element unindented on the third line, every further
// element on a line of its own indented by two blanks per level, CR LF after every line, no
// byte-order mark. Texts are written as given (the caller has built them), escaped for XML;
// characters XML cannot carry are left out so the file is always well-formed.
//
// The generations differ in their namespaces, the execution date of a credit transfer
// (wrapped in Dt in 2019), BICFI in place of BIC, the banks named without BIC (2019 credit
// transfers leave the payee's bank out, the ordering party's takes the NOTPROVIDED form of
// direct debits), and the debtor address of direct debits from outside the EEA (2009 address
// lines, 2019 town and country with an address line).

namespace ordovan::sepa {

struct DocumentHeader
{
    QString messageId;
    QString paymentInfoId;
    QString partyName;
    QDateTime creationTime;
    QDate executionDate; // ReqdExctnDt or ReqdColltnDt
    qint32 count = 0;
    Amount total = 0;
    QString partyIban;
    QString partyBic;
    QString localInstrument; // direct debit: CORE, COR1 or B2B
    bool ibanOnly = false;   // the ordering party's agent as NOTPROVIDED
};

// A debtor's postal address, written for direct debits from SEPA countries outside the EEA.
struct PostalAddress
{
    QString country; // two letters, from the IBAN
    QString street;  // may be empty
    QString town;    // town and country as stored (OrtLand)

    bool isEmpty() const { return country.isEmpty(); }
};

// The sequence types of direct debits, in the order their blocks are written.
enum class SequenceType
{
    First,     // FRST
    Recurring, // RCUR
    OneOff,    // OOFF
    Final,     // FNAL
};
inline constexpr int kSequenceTypeCount = 4;
QString sequenceTypeCode(SequenceType type);

// One transaction as it is written: the payee of a credit transfer or the debtor of a
// direct debit. The caller has checked and built every value.
struct Transaction
{
    QString name;
    QString purpose; // empty: no remittance information
    QString iban;
    // Empty: the bank is not named by BIC (NOTPROVIDED in a direct debit; no agent at all in
    // a 2019 credit transfer).
    QString bic;
    Amount amount = 0;
    // Direct debits only.
    QString creditorId;
    QString mandateId;
    QDate signatureDate;
    SequenceType sequenceType = SequenceType::First;
    PostalAddress address;
};

// "pain.001.001.03", "pain.008.001.08", ...
QString messageVersion(MessageKind kind, Generation generation);

class DocumentBuilder
{
public:
    explicit DocumentBuilder(Generation generation = Generation::V2009);

    // Each header starts a new document and discards the one before.
    void addCreditTransferHeader(const DocumentHeader &header);
    void addCreditTransferTransaction(const Transaction &t);
    void addDirectDebitHeader(const DocumentHeader &header);
    void addDirectDebitTransaction(const Transaction &t);

    // The head carries the count and total it was given; after an interruption the caller
    // puts in what was actually added.
    void setCountAndTotal(qint32 count, Amount total);
    int transactionCount() const { return m_transactions; }
    MessageKind kind() const { return m_kind; }
    Generation generation() const { return m_generation; }

    // The whole file.
    QByteArray bytes() const;
    // Writes the file atomically (the previous file stays on failure); throws Error.
    void save(const QString &path) const;
    void saveCreditTransferFile(const QString &path) const { save(path); }
    void saveDirectDebitFile(const QString &path) const { save(path); }

private:
    // The transactions of one payment information block.
    struct Block
    {
        ByteBuffer body;
        qint64 count = 0;
        Amount total = 0;
    };

    void startDocument(MessageKind kind, const DocumentHeader &header);
    ByteBuffer &bodyFor(SequenceType type, Amount amount);
    void writeGroupHeader(ByteBuffer &out) const;
    void writePaymentInfoHead(ByteBuffer &out, SequenceType type, const QString &id, qint64 count,
                              Amount total) const;
    template<typename Write>
    void writePieces(Write &&write) const;

    Generation m_generation;
    MessageKind m_kind = MessageKind::CreditTransfer;
    DocumentHeader m_header;
    std::array<Block, kSequenceTypeCount> m_blocks; // credit transfers use the first
    int m_transactions = 0;
};

// Appends the text as UTF-8 with &, <, > escaped and CR, LF as character references;
// characters XML 1.0 cannot carry are dropped.
void appendXmlText(QByteArray &out, QStringView text);

} // namespace ordovan::sepa
