// The column mapping grid SGDatenbank: which source field (a row of SGDatei) feeds which
// record field. Column 0 holds the labels of the layout chosen by CB8Verw (21 rows with four
// purpose lines, 25 with eight; the last two, mandate date and sequence type, came later),
// columns 1 and 2 a preview of the assigned field in the first
// two records. The entries themselves live in MainState::mapping and reach the settings with
// the other per-Mandant values; the preview is derived and never stored.
#include "context.h"
#include "operations.h"

#include "import/conversions.h"

#include <span>

namespace ordovan::app {

namespace {

enum class Target
{
    Name,
    Kontonummer,
    Blz,
    Verw1,
    Verw2,
    Verw3,
    Verw4,
    Verw5,
    Verw6,
    Verw7,
    Verw8,
    Betrag,
    Name2,
    Strasse,
    OrtLand,
    NotizIntern,
    Ansprechpartner,
    Iban,
    Bic,
    Laendercode,
    Waehrung,
    Datum,
    Mandatsdatum,
    Sequenztyp,
};

// Grid rows 1 .. n of the two layouts.
constexpr Target kFourLines[] = {
    Target::Name,
    Target::Kontonummer,
    Target::Blz,
    Target::Verw1,
    Target::Verw2,
    Target::Verw3,
    Target::Verw4,
    Target::Betrag,
    Target::Name2,
    Target::Strasse,
    Target::OrtLand,
    Target::NotizIntern,
    Target::Ansprechpartner,
    Target::Iban,
    Target::Bic,
    Target::Laendercode,
    Target::Waehrung,
    Target::Datum,
    Target::Mandatsdatum,
    Target::Sequenztyp,
};
constexpr Target kEightLines[] = {
    Target::Name,        Target::Kontonummer,     Target::Blz,
    Target::Verw1,       Target::Verw2,           Target::Verw3,
    Target::Verw4,       Target::Verw5,           Target::Verw6,
    Target::Verw7,       Target::Verw8,           Target::Betrag,
    Target::Name2,       Target::Strasse,         Target::OrtLand,
    Target::NotizIntern, Target::Ansprechpartner, Target::Iban,
    Target::Bic,         Target::Laendercode,     Target::Waehrung,
    Target::Datum,       Target::Mandatsdatum,    Target::Sequenztyp,
};

// Rows 1 .. 26 carry previews; the grid holds up to 27 rows.
constexpr int kLastPreviewRow = 26;

std::span<const Target> layoutOf(const MainState &s)
{
    if (s.main.CB8Verw)
        return kEightLines;
    return kFourLines;
}

QString labelOf(Target t, bool eightLines)
{
    switch (t) {
    case Target::Name:
        return QStringLiteral("Name");
    case Target::Kontonummer:
        return QStringLiteral("Kontonummer");
    case Target::Blz:
        return QStringLiteral("BLZ");
    case Target::Betrag:
        return QStringLiteral("Betrag");
    case Target::Name2:
        return QStringLiteral("Name2");
    case Target::Strasse:
        return QStringLiteral("Straße");
    case Target::OrtLand:
        return QStringLiteral("OrtLand");
    case Target::NotizIntern:
        return eightLines ? QStringLiteral("NotizIntern")
                          : QStringLiteral("Mandatsreferenz/NotizIntern");
    case Target::Ansprechpartner:
        return QStringLiteral("Ansprechpartner");
    case Target::Iban:
        return QStringLiteral("IBAN");
    case Target::Bic:
        return QStringLiteral("BIC");
    case Target::Laendercode:
        return QStringLiteral("Ländercode");
    case Target::Waehrung:
        return QStringLiteral("Währung");
    case Target::Datum:
        return QStringLiteral("Ausführungsdatum");
    case Target::Mandatsdatum:
        return QStringLiteral("Mandatsdatum");
    case Target::Sequenztyp:
        return QStringLiteral("Sequenztyp");
    default:
        return QStringLiteral("Verwendung%1").arg(int(t) - int(Target::Verw1) + 1);
    }
}

// The entry a target stands for. The Name row has two entries; this is the first.
int &entryOf(ColumnMapping &m, Target t)
{
    switch (t) {
    case Target::Name:
        return m.NameX;
    case Target::Kontonummer:
        return m.Kto1;
    case Target::Blz:
        return m.Blz1;
    case Target::Betrag:
        return m.Betrag;
    case Target::Name2:
        return m.Name2X;
    case Target::Strasse:
        return m.StrasseX;
    case Target::OrtLand:
        return m.OrtLandX;
    case Target::NotizIntern:
        return m.NotitzInternX;
    case Target::Ansprechpartner:
        return m.AnsprechpartnerX;
    case Target::Iban:
        return m.IBANx;
    case Target::Bic:
        return m.BICx;
    case Target::Laendercode:
        return m.LaendercodeX;
    case Target::Waehrung:
        return m.WaehrungX;
    case Target::Datum:
        return m.DatumX;
    case Target::Mandatsdatum:
        return m.MandatsdatumX;
    case Target::Sequenztyp:
        return m.SequenztypX;
    default:
        return m.Verw[int(t) - int(Target::Verw1)];
    }
}

// The target of a grid row in the current layout; nothing for row 0 and rows past its end.
std::optional<Target> targetOfRow(const MainState &s, int row)
{
    const auto layout = layoutOf(s);
    if (row < 1 || row > int(layout.size()))
        return std::nullopt;
    return layout[row - 1];
}

QString amountPreview(const MainState &s, const QString &text)
{
    return s.source.RGBetrag == AmountNotation::Cents ? import::insertDecimalComma(text) : text;
}

} // namespace

void buildMappingGrid(Context &ctx)
{
    MainState &s = ctx.state;
    MappingGrid &g = s.source.SGDatenbank;
    g.setCell(0, 0, QStringLiteral("Feldname"));
    g.setCell(1, 0, QStringLiteral("zug. Dateifeld"));
    g.setCell(2, 0, QStringLiteral("1. Datensatz"));
    const auto layout = layoutOf(s);
    for (size_t i = 0; i < layout.size(); ++i)
        g.setCell(0, int(i) + 1, labelOf(layout[i], s.main.CB8Verw));
    g.rowCount = int(layout.size()) + 1;
}

void showMappingPreview(Context &ctx)
{
    MainState &s = ctx.state;
    MappingGrid &g = s.source.SGDatenbank;
    const import::SourceGrid &src = s.source.SGDatei;
    for (int row = 1; row <= kLastPreviewRow; ++row) {
        g.setCell(1, row, QString());
        g.setCell(2, row, QString());
    }
    const ColumnMapping &m = s.source.mapping;
    const auto layout = layoutOf(s);
    for (size_t i = 0; i < layout.size(); ++i) {
        const int row = int(i) + 1;
        const Target t = layout[i];
        if (t == Target::Name) {
            if (m.NameX2 != -1) {
                g.setCell(1, row, src.cell(0, m.NameX) + u' ' + src.cell(0, m.NameX2));
                g.setCell(2, row, src.cell(1, m.NameX) + u' ' + src.cell(1, m.NameX2));
            } else if (m.NameX != -1) {
                g.setCell(1, row, src.cell(0, m.NameX));
                g.setCell(2, row, src.cell(1, m.NameX));
            }
            continue;
        }
        const int index = entryOf(s.source.mapping, t);
        if (index == -1)
            continue;
        QString first = src.cell(0, index);
        QString second = src.cell(1, index);
        if (t == Target::Betrag) {
            first = amountPreview(s, first);
            second = amountPreview(s, second);
        }
        g.setCell(1, row, first);
        g.setCell(2, row, second);
    }
    if (s.source.CBTitelzeile) {
        g.setCell(1, 0, QStringLiteral("zug. Dateifeld"));
        g.setCell(2, 0, QStringLiteral("1. Datensatz"));
    } else {
        g.setCell(1, 0, QStringLiteral("1. Datensatz"));
        g.setCell(2, 0, QStringLiteral("2. Datensatz"));
    }
}

void assignSelectedSourceField(Context &ctx)
{
    MainState &s = ctx.state;
    MappingGrid &g = s.source.SGDatenbank;
    const import::SourceGrid &src = s.source.SGDatei;
    const int r = src.selectedRow;
    const int t = g.selectedRow;
    if (t < 0 || t > kLastPreviewRow)
        return;
    g.setCell(1, t, src.cell(0, r));
    g.setCell(2, t, src.cell(1, r));
    const std::optional<Target> target = targetOfRow(s, t);
    if (!target)
        return;
    ColumnMapping &m = s.source.mapping;
    switch (*target) {
    case Target::Name:
        if (m.NameX == -1) {
            m.NameX = r;
        } else {
            // A second assignment to Name adds the second name part (a third replaces it).
            m.NameX2 = r;
            g.setCell(1, t, src.cell(0, m.NameX) + u' ' + src.cell(0, r));
            g.setCell(2, t, src.cell(1, m.NameX) + u' ' + src.cell(1, r));
        }
        break;
    case Target::Betrag:
        m.Betrag = r;
        g.setCell(1, t, amountPreview(s, src.cell(0, r)));
        g.setCell(2, t, amountPreview(s, src.cell(1, r)));
        break;
    default:
        entryOf(m, *target) = r;
        break;
    }
}

void clearAssignment(Context &ctx)
{
    MainState &s = ctx.state;
    MappingGrid &g = s.source.SGDatenbank;
    const int t = g.selectedRow;
    if (t < 0 || t > kLastPreviewRow)
        return;
    g.setCell(1, t, QString());
    g.setCell(2, t, QString());
    const std::optional<Target> target = targetOfRow(s, t);
    if (!target)
        return;
    entryOf(s.source.mapping, *target) = -1;
    if (*target == Target::Name)
        s.source.mapping.NameX2 = -1;
}

} // namespace ordovan::app
