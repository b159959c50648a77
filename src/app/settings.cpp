// The settings of the main window: the eight access operations on the settings store and the
// composite load and save. Per-Mandant values live in the key named after the ID of the
// current row of ClientDataSet3; global ones (counters, window, column widths, last Mandant)
// in the root key.
#include "context.h"
#include "operations.h"
#include "settingsnames.h"

#include "platform/settingsstore.h"

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

namespace {

// A source option changed: like a click on it, this re-reads the source once start-up is
// done.
void optionChanged(Context &ctx, bool changed)
{
    if (changed && ctx.state.run.StartupDone)
        sourceOptionsChanged(ctx);
}

template<typename T>
bool assign(T &target, const T &value)
{
    if (target == value)
        return false;
    target = value;
    return true;
}

int choiceOrDefault(qint32 stored, int maxChoice)
{
    return stored < 0 || stored > maxChoice ? 0 : stored;
}

void loadConstant(Context &ctx, ConstantField &field, QStringView name)
{
    const QString text = readMandantString(ctx, name);
    field.checked = !text.isEmpty();
    field.text = text;
}

} // namespace

void applyPurposeLineLayout(Context &ctx)
{
    buildMappingGrid(ctx);
    if (!ctx.state.main.EQuelldatei.isEmpty())
        showMappingPreview(ctx);
}

void loadSettings(Context &ctx)
{
    MainState &s = ctx.state;
    s.main.EQuelldatei = readMandantString(ctx, names::Quelldatei);
    s.main.EZieldatei = readMandantString(ctx, names::Zieldatei);
    s.main.CBDatumueberschreiben = readMandantInteger(ctx, names::Datumueberschreiben) == 1;
    s.source.CBTabellenText = readMandantString(ctx, names::Tabellenname);

    ColumnMapping &m = s.source.mapping;
    m.NameX = readMandantInteger(ctx, names::NameX);
    m.NameX2 = readMandantInteger(ctx, names::NameX2);
    m.Blz1 = readMandantInteger(ctx, names::Blz1);
    m.Kto1 = readMandantInteger(ctx, names::Kto1);
    m.Betrag = readMandantInteger(ctx, names::Betrag);
    for (int i = 0; i < 14; ++i)
        m.Verw[i] = readMandantInteger(ctx, names::verw(i + 1));
    m.Name2X = readMandantInteger(ctx, names::Name2X);
    m.StrasseX = readMandantInteger(ctx, names::StrasseX);
    m.OrtLandX = readMandantInteger(ctx, names::OrtLandX);
    m.NotitzInternX = readMandantInteger(ctx, names::NotitzInternX);
    m.AnsprechpartnerX = readMandantInteger(ctx, names::AnsprechpartnerX);
    m.IBANx = readMandantInteger(ctx, names::IBANx);
    m.BICx = readMandantInteger(ctx, names::BICx);
    m.LaendercodeX = readMandantInteger(ctx, names::LaendercodeX);
    m.WaehrungX = readMandantInteger(ctx, names::WaehrungX);
    m.DatumX = readMandantInteger(ctx, names::DatumX);
    m.MandatsdatumX = readMandantInteger(ctx, names::MandatsdatumX);
    m.SequenztypX = readMandantInteger(ctx, names::SequenztypX);

    // The stored amount notation goes into the choice first; a missing one leaves no item
    // checked until "11,58" is checked below. Only checking an item counts as a click on it.
    const qint32 storedNotation = readMandantInteger(ctx, names::Betragformat);
    const int notation = storedNotation == -1 ? -1 : choiceOrDefault(storedNotation, 1);
    if (assign(s.source.RGBetrag, AmountNotation(notation)) && notation >= 0)
        optionChanged(ctx, true);

    loadConstant(ctx, s.main.Betragkonst, names::BetragKonst);
    for (int i = 0; i < 14; ++i)
        loadConstant(ctx, s.main.Verwkonst[i], names::verwKonst(i + 1));

    if (assign(s.main.CB8Verw, readMandantInteger(ctx, names::Verw8) == 1))
        applyPurposeLineLayout(ctx);
    if (storedNotation == -1)
        optionChanged(ctx, assign(s.source.RGBetrag, AmountNotation::Decimal));
    s.main.RGZahlungsart = choiceOrDefault(readMandantInteger(ctx, names::Zahlungsart), 3);

    const QString separator = readMandantString(ctx, names::Trennzeichen);
    if (separator == u"Komma")
        optionChanged(ctx, assign(s.source.separator, Separator::Comma));
    else if (separator == u"Tabulator")
        optionChanged(ctx, assign(s.source.separator, Separator::Tab));
    else if (separator == u"Semikolon")
        optionChanged(ctx, assign(s.source.separator, Separator::Semicolon));
    const QString qualifier = readMandantString(ctx, names::Textkennzeichner);
    if (qualifier == u"doppelt")
        optionChanged(ctx, assign(s.source.qualifier, Qualifier::Double));
    else if (qualifier == u"einfach")
        optionChanged(ctx, assign(s.source.qualifier, Qualifier::Single));
    else if (qualifier == u"keine")
        optionChanged(ctx, assign(s.source.qualifier, Qualifier::None));

    optionChanged(ctx,
                  assign(s.source.CBTitelzeile, readMandantInteger(ctx, names::Titelzeile) != 0));
    s.main.LLastGut = paymentTypeCaption(s.main.RGZahlungsart);

    s.main.CBBuchungs = readMandantInteger(ctx, names::Buchungs) == 1;
    s.main.CBBegleit = readMandantInteger(ctx, names::Begleit) == 1;
    if (assign(s.main.CBIBANonly, readMandantInteger(ctx, names::IBANonly) == 1))
        applyPurposeLineLayout(ctx);
    s.main.CBLogspeichern = readMandantInteger(ctx, names::LogSpeichern) == 1;
    const qint32 format = readMandantInteger(ctx, names::SEPAFormat);
    s.main.SEPAFormat =
        format == -1 ? std::nullopt : std::optional(sepa::generationFromSetting(format));

    sourceOptionsChanged(ctx);
    showMappingPreview(ctx);
}

