// The values of the Mandant key and how each is kept: one table drives both the load and the
// save of the per-Mandant settings, so that a value name is spelt in one place only.
#include "mandantvalues.h"

#include "context.h"
#include "operations.h"

#include <algorithm>
#include <array>
#include <optional>
#include <type_traits>
#include <variant>

namespace ordovan::app {

namespace {

// ---- The per-Mandant values ------------------------------------------------------------
// One row per value of the Mandant key: its name, where it lives in the state, how it is
// stored, and what reading it sets off in the window. Rows stand in the order the values are
// written, which is the order a new settings file lists them in; readStep gives the order
// they are read in, which differs because the window applied them in its own order and some
// react to others.

// How a value is kept in the state and in the store.
enum class Kind
{
    Text,       // QString, stored as a string
    Column,     // int, a source column or -1, stored as the number
    Flag,       // bool, stored as 1 or 0; only the opposite of the fallback's number flips it
    Choice,     // int in 0..highest, stored as the number; anything else reads as the fallback
    Constant,   // ConstantField, stored as its text, empty when unchecked; any text checks it
    Words,      // Separator or Qualifier, stored as one of `words`; another word keeps the state
    Notation,   // AmountNotation, stored as the number; missing: the fallback, applied later
    Generation, // optional SEPA generation, stored as 1 (2019) or 0; not stored when unchosen
};

// What a read value sets off when it changed the state.
enum class Reaction
{
    None,
    SourceOption, // re-reads the source once start-up is done
    Layout,       // rebuilds the mapping grid
};

// A step of the load that follows reading a row.
enum class After
{
    None,
    NotationDefault, // a missing amount notation takes its fallback here
    PaymentCaption,  // the caption of the payment type
};

using Member = std::variant<QString *, int *, bool *, ConstantField *, Separator *, Qualifier *,
                            AmountNotation *, std::optional<sepa::Generation> *>;

struct MandantValue
{
    const char16_t *name;             // as written; "%1" stands for the line of a repeated value
    const char16_t *readAs = nullptr; // where it has always been read in another letter case
    Kind kind = Kind::Text;
    Member (*member)(MainState &, int line) = nullptr;
    int readStep = 0;
    int lines = 1;    // repeated values: Verw1 .. Verw14
    int fallback = 0; // Flag: 1 for on; Choice and Notation: the value for nothing usable
    int highest = 0;  // Choice and Notation
    std::array<const char16_t *, 3> words = {}; // Words, by the enum's value
    Reaction reaction = Reaction::None;
    After after = After::None;
};

#define AT(path) [](MainState &s, [[maybe_unused]] int i) -> Member { return &s.path; }

// One value a line or two, like a table.
// clang-format off
const MandantValue kMandantValues[] = {
    {.name = u"Trennzeichen", .kind = Kind::Words, .member = AT(source.separator), .readStep = 10,
     .words = {u"Tabulator", u"Semikolon", u"Komma"}, .reaction = Reaction::SourceOption},
    {.name = u"Textkennzeichner", .kind = Kind::Words, .member = AT(source.qualifier),
     .readStep = 11, .words = {u"doppelt", u"einfach", u"keine"},
     .reaction = Reaction::SourceOption},
    {.name = u"Titelzeile", .kind = Kind::Flag, .member = AT(source.CBTitelzeile), .readStep = 12,
     .fallback = 1, .reaction = Reaction::SourceOption, .after = After::PaymentCaption},
    {.name = u"Datumueberschreiben", .kind = Kind::Flag, .member = AT(main.CBDatumueberschreiben),
     .readStep = 3},
    {.name = u"Betragformat", .kind = Kind::Notation, .member = AT(source.RGBetrag), .readStep = 6,
     .fallback = int(AmountNotation::Decimal), .highest = 1, .reaction = Reaction::SourceOption},
    {.name = u"Zahlungsart", .kind = Kind::Choice, .member = AT(main.RGZahlungsart), .readStep = 9,
     .fallback = LastschriftCore, .highest = Gutschrift},
    // The column mapping
    {.name = u"NameX", .kind = Kind::Column, .member = AT(source.mapping.NameX), .readStep = 5},
    {.name = u"NameX2", .kind = Kind::Column, .member = AT(source.mapping.NameX2), .readStep = 5},
    {.name = u"Blz1", .kind = Kind::Column, .member = AT(source.mapping.Blz1), .readStep = 5},
    {.name = u"Kto1", .kind = Kind::Column, .member = AT(source.mapping.Kto1), .readStep = 5},
    {.name = u"Betrag", .kind = Kind::Column, .member = AT(source.mapping.Betrag), .readStep = 5},
    {.name = u"Verw%1", .kind = Kind::Column, .member = AT(source.mapping.Verw[i]), .readStep = 5,
     .lines = 14},
    {.name = u"Name2X", .kind = Kind::Column, .member = AT(source.mapping.Name2X), .readStep = 5},
    {.name = u"StrasseX", .kind = Kind::Column, .member = AT(source.mapping.StrasseX),
     .readStep = 5},
    {.name = u"OrtLandX", .kind = Kind::Column, .member = AT(source.mapping.OrtLandX),
     .readStep = 5},
    {.name = u"NotitzInternX", .kind = Kind::Column, .member = AT(source.mapping.NotitzInternX),
     .readStep = 5},
    {.name = u"AnsprechpartnerX", .kind = Kind::Column,
     .member = AT(source.mapping.AnsprechpartnerX), .readStep = 5},
    {.name = u"IBANX", .readAs = u"IBANx", .kind = Kind::Column, .member = AT(source.mapping.IBANx),
     .readStep = 5},
    {.name = u"BICX", .readAs = u"BICx", .kind = Kind::Column, .member = AT(source.mapping.BICx),
     .readStep = 5},
    {.name = u"LaendercodeX", .kind = Kind::Column, .member = AT(source.mapping.LaendercodeX),
     .readStep = 5},
    {.name = u"WaehrungX", .kind = Kind::Column, .member = AT(source.mapping.WaehrungX),
     .readStep = 5},
    {.name = u"DatumX", .kind = Kind::Column, .member = AT(source.mapping.DatumX), .readStep = 5},
    {.name = u"MandatsdatumX", .kind = Kind::Column, .member = AT(source.mapping.MandatsdatumX),
     .readStep = 5},
    {.name = u"SequenztypX", .kind = Kind::Column, .member = AT(source.mapping.SequenztypX),
     .readStep = 5},
    // Files
    {.name = u"Quelldatei", .kind = Kind::Text, .member = AT(main.EQuelldatei), .readStep = 1},
    {.name = u"Zieldatei", .kind = Kind::Text, .member = AT(main.EZieldatei), .readStep = 2},
    {.name = u"Tabellenname", .kind = Kind::Text, .member = AT(source.CBTabellenText),
     .readStep = 4},
    // Constant fields
    {.name = u"Betragkonst", .readAs = u"BetragKonst", .kind = Kind::Constant,
     .member = AT(main.Betragkonst), .readStep = 7},
    {.name = u"Verw%1konst", .readAs = u"Verw%1Konst", .kind = Kind::Constant,
     .member = AT(main.Verwkonst[i]), .readStep = 7, .lines = 14},
    // Options
    {.name = u"8Verw", .kind = Kind::Flag, .member = AT(main.CB8Verw), .readStep = 8,
     .reaction = Reaction::Layout, .after = After::NotationDefault},
    {.name = u"Begleit", .kind = Kind::Flag, .member = AT(main.CBBegleit), .readStep = 14},
    {.name = u"IBANonly", .kind = Kind::Flag, .member = AT(main.CBIBANonly), .readStep = 15,
     .reaction = Reaction::Layout},
    {.name = u"Buchungs", .kind = Kind::Flag, .member = AT(main.CBBuchungs), .readStep = 13},
    {.name = u"LogSpeichern", .kind = Kind::Flag, .member = AT(main.CBLogspeichern),
     .readStep = 16},
    {.name = u"SEPAFormat", .kind = Kind::Generation, .member = AT(main.SEPAFormat),
     .readStep = 17},
};
// clang-format on

#undef AT

QString valueName(const char16_t *pattern, const MandantValue &v, int line)
{
    const QString name = QString::fromUtf16(pattern);
    return v.lines > 1 ? name.arg(line + 1) : name;
}

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

int choiceOrDefault(qint32 stored, const MandantValue &v)
{
    return stored < 0 || stored > v.highest ? v.fallback : stored;
}

// What the load carries from one row to a later one.
struct LoadPass
{
    std::optional<AmountNotation> pendingNotation;
};

// Reads one line of a value into the state; true when the state changed in a way the row's
// reaction answers.
bool readValue(Context &ctx, LoadPass &pass, const MandantValue &v, int line)
{
    const QString name = valueName(v.readAs ? v.readAs : v.name, v, line);
    const Member member = v.member(ctx.state, line);
    switch (v.kind) {
    case Kind::Text:
        *std::get<QString *>(member) = readMandantString(ctx, name);
        return false;
    case Kind::Column:
        *std::get<int *>(member) = readMandantInteger(ctx, name);
        return false;
    case Kind::Flag: {
        const qint32 stored = readMandantInteger(ctx, name);
        return assign(*std::get<bool *>(member), v.fallback ? stored != 0 : stored == 1);
    }
    case Kind::Choice:
        *std::get<int *>(member) = choiceOrDefault(readMandantInteger(ctx, name), v);
        return false;
    case Kind::Constant: {
        const QString text = readMandantString(ctx, name);
        ConstantField &field = *std::get<ConstantField *>(member);
        field.checked = !text.isEmpty();
        field.text = text;
        return false;
    }
    case Kind::Words: {
        const QString word = readMandantString(ctx, name);
        return std::visit(
            [&](auto *target) {
                if constexpr (std::is_same_v<decltype(target), Separator *> ||
                              std::is_same_v<decltype(target), Qualifier *>) {
                    using Enum = std::remove_pointer_t<decltype(target)>;
                    for (size_t k = 0; k < v.words.size(); ++k) {
                        if (v.words[k] && word == QStringView(v.words[k]))
                            return assign(*target, Enum(k));
                    }
                    return false;
                } else {
                    Q_ASSERT(false);
                    return false;
                }
            },
            member);
    }
    case Kind::Notation: {
        // A missing notation leaves no item checked until the fallback is checked later;
        // only checking an item counts as a click on it.
        const qint32 stored = readMandantInteger(ctx, name);
        const int notation = stored == -1 ? -1 : choiceOrDefault(stored, v);
        if (stored == -1)
            pass.pendingNotation = AmountNotation(v.fallback);
        return assign(*std::get<AmountNotation *>(member), AmountNotation(notation)) &&
               notation >= 0;
    }
    case Kind::Generation: {
        const qint32 stored = readMandantInteger(ctx, name);
        *std::get<std::optional<sepa::Generation> *>(member) =
            stored == -1 ? std::nullopt : std::optional(sepa::generationFromSetting(stored));
        return false;
    }
    }
    return false;
}

void writeValue(Context &ctx, const MandantValue &v, int line)
{
    const QString name = valueName(v.name, v, line);
    const Member member = v.member(ctx.state, line);
    switch (v.kind) {
    case Kind::Text:
        writeMandantString(ctx, name, *std::get<QString *>(member));
        break;
    case Kind::Column:
    case Kind::Choice:
        writeMandantInteger(ctx, name, *std::get<int *>(member));
        break;
    case Kind::Flag:
        writeMandantInteger(ctx, name, *std::get<bool *>(member) ? 1 : 0);
        break;
    case Kind::Constant: {
        const ConstantField &field = *std::get<ConstantField *>(member);
        writeMandantString(ctx, name, field.checked ? field.text : QString());
        break;
    }
    case Kind::Words:
        std::visit(
            [&](auto *source) {
                if constexpr (std::is_same_v<decltype(source), Separator *> ||
                              std::is_same_v<decltype(source), Qualifier *>) {
                    const auto k = size_t(*source);
                    if (k < v.words.size() && v.words[k])
                        writeMandantString(ctx, name, QString::fromUtf16(v.words[k]));
                } else {
                    Q_ASSERT(false);
                }
            },
            member);
        break;
    case Kind::Notation:
        writeMandantInteger(ctx, name, int(*std::get<AmountNotation *>(member)));
        break;
    case Kind::Generation:
        // A Mandant that never chose a format generation keeps a store without the value,
        // so that it follows the banks' current generation.
        if (const auto &g = *std::get<std::optional<sepa::Generation> *>(member))
            writeMandantInteger(ctx, name, *g == sepa::Generation::V2019 ? 1 : 0);
        break;
    }
}

const QList<const MandantValue *> &valuesInReadOrder()
{
    static const QList<const MandantValue *> order = [] {
        QList<const MandantValue *> rows;
        for (const MandantValue &v : kMandantValues)
            rows.append(&v);
        std::stable_sort(rows.begin(), rows.end(),
                         [](const auto *a, const auto *b) { return a->readStep < b->readStep; });
        return rows;
    }();
    return order;
}

} // namespace

void readMandantValues(Context &ctx)
{
    MainState &s = ctx.state;
    LoadPass pass;
    for (const MandantValue *v : valuesInReadOrder()) {
        for (int line = 0; line < v->lines; ++line) {
            const bool changed = readValue(ctx, pass, *v, line);
            switch (v->reaction) {
            case Reaction::None:
                break;
            case Reaction::SourceOption:
                optionChanged(ctx, changed);
                break;
            case Reaction::Layout:
                if (changed)
                    applyPurposeLineLayout(ctx);
                break;
            }
        }
        switch (v->after) {
        case After::None:
            break;
        case After::NotationDefault:
            if (pass.pendingNotation)
                optionChanged(ctx, assign(s.source.RGBetrag, *pass.pendingNotation));
            break;
        case After::PaymentCaption:
            s.main.LLastGut = paymentTypeCaption(s.main.RGZahlungsart);
            break;
        }
    }
}

void writeMandantValues(Context &ctx)
{
    for (const MandantValue &v : kMandantValues) {
        for (int line = 0; line < v.lines; ++line)
            writeValue(ctx, v, line);
    }
}

} // namespace ordovan::app
