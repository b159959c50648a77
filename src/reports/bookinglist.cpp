// The booking list over a payment table as its filter leaves it: the text form and the
// printed form share the column values.
#include "bookinglist.h"

#include "printing.h"
#include "texts.h"

#include "base/german.h"
#include "platform/files.h"
#include "store/table.h"

#include <array>
#include <cmath>

namespace ordovan::reports {

namespace {

struct LayoutInfo
{
    std::array<const char16_t *, 8> fields;
    std::array<int, 8> x;
    std::array<const char16_t *, 8> headings;
};

const LayoutInfo &info(Layout layout)
{
    static const LayoutInfo sepa{{u"ID", u"Name1", u"IBAN", u"BLZ", u"Verwendungszweck", u"Betrag",
                                  u"Waehrung", u"Erstellungsdatum"},
                                 {100, 150, 400, 700, 900, 1500, 1620, 1750},
                                 {u"ID", u"Name", u"IBAN", u"BIC", u"Verwendungszweck", u"Betrag",
                                  u"Währung", u"Erstellungsdatum"}};
    static const LayoutInfo domestic{{u"ID", u"Name", u"Kontonummer", u"BLZ", u"Verwendungszweck",
                                      u"Betrag", u"Zahlungsart", u"Erstellungsdatum"},
                                     {100, 200, 550, 700, 850, 1400, 1575, 1750},
                                     {u"ID", u"Name", u"Kontonr.", u"BLZ", u"Verwendungszweck",
                                      u"Betrag", u"Zahlungsart", u"Erstellungsdatum"}};
    return layout == Layout::Sepa ? sepa : domestic;
}

constexpr int amountColumn = 5;

} // namespace

QString formatBookingAmount(std::optional<double> amount)
{
    if (!amount)
        return {};
    const double v = *amount;
    // Beyond what whole cents in 64 bits hold, plain fixed point is the best there is.
    if (!std::isfinite(v) || std::fabs(v) >= 9.0e14)
        return german::formatMoney(v);
    const qint64 tenThousandths = std::llround(v * 10000.0);
    const qint64 magnitude = tenThousandths < 0 ? -tenThousandths : tenThousandths;
    const qint64 cents = (magnitude + 50) / 100;
    QString text = QString::number(cents / 100) + u',' +
                   QStringLiteral("%1").arg(cents % 100, 2, 10, QChar(u'0'));
    if (tenThousandths < 0 && cents != 0)
        text.prepend(u'-');
    return text;
}

QStringList bookingListValues(const store::Table &table, Layout layout)
{
    const LayoutInfo &li = info(layout);
    QStringList values;
    values.reserve(8);
    for (int c = 0; c < 8; ++c) {
        const int f = table.field(li.fields[size_t(c)]);
        if (c == amountColumn) {
            QString amount = formatBookingAmount(table.number(f));
            if (layout == Layout::Domestic && !amount.isEmpty())
                amount += QStringLiteral(" €");
            values << amount;
        } else {
            values << table.text(f);
        }
    }
    return values;
}

QString bookingListTextPath(const QString &targetPath)
{
    return platform::folderOf(targetPath) + texts::listTextFileName;
}

QString bookingListText(store::Table &table, Layout layout)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString separator = QStringLiteral(" -- ");
    QString out = texts::listTextTitle + crlf + crlf;
    out += (layout == Layout::Sepa ? texts::listTextHeadingSepa : texts::listTextHeadingDomestic);
    out += crlf + QString(107, u'#') + crlf;
    for (table.first(); !table.eof(); table.next())
        out += bookingListValues(table, layout).join(separator) + crlf;
    return out;
}

void PrintBookingListHeader(PrintJob &job, int &position, Layout layout, const QDate &today)
{
    const LayoutInfo &li = info(layout);
    const int width = job.pageWidth();
    job.setFontFace(QStringLiteral("Arial"));
    job.setFontHeight(60);
    job.setAnchor(TextAnchor::TopCenter);
    job.textOut(1000, -50, texts::listPrintedTitle + german::formatDate(today));

    job.setPenWidth(5);
    job.line(0, -50, width, -50);
    job.line(0, -120, width, -120);

    position = -170;
    job.setFontHeight(30);
    job.setAnchor(TextAnchor::BaselineLeft);
    for (int c = 0; c < 8; ++c)
        job.textOut(li.x[size_t(c)], position, QString::fromUtf16(li.headings[size_t(c)]));

    job.setPenWidth(2);
    position = -200;
    job.line(0, position, width, position);
    job.line(0, position - 5, width, position - 5);

    position = -250;
    job.setFontHeight(25);
}

void printBookingListPages(PrintService &printing, store::Table &table, Layout layout,
                           const QDate &today, const QString &targetPath)
{
    const LayoutInfo &li = info(layout);
    const QString title =
        layout == Layout::Sepa ? texts::listJobTitleSepa : texts::listJobTitleDomestic;
    PrintJob job(printing, {title, ReportKind::BookingList, targetPath});
    table.first();
    job.setFontHeight(25);
    int position = 0;
    PrintBookingListHeader(job, position, layout, today);
    while (!table.eof()) {
        const QStringList values = bookingListValues(table, layout);
        for (int c = 0; c < 8; ++c)
            job.textOut(li.x[size_t(c)], position, values[c]);
        table.next();
        position -= 75;
        // A page holds 33 rows (-250 down to -2650). The next page starts only when another
        // row follows, so a full last page is not followed by an empty one.
        if (position < -2700 && !table.eof()) {
            job.newPage();
            PrintBookingListHeader(job, position, layout, today);
        }
    }
    job.end();
}

} // namespace ordovan::reports