void saveSettings(Context &ctx)
{
    MainState &s = ctx.state;
    {
        platform::SettingsStore::Batch batch(ctx.settings);
        switch (s.source.separator) {
        case Separator::Comma:
            writeMandantString(ctx, names::Trennzeichen, QStringLiteral("Komma"));
            break;
        case Separator::Tab:
            writeMandantString(ctx, names::Trennzeichen, QStringLiteral("Tabulator"));
            break;
        case Separator::Semicolon:
            writeMandantString(ctx, names::Trennzeichen, QStringLiteral("Semikolon"));
            break;
        }
        switch (s.source.qualifier) {
        case Qualifier::Double:
            writeMandantString(ctx, names::Textkennzeichner, QStringLiteral("doppelt"));
            break;
        case Qualifier::Single:
            writeMandantString(ctx, names::Textkennzeichner, QStringLiteral("einfach"));
            break;
        case Qualifier::None:
            writeMandantString(ctx, names::Textkennzeichner, QStringLiteral("keine"));
            break;
        }
        writeMandantInteger(ctx, names::Titelzeile, s.source.CBTitelzeile ? 1 : 0);
        writeMandantInteger(ctx, names::Datumueberschreiben, s.main.CBDatumueberschreiben ? 1 : 0);
        writeMandantInteger(ctx, names::Betragformat, int(s.source.RGBetrag));
        writeMandantInteger(ctx, names::Zahlungsart, s.main.RGZahlungsart);

        const ColumnMapping &m = s.source.mapping;
        writeMandantInteger(ctx, names::NameX, m.NameX);
        writeMandantInteger(ctx, names::NameX2, m.NameX2);
        writeMandantInteger(ctx, names::Blz1, m.Blz1);
        writeMandantInteger(ctx, names::Kto1, m.Kto1);
        writeMandantInteger(ctx, names::Betrag, m.Betrag);
        for (int i = 0; i < 14; ++i)
            writeMandantInteger(ctx, names::verw(i + 1), m.Verw[i]);
        writeMandantInteger(ctx, names::Name2X, m.Name2X);
        writeMandantInteger(ctx, names::StrasseX, m.StrasseX);
        writeMandantInteger(ctx, names::OrtLandX, m.OrtLandX);
        writeMandantInteger(ctx, names::NotitzInternX, m.NotitzInternX);
        writeMandantInteger(ctx, names::AnsprechpartnerX, m.AnsprechpartnerX);
        writeMandantInteger(ctx, names::IBANX, m.IBANx);
        writeMandantInteger(ctx, names::BICX, m.BICx);
        writeMandantInteger(ctx, names::LaendercodeX, m.LaendercodeX);
        writeMandantInteger(ctx, names::WaehrungX, m.WaehrungX);
        writeMandantInteger(ctx, names::DatumX, m.DatumX);
        writeMandantInteger(ctx, names::MandatsdatumX, m.MandatsdatumX);
        writeMandantInteger(ctx, names::SequenztypX, m.SequenztypX);

        writeMandantString(ctx, names::Quelldatei, s.main.EQuelldatei);
        writeMandantString(ctx, names::Zieldatei, s.main.EZieldatei);
        writeMandantString(ctx, names::Tabellenname, s.source.CBTabellenText);

        auto constantText = [](const ConstantField &f) { return f.checked ? f.text : QString(); };
        writeMandantString(ctx, names::Betragkonst, constantText(s.main.Betragkonst));
        for (int i = 0; i < 14; ++i)
            writeMandantString(ctx, names::verwkonst(i + 1), constantText(s.main.Verwkonst[i]));

        writeMandantInteger(ctx, names::Verw8, s.main.CB8Verw ? 1 : 0);
        writeMandantInteger(ctx, names::Begleit, s.main.CBBegleit ? 1 : 0);
        writeMandantInteger(ctx, names::IBANonly, s.main.CBIBANonly ? 1 : 0);
        writeMandantInteger(ctx, names::Buchungs, s.main.CBBuchungs ? 1 : 0);
        writeMandantInteger(ctx, names::LogSpeichern, s.main.CBLogspeichern ? 1 : 0);
        // A Mandant that never chose a format generation keeps a store without the value,
        // so that it follows the banks' current generation.
        if (s.main.SEPAFormat)
            writeMandantInteger(ctx, names::SEPAFormat,
                                *s.main.SEPAFormat == sepa::Generation::V2019 ? 1 : 0);

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
    ctx.data.saveWorkingTables();
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
                               column.width < 0 ? defaultColumnWidth : column.width);
    }
    batch.commit();
}

} // namespace ordovan::app
