// The setup wizard's steps beyond reading the source: the pages, the mapping on the wizard's
// own four-line grid, the Mandant step, the target file and the finish. The wizard's fields
// live in WizardState, owned by its window; what it changes on the main window lives in the
// Context. The mapping entries are the main window's own (the wizard has none), so an
// assignment made here stays even when the wizard is cancelled.
#include "wizard.h"

#include "context.h"
#include "mandanteditor.h"
#include "operations.h"
#include "settingsnames.h"

#include "base/error.h"
#include "platform/dialogs.h"

#include <QFileInfo>

#include <algorithm>

namespace ordovan::app {

namespace wizardtext {
const QString kTargetFileName = QStringLiteral("DTAUS0");
// The program writes SEPA XML, so the dialog offers that (and adds ".xml").
const QString kTargetFilter = QStringLiteral("SEPA-Datei|*.xml");
} // namespace wizardtext

namespace {

const QString kNoMandant = QStringLiteral("Es ist kein Mandant vorhanden.");

// Grid rows: the titles, then the 18 target fields.
constexpr int kMappingRows = 19;

QString comboEntry(const store::Table &m)
{
    return m.text(u"ID") + QStringLiteral(" -  ") + m.text(u"Name");
}

// The entry a row of the wizard's grid feeds (rows 2 to 18; row 1 is Name with its two parts).
int &entryOfRow(ColumnMapping &m, int row)
{
    switch (row) {
    case 2:
        return m.Kto1;
    case 3:
        return m.Blz1;
    case 4:
    case 5:
    case 6:
    case 7:
        return m.Verw[row - 4];
    case 8:
        return m.Betrag;
    case 9:
        return m.Name2X;
    case 10:
        return m.StrasseX;
    case 11:
        return m.OrtLandX;
    case 12:
        return m.NotitzInternX;
    case 13:
        return m.AnsprechpartnerX;
    case 14:
        return m.IBANx;
    case 15:
        return m.BICx;
    case 16:
        return m.LaendercodeX;
    case 17:
        return m.WaehrungX;
    default:
        return m.DatumX;
    }
}

std::optional<qint32> currentMandantId(const store::Table &m)
{
    if (!m.isOpen() || !m.hasCurrentRow())
        return std::nullopt;
    return m.integer(m.field(u"ID"));
}

// Step 4, item 3: the list anew, then the stored Mandant, else the one the editor left. A
// Mandant the user has just created in the editor is the one the wizard is for, so it wins
// over the stored one (whose settings the finish would otherwise overwrite).
void selectWizardMandant(Context &ctx, std::optional<qint32> highestBefore)
{
    MainState &s = ctx.state;
    store::Table &m = ctx.data.ClientDataSet3;
    if (!m.isOpen())
        throw Error(kNoMandant);
    const std::optional<qint32> left = currentMandantId(m);
    const bool created = left && (!highestBefore || *left > *highestBefore);

    s.main.CBMandantenItems.clear();
    for (m.first(); !m.eof() && m.hasCurrentRow(); m.next())
        s.main.CBMandantenItems << comboEntry(m);
    if (created || !m.locate(u"ID", readGlobalInteger(ctx, names::Mandant))) {
        if (!left || !m.locate(u"ID", *left))
            throw Error(kNoMandant);
    }
    s.main.CBMandantenText = comboEntry(m);
    // From the wizard: the Mandant's stored settings stay unloaded, so the mapping of step 3
    // stays.
    selectMandantFromCombo(ctx, true);
}

// A source option of the main window changed: its handler runs as after a click.
void mainOptionChanged(Context &ctx)
{
    if (ctx.state.run.StartupDone)
        sourceOptionsChanged(ctx);
}

} // namespace

const QStringList &wizardMappingLabels()
{
    // Two labels differ from the main window's: "Laendercode" and "Datum".
    static const QStringList labels = {
        QStringLiteral("Name"),
        QStringLiteral("Kontonummer"),
        QStringLiteral("BLZ"),
        QStringLiteral("Verwendung1"),
        QStringLiteral("Verwendung2"),
        QStringLiteral("Verwendung3"),
        QStringLiteral("Verwendung4"),
        QStringLiteral("Betrag"),
        QStringLiteral("Name2"),
        QStringLiteral("Straße"),
        QStringLiteral("OrtLand"),
        QStringLiteral("Mandatsreferenz/NotizIntern"),
        QStringLiteral("Ansprechpartner"),
        QStringLiteral("IBAN"),
        QStringLiteral("BIC"),
        QStringLiteral("Laendercode"),
        QStringLiteral("Währung"),
        QStringLiteral("Datum"),
    };
    return labels;
}

bool wizardDueAfterStart(const Context &ctx)
{
    return ctx.state.run.FirstStart && !ctx.services.unattended;
}

void openWizard(Context &ctx, WizardState &w)
{
    applyPurposeLineLayout(ctx);
    w.page = WizardPage::Start;
}

void showWizardPage(WizardState &w, WizardPage page)
{
    w.page = page;
}

void showWizardMapping(WizardState &w)
{
    const int selected = w.SgDatei2.selectedRow;
    w.SgDatei2 = w.SGDatei;
    w.SgDatei2.selectedRow = std::clamp(selected, 0, w.SgDatei2.rowCount() - 1);

    MappingGrid &g = w.SGDatenbank;
    g.setCell(0, 0, QStringLiteral("Feldname"));
    g.setCell(1, 0, QStringLiteral("zug. Dateifeld"));
    g.setCell(2, 0, QStringLiteral("1. Datensatz"));
    const QStringList &labels = wizardMappingLabels();
    for (int i = 0; i < labels.size(); ++i)
        g.setCell(0, i + 1, labels[i]);
    g.rowCount = kMappingRows;
    w.page = WizardPage::Mapping;
}

void assignWizardField(Context &ctx, WizardState &w)
{
    MappingGrid &g = w.SGDatenbank;
    const import::SourceGrid &src = w.SgDatei2;
    const int r = src.selectedRow;
    const int t = g.selectedRow;
    if (t < 1 || t >= kMappingRows || r < 0)
        return;
    // The amount is shown as it stands in the source, whatever the main window's notation.
    g.setCell(1, t, src.cell(0, r));
    g.setCell(2, t, src.cell(1, r));

    ColumnMapping &m = ctx.state.source.mapping;
    if (t != 1) {
        entryOfRow(m, t) = r;
        return;
    }
    if (m.NameX == -1) {
        m.NameX = r;
        return;
    }
    // Name is assigned already: this is the second name part (a third assignment replaces it).
    m.NameX2 = r;
    g.setCell(1, t, src.cell(0, m.NameX) + u' ' + src.cell(0, r));
    g.setCell(2, t, src.cell(1, m.NameX) + u' ' + src.cell(1, r));
}

void chooseWizardMandant(Context &ctx, WizardState &w)
{
    MainState &s = ctx.state;
    store::Table &m = ctx.data.ClientDataSet3;
    s.main.Label9Visible = false;

    const std::optional<qint32> loadedBefore = currentMandantId(m);
    std::optional<qint32> highestBefore;
    if (m.isOpen() && !m.isEmpty())
        highestBefore = m.maxIntegerEver(m.field(u"ID"));

    if (MandantEditor *editor = ctx.services.mandantEditor)
        editor->edit(ctx);

    w.mandantEntry.clear();
    try {
        selectWizardMandant(ctx, highestBefore);
        w.mandantEntry = s.main.CBMandantenText;
    } catch (const Error &) {
        s.main.Label9Visible = true;
    }

    // The format generation: the loaded Mandant's choice (maybe not saved yet), else the one
    // stored for the chosen Mandant; a Mandant without one starts with 2019.
    const std::optional<qint32> chosen = currentMandantId(m);
    if (chosen && chosen == loadedBefore) {
        w.SEPAFormat = s.main.SEPAFormat.value_or(sepa::Generation::V2019);
    } else {
        const qint32 stored = chosen ? readMandantInteger(ctx, u"SEPAFormat") : -1;
        w.SEPAFormat = stored == -1 ? sepa::Generation::V2019 : sepa::generationFromSetting(stored);
    }
    w.page = WizardPage::Finish;
}

void chooseWizardTargetFile(Context &ctx, WizardState &w)
{
    const std::optional<QString> chosen = ctx.dialogs().saveFileNamed(
        wizardtext::kTargetFilter, QStringLiteral("xml"), wizardtext::kTargetFileName);
    if (!chosen || chosen->isEmpty())
        return;
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty())
        path += path.endsWith(u'.') ? QStringLiteral("xml") : QStringLiteral(".xml");
    w.EZieldatei = path;
}

