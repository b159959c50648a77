// The cover sheet: its text form and its two printed layouts. The values arrive as texts
// from the caller (the main window's labels, or a history row); nothing here reads settings.
#include "coversheet.h"

#include "bookinglist.h"
#include "printing.h"
#include "texts.h"

#include "base/codec.h"
#include "base/german.h"
#include "platform/files.h"
#include "store/table.h"

#include <QStringList>

namespace ordovan::reports {

QString coverSheetText(const CoverSheetValues &v, Variant variant)
{
    QStringList lines;
    if (!v.filePath.isEmpty())
        lines << texts::coverTextFile + v.filePath;
    lines << (variant == Variant::DirectDebit ? texts::coverTextDirectDebit
                                              : texts::coverTextCreditTransfer);
    lines << texts::coverTextDate + german::formatDate(v.today);
    lines << texts::coverTextCount + v.count;
    lines << texts::coverTextTotal + v.total;
    lines << texts::coverTextBic + v.bic;
    lines << texts::coverTextIban + v.iban;
    lines << texts::coverTextSender + v.sender;
    return lines.join(QStringLiteral("\r\n"));
}

QString coverSheetTextPath(const QString &targetPath)
{
    return platform::folderOf(targetPath) + texts::coverTextFileName;
}

void printCoverSheetPages(PrintService &printing, const CoverSheetValues &v, Variant variant)
{
    PrintJob job(printing, {texts::coverJobTitle, ReportKind::CoverSheet, v.filePath});
    job.setAnchor(TextAnchor::TopLeft);
    job.setFontFace(QStringLiteral("Times New Roman"));
    job.setFontHeight(48);
    job.setPenWidth(2);

    job.textOut(300, -200, texts::coverTitle + german::formatDate(v.today));
    job.textOut(300, -260,
                texts::coverFile + v.filePath +
                    (variant == Variant::DirectDebit ? texts::coverDirectDebit
                                                     : texts::coverCreditTransfer));
    job.line(250, -400, 1600, -400);
    job.textOut(300, -500, texts::coverCount);
    job.textOut(900, -500, v.count);
    job.textOut(300, -560, texts::coverTotal);
    job.textOut(900, -560, v.total);
    if (v.dueDate.isValid()) {
        job.textOut(300, -620,
                    variant == Variant::DirectDebit ? texts::coverDueDateDirectDebit
                                                    : texts::coverDueDateCreditTransfer);
        job.textOut(900, -620, german::formatDate(v.dueDate));
    }
    job.textOut(300, -800, texts::coverBic);
    job.textOut(900, -800, v.bic);
    job.textOut(300, -860, texts::coverIban);
    job.textOut(900, -860, v.iban);
    job.textOut(300, -920, texts::coverSender);
    job.textOut(900, -920, v.sender);
    job.line(500, -1200, 1100, -1200);

    job.setFontHeight(24);
    job.textOut(700, -1210, texts::coverSignature);
    job.end();
}

namespace {

// A history field's text: dates in the short date format, amounts with two decimals,
// whole numbers in decimal, empty when the field is empty or the table has no row.
QString historyValue(const store::Table &history, const char16_t *field)
{
    if (!history.hasCurrentRow())
        return {};
    const int f = history.field(field);
    if (history.isNull(f))
        return {};
    if (history.fieldDef(f).kind == store::FieldKind::Currency)
        return formatBookingAmount(history.number(f));
    return history.text(f);
}

} // namespace

void printHistoryCoverSheetPages(PrintService &printing, const store::Table &history,
                                 const QString &targetPath)
{
    struct Line
    {
        int y;
        const char16_t *label;
        const char16_t *field;
    };
    static const Line lines[] = {
        {-200, u"Nummer: ", u"ID"},
        {-300, u"Dateiname: ", u"Dateiname"},
        {-400, u"Erstellungsdatum: ", u"Erstellungsdatum"},
        {-500, u"Ausführungsdatum: ", u"Ausfuehrungdatum"},
        {-600, u"Bankleitzahl: ", u"Mandantenblz"},
        {-700, u"Kontonummer: ", u"Mandantenkto"},
        {-800, u"Kontoinhaber: ", u"Mandantenname"},
        {-900, u"Kontrollsumme Kontonummer: ", u"KontrollsummeKontonummer"},
        {-1000, u"Kontrollsumme BLZ: ", u"KontrollsummeBankleitzahl"},
        {-1100, u"Gesamtzahl der Sätze: ", u"GesamtzahlSaetze"},
        {-1200, u"Gesamtsumme: ", u"Gesamtbetrag"},
    };

    PrintJob job(printing, {texts::coverJobTitle, ReportKind::CoverSheet, targetPath});
    // No face is set: the sheet keeps whatever face the canvas has.
    job.setAnchor(TextAnchor::TopLeft);
    job.setFontHeight(70);
    job.textOut(100, -50, texts::historyTitle + historyValue(history, u"Zahlungsart"));
    job.setFontHeight(50);
    for (const Line &l : lines)
        job.textOut(100, l.y, QString::fromUtf16(l.label) + historyValue(history, l.field));
    job.end();
}

void writeTextReport(const QString &path, const QString &text)
{
    platform::writeFileAtomically(path, codec::toCp1252(text));
}

} // namespace ordovan::reports
