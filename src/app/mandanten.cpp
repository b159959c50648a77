// The Mandanten on the main window: the combo list CBMandanten, applying its selection to the
// Mandant labels (which the SEPA run and the history read) and to the settings key, the bank
// names from the bank directory, the editor flows, and the one-time conversion of the older
// Mandant file db3.xml. ClientDataSet3 owns the Mandanten; its current row is the selected
// Mandant, whose settings key the settings operations use.
#include "context.h"
#include "mandanteditor.h"
#include "operations.h"
#include "settingsnames.h"

#include "base/error.h"
#include "store/schema.h"

namespace ordovan::app {

namespace mandanttext {
const QString kNoMandant = QStringLiteral("Es ist kein Mandant vorhanden.");
const QString kEntrySeparator = QStringLiteral(" -  ");
} // namespace mandanttext

namespace {

QString comboEntry(const store::Table &m)
{
    return m.text(u"ID") + mandanttext::kEntrySeparator + m.text(u"Name");
}

// Fields copied from a Mandant of the old layout; IBANs, BICs and GlID stay empty.
const QStringList &convertedFields()
{
    static const QStringList names = {QStringLiteral("Name"), QStringLiteral("Kontonummer1"),
                                      QStringLiteral("BLZ1"), QStringLiteral("Kontonummer2"),
                                      QStringLiteral("BLZ2"), QStringLiteral("Kontonummer3"),
                                      QStringLiteral("BLZ3"), QStringLiteral("Straße"),
                                      QStringLiteral("PLZ"),  QStringLiteral("Ort"),
                                      QStringLiteral("Land"), QStringLiteral("Aktives Konto")};
    return names;
}

void convertRow(const store::Table &old, store::Table &m, std::optional<qint32> id)
{
    m.insert(); // draws a number and sets "Aktives Konto" 1
    if (id)
        m.setValue(m.field(u"ID"), *id);
    for (const QString &name : convertedFields())
        m.setValue(m.field(name), old.value(name));
    m.post();
}

// Copies every old Mandant into m (not yet written to its file).
void copyOldMandanten(Context &ctx, store::Table &old, store::Table &m)
{
    // Old numbers stay, since the Mandanten's settings keys carry them. A row without a
    // number, or repeating one already taken, gets a newly drawn number afterwards, so two
    // Mandanten never share a number (and a key).
    const int oldIdField = old.field(u"ID");
    QList<int> later;
    int position = 0;
    for (old.first(); !old.eof() && old.hasCurrentRow(); old.next(), ++position) {
        const std::optional<qint32> oldId = old.integer(oldIdField);
        if (!oldId || m.locate(u"ID", *oldId))
            later << position;
        else
            convertRow(old, m, oldId);
    }
    position = 0;
    for (old.first(); !old.eof() && old.hasCurrentRow(); old.next(), ++position) {
        if (later.contains(position))
            convertRow(old, m, std::nullopt);
    }
    // The old numbers may lie above the counter: raise it so no number is handed out twice.
    ctx.numbers.guard(store::RecordNumbers::kMandant, m);
}

} // namespace

void installMandantHooks(Context &ctx)
{
    store::Table &directory = ctx.data.ClientDataSet4;
    // For each account the first directory row of its bank code, in the directory's order,
    // names the bank; an unknown code leaves the name empty. Errors leave the rest empty (the
    // table swallows them: the names are for display only).
    ctx.data.ClientDataSet3.calcFields = [&directory](store::Table &m) {
        for (int n = 1; n <= 3; ++n) {
            const QString code = m.text(QStringLiteral("BLZ%1").arg(n));
            if (code.isEmpty() || !directory.locate(u"BLZ", code))
                continue;
            m.setCalculatedValue(m.field(QStringLiteral("Bank%1").arg(n)),
                                 directory.value(u"Bank"));
        }
    };
}

void selectMandantFromCombo(Context &ctx, bool fromWizard)
{
    MainState &s = ctx.state;
    store::Table &m = ctx.data.ClientDataSet3;

    const QString &text = s.main.CBMandantenText;
    const qsizetype blank = text.indexOf(u' ');
    // A number that names no Mandant leaves the table on its current row, which is then the
    // one applied (the labels always show the Mandant the run will use).
    m.locate(u"ID", blank < 0 ? text : text.left(blank));
    if (!m.hasCurrentRow())
        throw Error(mandanttext::kNoMandant);

    s.main.LKontoinhaber = m.text(u"Name");
    s.main.linhaberstrasse = m.text(u"Straße");
    s.main.lort = m.text(u"Ort");
    const std::optional<qint32> active = m.integer(m.field(u"Aktives Konto"));
    if (active && *active >= 1 && *active <= 3) {
        const QString n = QString::number(*active);
        s.main.LKontonummer = m.text(QStringLiteral("Kontonummer") + n);
        s.main.LBankleitzahl = m.text(QStringLiteral("BLZ") + n);
        s.main.LIBAN = m.text(QStringLiteral("IBAN") + n);
        s.main.LBIC = m.text(QStringLiteral("BIC") + n);
        s.main.LDebtorID = m.text(u"GlID");
    }
    writeGlobalInteger(ctx, names::Mandant, m.integer(m.field(u"ID")).value_or(0));
    if (!fromWizard)
        loadSettings(ctx);
}

void fillMandantCombo(Context &ctx)
{
    MainState &s = ctx.state;
    store::Table &m = ctx.data.ClientDataSet3;
    s.main.CBMandantenItems.clear();
    try {
        for (m.first(); !m.eof() && m.hasCurrentRow(); m.next())
            s.main.CBMandantenItems << comboEntry(m);
        // Without a stored (or existing) number the table stays on its last row, which is
        // then selected.
        m.locate(u"ID", readGlobalInteger(ctx, names::Mandant));
        if (!m.hasCurrentRow())
            throw Error(mandanttext::kNoMandant);
        s.main.CBMandantenText = comboEntry(m);
        selectMandantFromCombo(ctx);
    } catch (const Error &) {
        s.main.Label9Visible = true;
    }
}

void newMandant(Context &ctx)
{
    MandantEditor *editor = ctx.services.mandantEditor;
    if (!editor)
        return;
    ctx.data.ClientDataSet3.insert();
    editor->edit(ctx);
    // The list is not refilled: a new Mandant shows up after "Finden" or the next start.
    selectMandantFromCombo(ctx);
}

void editMandant(Context &ctx)
{
    MandantEditor *editor = ctx.services.mandantEditor;
    if (!editor)
        return;
    editor->edit(ctx);
    selectMandantFromCombo(ctx);
}

void findMandant(Context &ctx)
{
    MandantEditor *editor = ctx.services.mandantEditor;
    if (!editor)
        return;
    ctx.state.main.Label9Visible = false;
    editor->edit(ctx);
    fillMandantCombo(ctx);
}

bool convertOldMandanten(Context &ctx)
{
    store::DataModule &data = ctx.data;
    store::Table &old = data.ClientDataSetMandantAlt;
    old.setFilePath(data.pathOf(QStringLiteral("db3.xml")));
    // An unreadable old file stops here, before mandant.xml exists.
    data.loadTable(old);

    store::Table &m = data.ClientDataSet3;
    m.createEmpty(store::mandantFields());
    try {
        copyOldMandanten(ctx, old, m);
    } catch (...) {
        // mandant.xml is written only once every Mandant is in it: without it, the next
        // start converts again instead of finding an empty file and losing the old ones.
        m.close();
        throw;
    }
    data.saveTable(m);
    return true;
}

} // namespace ordovan::app