void finishWizard(Context &ctx, WizardState &w)
{
    MainState &s = ctx.state;
    // 1, 2: source path and table list
    s.main.EQuelldatei = w.EQuelldatei;
    s.source.CBTabellenItems = w.CBTabellenItems;
    s.source.CBTabellenText = w.CBTabellenText;
    // 3: the separator; its change handler runs as on the main window
    if (s.source.separator != w.separator) {
        s.source.separator = w.separator;
        mainOptionChanged(ctx);
    }
    // 4, 5: payment type and target file, with the format generation beside them
    s.main.RGZahlungsart = w.RGZahlungsart;
    s.main.EZieldatei = w.EZieldatei;
    s.main.SEPAFormat = w.SEPAFormat;
    // 6: the title row option
    if (s.source.CBTitelzeile != w.CBTitelzeile) {
        s.source.CBTitelzeile = w.CBTitelzeile;
        mainOptionChanged(ctx);
    }
    // 7: the source grid of step 3. The main mapping grid keeps its own layout (it may show
    // eight purpose lines and the mandate fields) and shows the shared mapping.
    const int selected = s.source.SGDatei.selectedRow;
    s.source.SGDatei = w.SgDatei2;
    s.source.SGDatei.selectedRow = std::clamp(selected, 0, s.source.SGDatei.rowCount() - 1);
    buildMappingGrid(ctx);
    showMappingPreview(ctx);
    // 8: every setting of the current Mandant, the mapping included
    saveSettings(ctx);
    // 9: read again with the main window's own options
    sourceOptionsChanged(ctx);
}

} // namespace ordovan::app
