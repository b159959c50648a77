#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Money on the SEPA side: signed 64-bit integers of ten-thousandths of a euro
// (1.00 EUR = 10000), rounded to whole cents when a stored amount is converted, so that every
// amount in a file is exact and the control sum is the sum of the amounts written.

namespace ordovan::sepa {

using Amount = qint64;

inline constexpr Amount kAmountPerEuro = 10000;

// A stored amount in ten-thousandths: times 10000 rounded to nearest, then to whole cents,
// half away from zero (1.005 -> 1.01, 0.125 -> 0.13). Nothing when it is not a finite number
// or does not fit 64 bits.
std::optional<Amount> convertAmount(double value);

// Adds to a running total; false (total unchanged) when the sum would not fit 64 bits.
bool addAmount(Amount &total, Amount amount);

// The file form written into a buffer of at least 32 characters; returns its length.
int writeAmount(char *buffer, Amount amount);
// The file form: "." and exactly two decimals, no thousands separator (125000 -> "12.50").
QByteArray formatAmount(Amount amount);
// The user's form: decimal comma, two decimals, no thousands separator (2345000 -> "234,50").
QString formatAmountGerman(Amount amount);

} // namespace ordovan::sepa
