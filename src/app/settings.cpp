// The settings of the main window: the eight access operations on the settings store and the
// composite load and save. Per-Mandant values live in the key named after the ID of the
// current row of ClientDataSet3; global ones (counters, window, column widths, last Mandant)
// in the root key.
#include "batchrun.h"
#include "context.h"
#include "mandantvalues.h"
#include "operations.h"
#include "settingsnames.h"

#include "platform/settingsstore.h"

#include <QHash>

#include <algorithm>

namespace ordovan::app {

namespace {

// The key of the current Mandant, or nothing when ClientDataSet3 has no current row. Without
// a Mandant there is no key to hold per-Mandant values: reads find nothing and writes are
// dropped rather than spilling into the global key.
std::optional<QString> mandantKey(Context &ctx)
{
    store::Table &t = ctx.data.ClientDataSet3;
    if (!t.isOpen())
        return std::nullopt;
    const int f = t.fieldIndex(u"ID");
    if (f < 0)
        return std::nullopt;
    const auto id = t.integer(f);
    if (!id)
        return std::nullopt;
    return QString::number(*id);
}

} // namespace

qint32 readGlobalInteger(Context &ctx, QStringView name)
{
    return ctx.settings.readInteger(u"", name);
}

QString readGlobalString(Context &ctx, QStringView name)
{
    return ctx.settings.readString(u"", name);
}

void writeGlobalInteger(Context &ctx, QStringView name, qint32 value)
{
    ctx.settings.writeInteger(u"", name, value);
}

void writeGlobalString(Context &ctx, QStringView name, const QString &value)
{
    ctx.settings.writeString(u"", name, value);
}

qint32 readMandantInteger(Context &ctx, QStringView name)
{
    const auto key = mandantKey(ctx);
    return key ? ctx.settings.readInteger(*key, name) : -1;
}

QString readMandantString(Context &ctx, QStringView name)
{
    const auto key = mandantKey(ctx);
    return key ? ctx.settings.readString(*key, name) : QString();
}

void writeMandantInteger(Context &ctx, QStringView name, qint32 value)
{
    if (const auto key = mandantKey(ctx))
        ctx.settings.writeInteger(*key, name, value);
}

void writeMandantString(Context &ctx, QStringView name, const QString &value)
{
    if (const auto key = mandantKey(ctx))
        ctx.settings.writeString(*key, name, value);
}

// ---------------------------------------------------------------------------------------

void applyPurposeLineLayout(Context &ctx)
{
    buildMappingGrid(ctx);
    if (!ctx.state.main.EQuelldatei.isEmpty())
        showMappingPreview(ctx);
}

void loadSettings(Context &ctx)
{
    readMandantValues(ctx);
    sourceOptionsChanged(ctx);
    showMappingPreview(ctx);
}

void saveSettings(Context &ctx)
{
    MainState &s = ctx.state;
    {
        platform::SettingsStore::Batch batch(ctx.settings);
        writeMandantValues(ctx);
        switch (s.window.windowState) {
        case WindowState::Normal:
            writeGlobalString(ctx, names::WindowState, QStringLiteral("wsNormal"));
            writeGlobalInteger(ctx, names::Height, s.window.height);
            writeGlobalInteger(ctx, names::Width, s.window.width);
            break;
        case WindowState::Maximized:
            writeGlobalString(ctx, names::WindowState, QStringLiteral("wsMaximized"));
            break;
        case WindowState::Minimized:
            break;
        }
        saveColumnWidths(ctx);
        batch.commit();
    }
    ctx.data.saveWorkingTables(
        [&ctx](int done, int total) { ctx.reportProgress(batchtexts::stepSaving, done, total); });
}

namespace {

struct GridSpec
{
    QList<GridColumn> WindowGeometry::*columns;
    const char16_t *prefix;
    QStringList captions;
};

const QList<GridSpec> &gridSpecs()
{
    static const QList<GridSpec> specs = {
        {&WindowGeometry::DBGrid1Columns,
         u"BreiteA",
         {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Kontonr."),
          QStringLiteral("BLZ"), QStringLiteral("Verwendungszweck"), QStringLiteral("Betrag"),
          QStringLiteral("Zahlungsart"), QStringLiteral("Erstellungsdatum")}},
        {&WindowGeometry::DBGrid3Columns,
         u"BreiteC",
         {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Kontonr."),
          QStringLiteral("BLZ"), QStringLiteral("Verwendungszweck"), QStringLiteral("Betrag"),
          QStringLiteral("Zahlungsart"), QStringLiteral("Erstellungsdatum")}},
        {&WindowGeometry::DBGrid4Columns,
         u"BreiteB",
         {QStringLiteral("ID"), QStringLiteral("Von ID"), QStringLiteral("Bis ID"),
          QStringLiteral("Logdatei Name"), QStringLiteral("Gesamtbetrag"),
          QStringLiteral("Zahlungsart"), QStringLiteral("Erstellungsdatum"),
          QStringLiteral("Ausführungsdatum"), QStringLiteral("Mandantenname"),
          QStringLiteral("Mandantenkontonr."), QStringLiteral("Mandanten-BLZ"),
          QStringLiteral("Dateiname"), QStringLiteral("Kontrollsumme Kontonr."),
          QStringLiteral("Kontrollsumme sgBLZ"), QStringLiteral("Gesamtzahl Sätze")}},
        {&WindowGeometry::DBGrid6Columns,
         u"BreiteE",
         {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Ort"),
          QStringLiteral("IBAN"), QStringLiteral("BIC"), QStringLiteral("Währung"),
          QStringLiteral("Datum"), QStringLiteral("Verwendungszweck"), QStringLiteral("Betrag"),
          QStringLiteral("Erstellungsdatum")}},
    };
    return specs;
}

} // namespace

int defaultColumnWidth(const QString &caption)
{
    static const QHash<QString, int> widths = {
        {QStringLiteral("ID"), 45},
        {QStringLiteral("Von ID"), 55},
        {QStringLiteral("Bis ID"), 55},
        {QStringLiteral("Name"), 150},
        {QStringLiteral("Name1"), 150},
        {QStringLiteral("Name2"), 100},
        {QStringLiteral("Mandantenname"), 150},
        {QStringLiteral("Straße"), 120},
        {QStringLiteral("Ort"), 110},
        {QStringLiteral("OrtLand"), 110},
        {QStringLiteral("Kontonr."), 90},
        {QStringLiteral("Mandantenkontonr."), 130},
        {QStringLiteral("BLZ"), 80},
        {QStringLiteral("Mandanten-BLZ"), 110},
        {QStringLiteral("IBAN"), 170},
        {QStringLiteral("BIC"), 95},
        {QStringLiteral("Verwendungszweck"), 200},
        {QStringLiteral("Betrag"), 85},
        {QStringLiteral("Gesamtbetrag"), 100},
        {QStringLiteral("Währung"), 65},
        {QStringLiteral("Ländercode"), 85},
        {QStringLiteral("Zahlungsart"), 120},
        {QStringLiteral("Datum"), 75},
        {QStringLiteral("Erstellungsdatum"), 125},
        {QStringLiteral("Ausführungsdatum"), 130},
        {QStringLiteral("Mandatsdatum"), 105},
        {QStringLiteral("Sequenztyp"), 90},
        {QStringLiteral("Logdatei Name"), 170},
        {QStringLiteral("Dateiname"), 200},
        {QStringLiteral("Kontrollsumme Kontonr."), 165},
        {QStringLiteral("Kontrollsumme sgBLZ"), 150},
        {QStringLiteral("Gesamtzahl Sätze"), 125},
    };
    // Anything else: about eight pixels a letter of the caption, never below 64.
    return widths.value(caption, std::max(64, 8 * int(caption.size()) + 12));
}

void loadColumnWidths(Context &ctx)
{
    for (const GridSpec &spec : gridSpecs()) {
        QList<GridColumn> &columns = ctx.state.window.*(spec.columns);
        columns.resize(spec.captions.size());
        for (int i = 0; i < spec.captions.size(); ++i)
            columns[i].caption = spec.captions[i];
    }
    for (const GridSpec &spec : gridSpecs()) {
        for (GridColumn &column : ctx.state.window.*(spec.columns)) {
            const qint32 width =
                readGlobalInteger(ctx, QString::fromUtf16(spec.prefix) + column.caption);
            if (width != -1)
                column.width = width;
        }
    }
}

void saveColumnWidths(Context &ctx)
{
    platform::SettingsStore::Batch batch(ctx.settings);
    for (const GridSpec &spec : gridSpecs()) {
        QList<GridColumn> &columns = ctx.state.window.*(spec.columns);
        if (columns.isEmpty()) {
            for (const QString &caption : spec.captions)
                columns.append({caption, -1});
        }
        for (const GridColumn &column : columns)
            writeGlobalInteger(ctx, QString::fromUtf16(spec.prefix) + column.caption,
                               column.width < 0 ? defaultColumnWidth(column.caption)
                                                : column.width);
    }
    batch.commit();
}

} // namespace ordovan::app
