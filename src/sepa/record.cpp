#include "record.h"

#include "platform/german.h"

#include "platform/error.h"
#include "text.h"
#include "validation.h"

namespace ordovan::sepa {

namespace {

bool passes(auto &&check)
{
    try {
        check();
        return true;
    } catch (const Error &) {
        return false;
    }
}

// A name or purpose as written: mapped to the bank character set in 2019, then cut.
QString finishText(QString text, const RunOptions &options, int maxLength, bool &cut)
{
    if (options.generation == Generation::V2019)
        text = mapToCharacterSet(text, CharacterSet::NameOrPurpose);
    cut = text.size() > maxLength;
    if (cut)
        text.truncate(maxLength);
    return text;
}

QString writtenIdentifier(const QString &stored, const RunOptions &options)
{
    QString id = dropControlCharacters(stored);
    if (options.generation == Generation::V2019)
        id = mapToCharacterSet(id, CharacterSet::Identifier);
    return id;
}

} // namespace

CheckedRecord checkRecord(const RecordFields &fields, const RunOptions &options,
                          Amount runningTotal, bool withValues)
{
    CheckedRecord r;
    const QString name1 = dropControlCharacters(fields.name1);
    if (!passes([&] { ValidateName(name1); }))
        r.failures << text::kNoAccountHolder;

    const QString bic = dropControlCharacters(fields.bic);
    if (!options.ibanOnly && !passes([&] { ValidateBIC(bic, options.generation); }))
        r.failures << text::kBadBic;

    const QString iban = dropControlCharacters(fields.iban);
    if (!passes([&] { ValidateIBAN(iban); }))
        r.failures << text::kBadIban;

    const std::optional<Amount> amount =
        fields.amount ? convertAmount(*fields.amount) : std::nullopt;
    Amount total = runningTotal;
    if (!amount || *amount <= 0 || !addAmount(total, *amount))
        r.failures << text::kBadAmount;

    QString mandate;
    if (options.kind == MessageKind::DirectDebit) {
        mandate = writtenIdentifier(fields.mandate, options);
        if (mandate.isEmpty())
            r.failures << text::kNoMandate;
        else if (mandate.size() > kMaxIdentifierLength)
            r.failures << text::kBadMandate;
    }
    if (!r.valid() || !withValues) {
        r.amount = amount.value_or(0);
        return r;
    }

    bool cut = false;
    r.name = finishText(buildName(name1, dropControlCharacters(fields.name2)), options,
                        kMaxNameLength, cut);
    if (cut)
        r.notes << text::kNameCut;
    r.purpose = finishText(buildPurpose(dropControlCharacters(fields.purpose)), options,
                           kMaxPurposeLength, cut);
    if (cut)
        r.notes << text::kPurposeCut;
    if (options.kind == MessageKind::DirectDebit) {
        r.mandate = mandate;
        if (mandate != fields.mandate)
            r.notes << text::kMandateAdjusted;
    }
    r.iban = normalizedIban(iban);
    if (!options.ibanOnly)
        r.bic = normalizedBic(bic);
    r.amount = amount.value_or(0);
    return r;
}

CheckedParty checkOrderingParty(const OrderingPartyFields &fields, const RunOptions &options)
{
    CheckedParty p;
    const QString name = dropControlCharacters(fields.name);
    const QString bic = dropControlCharacters(fields.bic);
    const QString iban = dropControlCharacters(fields.iban);
    if (!passes([&] { ValidateName(name); }))
        p.failure = text::kPartyName;
    else if (!passes([&] { ValidateBIC(bic, options.generation); }))
        p.failure = text::kPartyBic;
    else if (!passes([&] { ValidateIBAN(iban); }))
        p.failure = text::kPartyIban;
    if (!p.failure.isEmpty())
        return p;

    if (options.kind == MessageKind::DirectDebit) {
        // The creditor identifier is never adjusted silently: a 2019 file refuses what the
        // bank character set cannot hold (umlauts aside, which are spelled out).
        QString id = dropControlCharacters(fields.creditorId);
        if (options.generation == Generation::V2019)
            id = german::TransliterateUmlauts(id);
        if (id.isEmpty()) {
            p.failure = text::kPartyCreditorIdMissing;
            return p;
        }
        if (id.size() > kMaxIdentifierLength || (options.generation == Generation::V2019 &&
                                                 !isInCharacterSet(id, CharacterSet::Identifier))) {
            p.failure = text::kPartyCreditorIdInvalid;
            return p;
        }
        p.creditorId = id;
    }

    bool cut = false;
    p.name = finishText(german::TransliterateUmlauts(name), options, kMaxNameLength, cut);
    p.iban = normalizedIban(iban);
    p.bic = normalizedBic(bic);
    return p;
}

} // namespace ordovan::sepa
