#pragma once

#include <QStringView>

// Country tables of the SEPA checks, each in one place: the IBAN lengths of the ISO 13616
// registry, the SEPA area, and which SEPA countries lie outside the European Economic Area
// (their payments need the bank's BIC and, for a direct debit, the debtor's address).

namespace ordovan::sepa {

// The IBAN length registered for the two-letter country code, or 0 when the country has
// no IBAN in the registry.
int registeredIbanLength(QStringView country);

// Countries whose banks take part in the SEPA schemes.
bool isSepaCountry(QStringView country);

// SEPA countries outside the European Economic Area (CH, GB, MC, ...).
bool isSepaCountryOutsideEea(QStringView country);

} // namespace ordovan::sepa
