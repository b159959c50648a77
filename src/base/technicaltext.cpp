#include "technicaltext.h"

#include <QList>

#include <algorithm>
#include <utility>

namespace ordovan::german {

namespace {

using Phrase = std::pair<QString, QString>;

// Longer phrases first, so that one never replaces a piece of another ("No such file" is a
// piece of "No such file or directory").
QList<Phrase> sortedPhrases()
{
    QList<Phrase> phrases = {
        // The C library (errno), as Qt's file classes pass it on.
        {QStringLiteral("No such file or directory"),
         QStringLiteral("Datei oder Verzeichnis nicht gefunden")},
        {QStringLiteral("Permission denied"), QStringLiteral("Keine Berechtigung")},
        {QStringLiteral("No space left on device"),
         QStringLiteral("Kein Speicherplatz mehr auf dem Gerät")},
        {QStringLiteral("Read-only file system"), QStringLiteral("Dateisystem nur lesbar")},
        {QStringLiteral("Is a directory"), QStringLiteral("Ist ein Verzeichnis")},
        {QStringLiteral("Not a directory"), QStringLiteral("Ist kein Verzeichnis")},
        {QStringLiteral("File exists"), QStringLiteral("Die Datei existiert bereits")},
        {QStringLiteral("Input/output error"), QStringLiteral("Ein-/Ausgabefehler")},
        {QStringLiteral("Disk quota exceeded"),
         QStringLiteral("Der zugewiesene Plattenplatz ist erschöpft")},
        {QStringLiteral("File name too long"), QStringLiteral("Dateiname zu lang")},
        {QStringLiteral("File too large"), QStringLiteral("Datei zu groß")},
        {QStringLiteral("Too many open files"), QStringLiteral("Zu viele offene Dateien")},
        {QStringLiteral("Operation not permitted"),
         QStringLiteral("Die Operation ist nicht erlaubt")},
        {QStringLiteral("Device or resource busy"),
         QStringLiteral("Das Gerät oder die Ressource ist belegt")},
        {QStringLiteral("Resource temporarily unavailable"),
         QStringLiteral("Die Ressource ist zurzeit nicht verfügbar")},
        {QStringLiteral("Cannot allocate memory"),
         QStringLiteral("Nicht genügend Hauptspeicher verfügbar")},
        {QStringLiteral("Broken pipe"), QStringLiteral("Die Verbindung ist unterbrochen")},
        {QStringLiteral("Unknown error"), QStringLiteral("Unbekannter Fehler")},
        // The table file parser (expat).
        {QStringLiteral("out of memory"), QStringLiteral("Speicher erschöpft")},
        {QStringLiteral("syntax error"), QStringLiteral("Syntaxfehler")},
        {QStringLiteral("no element found"), QStringLiteral("kein Element gefunden")},
        {QStringLiteral("not well-formed (invalid token)"),
         QStringLiteral("nicht wohlgeformt (ungültiges Zeichen)")},
        {QStringLiteral("unclosed token"), QStringLiteral("unvollständiges Element")},
        {QStringLiteral("partial character"), QStringLiteral("unvollständiges Zeichen")},
        {QStringLiteral("mismatched tag"), QStringLiteral("End-Tag passt nicht zum Start-Tag")},
        {QStringLiteral("duplicate attribute"), QStringLiteral("doppeltes Attribut")},
        {QStringLiteral("junk after document element"),
         QStringLiteral("weitere Daten nach dem Dokumentende")},
        {QStringLiteral("undefined entity"), QStringLiteral("unbekannte Entität")},
        {QStringLiteral("unclosed CDATA section"),
         QStringLiteral("unvollständiger CDATA-Abschnitt")},
        {QStringLiteral("unknown encoding"), QStringLiteral("unbekannte Kodierung")},
        {QStringLiteral("encoding specified in XML declaration is incorrect"),
         QStringLiteral("die Kodierung der XML-Deklaration ist falsch")},
        {QStringLiteral("XML or text declaration not at start of entity"),
         QStringLiteral("XML-Deklaration nicht am Anfang")},
        {QStringLiteral("reference to invalid character number"),
         QStringLiteral("Verweis auf ein ungültiges Zeichen")},
        {QStringLiteral("parsing aborted"), QStringLiteral("Lesen abgebrochen")},
        // Qt's XML stream reader (workbooks).
        {QStringLiteral("Premature end of document."),
         QStringLiteral("Vorzeitiges Ende des Dokuments.")},
        {QStringLiteral("Opening and ending tag mismatch."),
         QStringLiteral("End-Tag passt nicht zum Start-Tag.")},
        {QStringLiteral("Extra content at end of document."),
         QStringLiteral("Weitere Daten nach dem Dokumentende.")},
        {QStringLiteral("Invalid XML character."), QStringLiteral("Ungültiges XML-Zeichen.")},
        {QStringLiteral("Start tag expected."), QStringLiteral("Start-Tag erwartet.")},
        // The zip library (.xlsx, .ods).
        {QStringLiteral("Not a zip archive"), QStringLiteral("Kein Zip-Archiv")},
        {QStringLiteral("Zip archive inconsistent"), QStringLiteral("Zip-Archiv inkonsistent")},
        {QStringLiteral("Read error"), QStringLiteral("Lesefehler")},
        {QStringLiteral("Seek error"), QStringLiteral("Positionierungsfehler")},
        {QStringLiteral("Premature end of file"), QStringLiteral("Vorzeitiges Dateiende")},
        {QStringLiteral("CRC error"), QStringLiteral("Prüfsummenfehler")},
        {QStringLiteral("Compressed data invalid"), QStringLiteral("Komprimierte Daten ungültig")},
        {QStringLiteral("Compression method not supported"),
         QStringLiteral("Kompressionsverfahren nicht unterstützt")},
        {QStringLiteral("Encryption method not supported"),
         QStringLiteral("Verschlüsselungsverfahren nicht unterstützt")},
        {QStringLiteral("Malloc failure"), QStringLiteral("Speicher erschöpft")},
        {QStringLiteral("No such file"), QStringLiteral("Datei nicht gefunden")},
        {QStringLiteral("Can't open file"), QStringLiteral("Datei kann nicht geöffnet werden")},
        {QStringLiteral("Internal error"), QStringLiteral("Interner Fehler")},
    };
    std::stable_sort(phrases.begin(), phrases.end(), [](const Phrase &a, const Phrase &b) {
        return a.first.size() > b.first.size();
    });
    return phrases;
}

} // namespace

QString technicalText(const QString &detail)
{
    static const QList<Phrase> phrases = sortedPhrases();
    QString text = detail;
    for (const auto &[english, german] : phrases)
        text.replace(english, german, Qt::CaseSensitive);
    return text;
}

} // namespace ordovan::german
