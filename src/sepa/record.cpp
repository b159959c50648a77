#include "record.h"

#include "base/error.h"
#include "base/german.h"
#include "countries.h"
#include "text.h"
#include "validation.h"

#include <algorithm>

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

bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

// A text as written: mapped to the banks' character set, then cut.
QString finishText(const QString &text, int maxLength, bool &cut)
{
    QString mapped = mapToCharacterSet(text, CharacterSet::NameOrPurpose);
    cut = mapped.size() > maxLength;
    if (cut)
        mapped.truncate(maxLength);
    return mapped;
}

QString finishText(const QString &text, int maxLength)
{
    bool cut = false;
    return finishText(text, maxLength, cut);
}

QString writtenIdentifier(const QString &stored)
{
    return mapToCharacterSet(dropControlCharacters(stored), CharacterSet::Identifier);
}

// The banks refuse a reference with an empty part between slashes or at either end.
bool isUsableMandate(QStringView mandate)
{
    return mandate.size() <= kMaxIdentifierLength && !mandate.startsWith(u'/') &&
           !mandate.endsWith(u'/') && !mandate.contains(u"//");
}

} // namespace

std::optional<SequenceType> parseSequenceType(QStringView text)
{
    const QStringView t = text.trimmed();
    const struct
    {
        const char16_t *code;
        const char16_t *word;
        SequenceType type;
    } types[] = {{u"FRST", u"Erst", SequenceType::First},
                 {u"RCUR", u"Folge", SequenceType::Recurring},
                 {u"OOFF", u"Einmal", SequenceType::OneOff},
                 {u"FNAL", u"Letzte", SequenceType::Final}};
    for (const auto &e : types) {
        if (t.compare(QStringView(e.code), Qt::CaseInsensitive) == 0 ||
            t.compare(QStringView(e.word), Qt::CaseInsensitive) == 0)
            return e.type;
    }
    return std::nullopt;
}

CheckedRecord checkRecord(const RecordFields &fields, const RunOptions &options,
                          Amount runningTotal, bool withValues)
{
    CheckedRecord r;
    const QString name1 = dropControlCharacters(fields.name1);
    const QString name2 = dropControlCharacters(fields.name2);
    if (!passes([&] { validateName(name1); }) || (isBlank(name1) && isBlank(name2)))
        r.failures << text::kNoAccountHolder;

    const QString iban = dropControlCharacters(fields.iban);
    const bool ibanValid = passes([&] { validateIban(iban); });
    const QString country = ibanValid ? ibanCountry(iban) : QString();
    const bool outsideEea = ibanValid && isSepaCountryOutsideEea(country);

    // Banks outside the EEA are always named by their BIC.
    const QString bic = dropControlCharacters(fields.bic);
    const bool bicNeeded = !options.ibanOnly || outsideEea;
    if (bicNeeded && !passes([&] { validateBic(bic, options.generation); }))
        r.failures << (options.ibanOnly && isBlank(bic) ? text::kBicRequired : text::kBadBic);

    if (!ibanValid)
        r.failures << text::kBadIban;
    else if (!isSepaCountry(country))
        r.failures << text::kIbanOutsideSepa;

    const std::optional<Amount> amount =
        fields.amount ? convertAmount(*fields.amount) : std::nullopt;
    Amount total = runningTotal;
    if (!amount || *amount <= 0 || *amount > kMaxTransactionAmount || !addAmount(total, *amount))
        r.failures << text::kBadAmount;

    const bool directDebit = options.kind == MessageKind::DirectDebit;
    QString mandate;
    if (directDebit) {
        mandate = writtenIdentifier(fields.mandate);
        if (mandate.isEmpty())
            r.failures << text::kNoMandate;
        else if (!isUsableMandate(mandate))
            r.failures << text::kBadMandate;
    }

    std::optional<SequenceType> sequence = SequenceType::First;
    if (directDebit) {
        if (fields.mandateDateUnreadable || (fields.mandateDate && options.dueDate.isValid() &&
                                             *fields.mandateDate > options.dueDate))
            r.failures << text::kBadMandateDate;
        if (!fields.sequenceType.isEmpty())
            sequence = parseSequenceType(fields.sequenceType);
        if (fields.sequenceTypeUnreadable || !sequence)
            r.failures << text::kBadSequenceType;
    }

    const QString town = dropControlCharacters(fields.townCountry);
    if (directDebit && outsideEea && isBlank(town))
        r.failures << text::kAddressRequired;

    r.amount = amount.value_or(0);
    if (!r.valid() || !withValues)
        return r;

    bool cut = false;
    r.name = finishText(buildName(name1, name2), kMaxNameLength, cut);
    if (cut)
        r.notes << text::kNameCut;
    r.purpose =
        finishText(buildPurpose(dropControlCharacters(fields.purpose)), kMaxPurposeLength, cut);
    if (cut)
        r.notes << text::kPurposeCut;
    if (directDebit) {
        r.mandate = mandate;
        if (mandate != fields.mandate)
            r.notes << text::kMandateAdjusted;
        r.mandateDate = fields.mandateDate;
        r.sequenceType = *sequence;
    }
    r.iban = normalizedIban(iban);
    if (bicNeeded)
        r.bic = normalizedBic(bic);
    if (directDebit && outsideEea) {
        r.address.country = country;
        const QString street = dropControlCharacters(fields.street);
        if (!isBlank(street))
            r.address.street =
                finishText(german::transliterateUmlauts(street.trimmed()), kMaxAddressLineLength);
        const int townLength =
            options.generation == Generation::V2019 ? kMaxTownLength : kMaxAddressLineLength;
        r.address.town = finishText(german::transliterateUmlauts(town.trimmed()), townLength);
    }
    return r;
}

CheckedParty checkOrderingParty(const OrderingPartyFields &fields, const RunOptions &options)
{
    CheckedParty p;
    const QString name = dropControlCharacters(fields.name);
    const QString bic = dropControlCharacters(fields.bic);
    const QString iban = dropControlCharacters(fields.iban);
    if (!passes([&] { validateName(name); }) || isBlank(name))
        p.failure = text::kPartyName;
    else if (!passes([&] { validateBic(bic, options.generation); }))
        p.failure = text::kPartyBic;
    else if (!passes([&] { validateIban(iban); }) || !isSepaCountry(ibanCountry(iban)))
        p.failure = text::kPartyIban;
    if (!p.failure.isEmpty())
        return p;

    if (options.kind == MessageKind::DirectDebit) {
        // The creditor identifier is never adjusted beyond blanks and capitals: a wrong one
        // would have every collection of the file returned.
        const QString stored = dropControlCharacters(fields.creditorId);
        if (isBlank(stored)) {
            p.failure = text::kPartyCreditorIdMissing;
            return p;
        }
        const std::optional<QString> id = checkedCreditorIdentifier(stored);
        if (!id) {
            p.failure = text::kPartyCreditorIdInvalid;
            return p;
        }
        p.creditorId = *id;
    }

    p.name = finishText(german::transliterateUmlauts(name), kMaxNameLength);
    p.iban = normalizedIban(iban);
    p.bic = normalizedBic(bic);
    return p;
}

} // namespace ordovan::sepa
