#pragma once

#include "amount.h"
#include "bytebuffer.h"
#include "generation.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

// The SEPA XML documents: a credit transfer (pain.001) or a direct debit (pain.008) with one
// group header and one payment information block, in the 2009 or the 2019 message version.
// The file creation drives it: a header once, a transaction per valid record, then save.
//
// The document is written directly as UTF-8 text in its final layout: the declaration, the
// Document start tag, the message element unindented on the third line, every further
// element on a line of its own indented by two blanks per level, CR LF after every line, no
// byte-order mark. Texts are written as given (the caller has built them), escaped for XML;
// characters XML cannot carry are left out so the file is always well-formed.
//
// The generations differ only in their namespaces, the execution date of a credit transfer
// (wrapped in Dt in 2019), BICFI in place of BIC, and, with IBAN only, the agents of 2019
// credit transfers, which then take the NOTPROVIDED form as direct debits always do.

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

// "pain.001.001.03", "pain.008.001.08", ...
QString messageVersion(MessageKind kind, Generation generation);

class DocumentBuilder
{
public:
    explicit DocumentBuilder(Generation generation = Generation::V2009);

    // Each header starts a new document and discards the one before.
    void addCreditTransferHeader(const DocumentHeader &header);
    void addCreditTransferTransaction(QStringView creditorName, QStringView purpose,
                                      QStringView creditorIban, Amount amount,
                                      QStringView creditorBic, bool ibanOnly = false);
    void addDirectDebitHeader(const DocumentHeader &header);
    void addDirectDebitTransaction(QStringView creditorId, QStringView debtorName,
                                   QStringView purpose, Amount amount, QStringView debtorIban,
                                   QStringView mandateId, QStringView debtorBic, bool ibanOnly,
                                   const QDate &signatureDate);

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
    void startDocument(MessageKind kind, const DocumentHeader &header);
    void writeHead(ByteBuffer &out) const;
    void writeTail(ByteBuffer &out) const;

    Generation m_generation;
    MessageKind m_kind = MessageKind::CreditTransfer;
    DocumentHeader m_header;
    ByteBuffer m_body; // the transactions
    int m_transactions = 0;
};

// Appends the text as UTF-8 with &, <, > escaped and CR, LF as character references;
// characters XML 1.0 cannot carry are dropped.
void appendXmlText(QByteArray &out, QStringView text);

} // namespace ordovan::sepa
