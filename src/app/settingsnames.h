#pragma once

#include <QString>

// Value names of the global key of the settings store, as the program has always written
// them; names match without regard to case.
namespace ordovan::app::names {

// Global key
inline constexpr char16_t Mandant[] = u"Mandant";
inline constexpr char16_t WindowState[] = u"WindowState";
inline constexpr char16_t Height[] = u"Height";
inline constexpr char16_t Width[] = u"Width";
// The last message and payment information ids issued, so that none is issued twice.
inline constexpr char16_t LastMsgId[] = u"LastMsgId";
inline constexpr char16_t LastPmtInfId[] = u"LastPmtInfId";
// The latest creation time ever named in such an id and the highest "-N" ever appended, as
// "yyyy-MM-ddTHH:mm:ss N": what keeps ids unique when the clock goes back.
inline constexpr char16_t MaxMsgId[] = u"MaxMsgId";
inline constexpr char16_t MaxPmtInfId[] = u"MaxPmtInfId";

// The values of the Mandant key are listed, with how they are stored, in settings.cpp.

} // namespace ordovan::app::names
