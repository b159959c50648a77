#pragma once

#include <QString>

// Value names of the settings store, as the program has always written them. Some are read
// with other letter case than written (IBANx / IBANX); names match without regard to case.
namespace ordovan::app::names {

// Global key
inline constexpr char16_t Mandant[] = u"Mandant";
inline constexpr char16_t WindowState[] = u"WindowState";
inline constexpr char16_t Height[] = u"Height";
inline constexpr char16_t Width[] = u"Width";
// The last message and payment information ids issued, so that none is issued twice.
inline constexpr char16_t LastMsgId[] = u"LastMsgId";
inline constexpr char16_t LastPmtInfId[] = u"LastPmtInfId";

// Mandant key: files and source options
inline constexpr char16_t Quelldatei[] = u"Quelldatei";
inline constexpr char16_t Zieldatei[] = u"Zieldatei";
inline constexpr char16_t Tabellenname[] = u"Tabellenname";
inline constexpr char16_t Trennzeichen[] = u"Trennzeichen";
inline constexpr char16_t Textkennzeichner[] = u"Textkennzeichner";
inline constexpr char16_t Datumueberschreiben[] = u"Datumueberschreiben";
inline constexpr char16_t Titelzeile[] = u"Titelzeile";
inline constexpr char16_t Betragformat[] = u"Betragformat";
inline constexpr char16_t Zahlungsart[] = u"Zahlungsart";
inline constexpr char16_t Verw8[] = u"8Verw";
inline constexpr char16_t Begleit[] = u"Begleit";
inline constexpr char16_t Buchungs[] = u"Buchungs";
inline constexpr char16_t IBANonly[] = u"IBANonly";
inline constexpr char16_t LogSpeichern[] = u"LogSpeichern";
inline constexpr char16_t SEPAFormat[] = u"SEPAFormat";

// Constant fields: read as ...Konst, written as ...konst.
inline constexpr char16_t BetragKonst[] = u"BetragKonst";
inline constexpr char16_t Betragkonst[] = u"Betragkonst";
inline QString verwKonst(int line)
{
    return QStringLiteral("Verw%1Konst").arg(line);
}
inline QString verwkonst(int line)
{
    return QStringLiteral("Verw%1konst").arg(line);
}

// Column mapping
inline constexpr char16_t NameX[] = u"NameX";
inline constexpr char16_t NameX2[] = u"NameX2";
inline constexpr char16_t Blz1[] = u"Blz1";
inline constexpr char16_t Kto1[] = u"Kto1";
inline constexpr char16_t Betrag[] = u"Betrag";
inline QString verw(int line)
{
    return QStringLiteral("Verw%1").arg(line);
}
inline constexpr char16_t Name2X[] = u"Name2X";
inline constexpr char16_t StrasseX[] = u"StrasseX";
inline constexpr char16_t OrtLandX[] = u"OrtLandX";
inline constexpr char16_t NotitzInternX[] = u"NotitzInternX";
inline constexpr char16_t AnsprechpartnerX[] = u"AnsprechpartnerX";
inline constexpr char16_t IBANx[] = u"IBANx";
inline constexpr char16_t IBANX[] = u"IBANX";
inline constexpr char16_t BICx[] = u"BICx";
inline constexpr char16_t BICX[] = u"BICX";
inline constexpr char16_t LaendercodeX[] = u"LaendercodeX";
inline constexpr char16_t WaehrungX[] = u"WaehrungX";
inline constexpr char16_t DatumX[] = u"DatumX";
inline constexpr char16_t MandatsdatumX[] = u"MandatsdatumX";
inline constexpr char16_t SequenztypX[] = u"SequenztypX";

} // namespace ordovan::app::names
