#pragma once

// The two generations of SEPA messages the program writes: the 2009 versions
// (pain.001.001.03, pain.008.001.02) and the 2019 ones German banks require since
// 14.11.2026 (pain.001.001.09, pain.008.001.08).

namespace ordovan::sepa {

enum class Generation
{
    V2009,
    V2019
};
enum class MessageKind
{
    CreditTransfer,
    DirectDebit
};

// The stored choice SEPAFormat: 1 is the 2019 generation, anything else the 2009 one.
inline Generation generationFromSetting(int value)
{
    return value == 1 ? Generation::V2019 : Generation::V2009;
}

} // namespace ordovan::sepa
