#pragma once

#include "amount.h"
#include "document.h"
#include "generation.h"

#include <QString>
#include <QStringList>

#include <QDate>

#include <optional>

// What the file creation does to one payment record before it reaches the document: the
// checks in the order name, BIC, IBAN, amount, mandate reference (every one tried, each
// failure one log text), then the values as they are written, with a note for every value
// that had to be cut or adjusted. The same for the ordering party, whose failures stop the
// run with a message instead.

namespace ordovan::sepa {

namespace text {
// Log texts after " SEPA-Datei Datensatz ID <n>".
inline const QString kNoAccountHolder = QStringLiteral(" FEHLER: Kein Kontoinhaber angegeben");
inline const QString kBadBic = QStringLiteral(" FEHLER: Ungültiger BIC");
inline const QString kBadIban = QStringLiteral(" FEHLER: Ungültige IBAN");
inline const QString kIbanOutsideSepa = QStringLiteral(" FEHLER: IBAN außerhalb des SEPA-Raums");
inline const QString kBicRequired =
    QStringLiteral(" FEHLER: BIC erforderlich (Land außerhalb des EWR)");
inline const QString kAddressRequired =
    QStringLiteral(" FEHLER: Anschrift erforderlich (Land außerhalb des EWR)");
inline const QString kBadAmount = QStringLiteral(" FEHLER: Ungültiger Betrag");
inline const QString kNoMandate = QStringLiteral(" FEHLER: Keine Mandatsreferenz");
inline const QString kBadMandate = QStringLiteral(" FEHLER: Ungültige Mandatsreferenz");
inline const QString kBadMandateDate = QStringLiteral(" FEHLER: Ungültiges Mandatsdatum");
inline const QString kBadSequenceType = QStringLiteral(" FEHLER: Ungültiger Sequenztyp");
inline const QString kNameCut = QStringLiteral(" HINWEIS: Name gekürzt");
inline const QString kPurposeCut = QStringLiteral(" HINWEIS: Verwendungszweck gekürzt");
inline const QString kMandateAdjusted = QStringLiteral(" HINWEIS: Mandatsreferenz angepasst");

// Messages (error, OK) for an ordering party the run cannot use.
inline const QString kPartyName =
    QStringLiteral("Auftraggeber-Name nicht angeben. Bitte in Fenster \"Mandanten\" eingeben.");
inline const QString kPartyBic =
    QStringLiteral("Auftraggeber-BIC fehlerhaft. Bitte in Fenster \"Mandanten\" korrigieren.");
inline const QString kPartyIban =
    QStringLiteral("Auftraggeber-IBAN fehlerhaft. Bitte in Fenster \"Mandanten\" korrigieren.");
inline const QString kPartyCreditorIdMissing =
    QStringLiteral("Auftraggeber-Gläubiger-ID fehlt. Bitte in Fenster \"Mandanten\" eingeben.");
inline const QString kPartyCreditorIdInvalid = QStringLiteral(
    "Auftraggeber-Gläubiger-ID fehlerhaft. Bitte in Fenster \"Mandanten\" korrigieren.");
} // namespace text

inline constexpr int kMaxNameLength = 70;
inline constexpr int kMaxPurposeLength = 140;
inline constexpr int kMaxIdentifierLength = 35;
inline constexpr int kMaxAddressLineLength = 70;
inline constexpr int kMaxTownLength = 35;
// 999.999.999,99 EUR, the largest amount a SEPA transaction may carry.
inline constexpr Amount kMaxTransactionAmount = 9'999'999'999'900;

struct RunOptions
{
    Generation generation = Generation::V2009;
    MessageKind kind = MessageKind::CreditTransfer;
    // No agent is named by BIC and record BICs are not checked.
    bool ibanOnly = false;
    // The date the collections fall due; no mandate may be signed after it.
    QDate dueDate;
};

// FRST, RCUR, OOFF, FNAL in any letter case, or the German words Erst, Folge, Einmal,
// Letzte; nothing for anything else.
std::optional<SequenceType> parseSequenceType(QStringView text);

// The stored fields of a record that the file uses.
struct RecordFields
{
    QString name1;
    QString name2;
    QString iban;
    QString bic; // kept in the field BLZ
    QString mandate;
    QString purpose;
    QString street;      // Straße
    QString townCountry; // OrtLand
    std::optional<double> amount;
    // Mandate data of direct debits; a text the import could not read is refused.
    std::optional<QDate> mandateDate;
    bool mandateDateUnreadable = false;
    QString sequenceType; // empty: a first collection
    bool sequenceTypeUnreadable = false;
};

struct CheckedRecord
{
    QStringList failures; // FEHLER texts in check order; empty when valid
    QStringList notes;    // HINWEIS texts of a valid record
    QString name;
    QString purpose; // empty: no remittance information
    QString iban;
    QString bic; // empty with IBAN only (but for countries outside the EEA)
    QString mandate;
    PostalAddress address;            // direct debits from outside the EEA only
    std::optional<QDate> mandateDate; // none: signed on the day the file is made
    SequenceType sequenceType = SequenceType::First;
    Amount amount = 0;

    bool valid() const { return failures.isEmpty(); }
};

// Checks the record and, when valid, builds its values. Names, purposes and mandate
// references are mapped to the banks' character set in both generations. runningTotal is the sum of
// the records accepted before it: an amount that would make the total overflow is refused. Without
// values only the checks run (and the amount is set), for counting.
CheckedRecord checkRecord(const RecordFields &fields, const RunOptions &options,
                          Amount runningTotal, bool withValues = true);

struct OrderingPartyFields
{
    QString name;
    QString iban;
    QString bic;
    QString creditorId;
};

struct CheckedParty
{
    QString failure; // the message to show; empty when the party is usable
    QString name;
    QString iban;
    QString bic;
    QString creditorId;
};

// Name, BIC (also with IBAN only), IBAN, and for a direct debit the creditor identifier,
// stopping at the first failure.
CheckedParty checkOrderingParty(const OrderingPartyFields &fields, const RunOptions &options);

} // namespace ordovan::sepa
