#pragma once

#include <QString>

// The German texts of the cover sheet and the booking list, exactly as users know them.
namespace ordovan::reports::texts {

// --- Printing failures -----------------------------------------------------------------
inline QString noPrinter()
{
    return QStringLiteral("Es ist kein Drucker installiert.");
}
inline QString printJobFailed()
{
    return QStringLiteral("Der Druckauftrag konnte nicht ausgeführt werden.");
}

// --- Cover sheet, printed ----------------------------------------------------------------
inline const QString coverTitle = QStringLiteral("Begleitzettel vom ");
inline const QString coverFile = QStringLiteral("Datei ");
inline const QString coverDirectDebit = QStringLiteral(" für Sepa-Lastschriften");
inline const QString coverCreditTransfer = QStringLiteral(" für Sepa-Gutschriften");
inline const QString coverCount = QStringLiteral("Anzahl Datensätze:");
inline const QString coverTotal = QStringLiteral("Summe Datensätze:");
inline const QString coverBic = QStringLiteral("BIC Absenderbank:");
inline const QString coverIban = QStringLiteral("IBAN Absender:");
inline const QString coverSender = QStringLiteral("Absender:");
inline const QString coverDueDateDirectDebit = QStringLiteral("Fälligkeitsdatum:");
inline const QString coverDueDateCreditTransfer = QStringLiteral("Ausführungsdatum:");
inline const QString coverSignature = QStringLiteral("Unterschrift");
inline const QString coverJobTitle = QStringLiteral("Begleitzettel");

// --- Cover sheet, text form ----------------------------------------------------------------
inline const QString coverTextFileName = QStringLiteral("Begleitzettel.txt");
inline const QString coverTextFile = QStringLiteral("Dateiname: ");
inline const QString coverTextDirectDebit = QStringLiteral("Typ: SEPA-Lastschriften");
inline const QString coverTextCreditTransfer = QStringLiteral("Typ: SEPA-Gutschriften");
inline const QString coverTextDate = QStringLiteral("Datum: ");
inline const QString coverTextCount = QStringLiteral("Anzahl Datensätze: ");
inline const QString coverTextTotal = QStringLiteral("Summe Datensätze (EUR): ");
inline const QString coverTextBic = QStringLiteral("BIC Absenderbank: ");
inline const QString coverTextIban = QStringLiteral("IBAN Absender: ");
inline const QString coverTextSender = QStringLiteral("Absender: ");

// --- History cover sheet ---------------------------------------------------------------
inline const QString historyTitle = QStringLiteral("DTAUS - Begleitzettel ");

// --- Booking list ------------------------------------------------------------------------
inline const QString listTextFileName = QStringLiteral("Buchungsliste.txt");
inline const QString listTextTitle = QStringLiteral("DTAUS - Buchungsliste");
inline const QString listTextHeadingSepa = QStringLiteral(
    "Nummer -- Kontoinhaber -- IBAN -- BIC -- Verwendungszweck -- Betrag -- Währung -- Datum");
inline const QString listTextHeadingDomestic =
    QStringLiteral("Nummer -- Kontoinhaber -- Kontonummer -- Bankleitzahl -- Verwendungszweck "
                   "-- Betrag -- Zahlungsart -- Datum");
inline const QString listPrintedTitle = QStringLiteral("Buchungsliste vom ");
inline const QString listJobTitleSepa = QStringLiteral("Buchungsliste");
// The domestic list's job carries the name of the data folder.
inline const QString listJobTitleDomestic = QStringLiteral("Ordovan 2022");

} // namespace ordovan::reports::texts
