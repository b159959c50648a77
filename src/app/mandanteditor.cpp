// The Mandant editor's operations on the current row of ClientDataSet3: typing into a box,
// the account choice, "NEU", "Speichern", "Löschen", the navigator and the close check. The
// window only shows the row and the enabled controls and calls these. A change the table takes
// (a post or a deletion) is written to mandant.xml at once: the user pressed "Speichern" and
// must not lose the Mandant when the program is ended by force before the next save point.
#include "mandanteditor.h"

#include "context.h"

#include "base/codec.h"
#include "base/error.h"
#include "platform/dialogs.h"

#include <QStringView>

#include <algorithm>

namespace ordovan::app {

namespace mandanteditortext {
const QString kDeleteQuestion = QStringLiteral("Möchten Sie diesen Mandanten wirklich löschen?");
const QString kSaveChangesQuestion =
    QStringLiteral("Änderungen speichern beim aktuellen Datensatz?");
const QString kTooLong = QStringLiteral("Im Feld „%1“ sind höchstens %2 Zeichen möglich.");
const QString kBankCode = QStringLiteral("Im Feld „%1“ sind nur bis zu 8 Ziffern möglich.");
const QString kKeptInMemory = QStringLiteral(
    "Die Änderung bleibt erhalten und wird beim nächsten Speichern der Tabellen geschrieben.");
const QString kCharacter =
    QStringLiteral("Das Zeichen „%1“ kann im Feld „%2“ nicht gespeichert werden.");
} // namespace mandanteditortext

namespace {

using store::Table;

const QString kIdField = QStringLiteral("ID");
const QString kActiveAccountField = QStringLiteral("Aktives Konto");
constexpr int kBankCodeDigits = 8;

MandantBox box(const char16_t *field, const char16_t *caption, bool readOnly = false)
{
    return {QString::fromUtf16(field), QString::fromUtf16(caption), readOnly};
}

QList<MandantBox> accountBoxes(int n)
{
    const QString d = QString::number(n);
    return {{QStringLiteral("Kontonummer") + d, QStringLiteral("Kontonummer ") + d, false},
            {QStringLiteral("BLZ") + d, QStringLiteral("BLZ ") + d, false},
            {QStringLiteral("Bank") + d, QStringLiteral("Bank ") + d, true},
            {QStringLiteral("IBAN") + d, QStringLiteral("IBAN ") + d, false},
            {QStringLiteral("BIC") + d, QStringLiteral("BIC ") + d, false}};
}

QString captionOf(const QString &field)
{
    for (const QList<MandantBox> *column :
         {&mandantEditorLeftColumn(), &mandantEditorRightColumn()}) {
        for (const MandantBox &b : *column) {
            if (b.field.compare(field, Qt::CaseInsensitive) == 0)
                return b.caption;
        }
    }
    return field;
}

bool editing(const Table &m)
{
    return m.state() == Table::State::Edit || m.state() == Table::State::Insert;
}

// Like a data-aware box: the first change edits the shown Mandant, or starts a new one when
// there is none to edit.
void beginEditing(Table &m)
{
    if (editing(m))
        return;
    if (m.hasCurrentRow())
        m.edit();
    else
        m.insert();
}

void checkText(const Table &m, int field, const QString &text)
{
    const store::FieldDef &def = m.fieldDef(field);
    if (def.kind == store::FieldKind::Integer) {
        const QString t = text.trimmed();
        const bool digits =
            std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (!digits || t.size() > kBankCodeDigits)
            throw Error(mandanteditortext::kBankCode.arg(captionOf(def.name)));
        return;
    }
    if (def.kind != store::FieldKind::Text)
        return;
    qsizetype characters = 0;
    for (const char32_t ch : text.toUcs4()) {
        ++characters;
        // The table keeps Windows-1252; anything else would silently turn into "?".
        if (ch != U'?' && codec::unicodeToCp1252(ch) == '?')
            throw Error(
                mandanteditortext::kCharacter.arg(QString::fromUcs4(&ch, 1), captionOf(def.name)));
    }
    if (def.width > 0 && characters > def.width)
        throw Error(mandanteditortext::kTooLong.arg(captionOf(def.name)).arg(def.width));
}

// What the table took reaches mandant.xml now. A failure is reported, and the operation that
// changed the table still counts as done: the change stays in memory and reaches the file at
// the next save point.
void writeMandanten(Context &ctx)
{
    Table &m = ctx.data.ClientDataSet3;
    if (!m.modified() || editing(m))
        return;
    try {
        ctx.data.saveTable(m);
    } catch (const Error &e) {
        ctx.dialogs().message(platform::DialogKind::Error,
                              e.message() + u'\n' + mandanteditortext::kKeptInMemory, platform::Ok);
    }
}

} // namespace

const QList<MandantBox> &mandantEditorLeftColumn()
{
    static const QList<MandantBox> boxes = [] {
        QList<MandantBox> b = {box(u"ID", u"ID", true), box(u"Name", u"Name")};
        b += accountBoxes(1);
        b += {box(u"Straße", u"Straße"), box(u"PLZ", u"PLZ"), box(u"Ort", u"Ort"),
              box(u"GlID", u"Gläubiger-ID")};
        return b;
    }();
    return boxes;
}

const QList<MandantBox> &mandantEditorRightColumn()
{
    static const QList<MandantBox> boxes = accountBoxes(2) + accountBoxes(3);
    return boxes;
}

int mandantFieldWidth(const Table &m, const QString &field)
{
    const int f = m.fieldIndex(field);
    if (f < 0 || m.fieldDef(f).kind != store::FieldKind::Text)
        return 0;
    return m.fieldDef(f).width;
}

MandantEditorControls mandantEditorControls(const Context &ctx)
{
    const Table &m = ctx.data.ClientDataSet3;
    MandantEditorControls c;
    if (!m.isOpen())
        return c;
    c.editable = true;
    c.canSave = editing(m);
    if (m.state() == Table::State::Insert) {
        // A new Mandant's number is above every other, so it is posted as the last row.
        c.canDelete = true;
        c.canPrevious = !m.isEmpty();
        c.canNext = false;
    } else {
        c.canDelete = m.hasCurrentRow();
        c.canPrevious = m.recNo() > 1;
        c.canNext = m.hasCurrentRow() && m.recNo() < m.recordCount();
    }
    return c;
}

void setMandantField(Context &ctx, const QString &field, const QString &text)
{
    Table &m = ctx.data.ClientDataSet3;
    const int f = m.field(field);
    if (m.fieldDef(f).calculated || m.fieldDef(f).name.compare(kIdField) == 0) {
        Q_ASSERT(!"the editor's read-only boxes take no text");
        return;
    }
    checkText(m, f, text);
    beginEditing(m);
    if (m.fieldDef(f).kind == store::FieldKind::Text)
        m.setValue(f, text);
    else
        m.setValue(f, text.trimmed()); // empty: no bank code
}

void setActiveAccount(Context &ctx, int account)
{
    Q_ASSERT(account >= 1 && account <= 3);
    Table &m = ctx.data.ClientDataSet3;
    const int f = m.field(kActiveAccountField);
    // Clicking the account already chosen is no change.
    if (m.integer(f) == account && (editing(m) || m.hasCurrentRow()))
        return;
    beginEditing(m);
    m.setValue(f, account);
}

void startNewMandant(Context &ctx)
{
    Table &m = ctx.data.ClientDataSet3;
    // The pending change is saved before the new row starts: once it has, the table is
    // editing again and would not be written.
    m.post();
    writeMandanten(ctx);
    m.insert();
}

void saveMandant(Context &ctx)
{
    Table &m = ctx.data.ClientDataSet3;
    if (!editing(m))
        return;
    m.post();
    writeMandanten(ctx);
}

bool deleteMandant(Context &ctx)
{
    if (!mandantEditorControls(ctx).canDelete)
        return false;
    if (ctx.dialogs().message(platform::DialogKind::Confirmation,
                              mandanteditortext::kDeleteQuestion,
                              platform::Yes | platform::No) != platform::Yes)
        return false;
    Table &m = ctx.data.ClientDataSet3;
    m.remove(); // a Mandant not yet saved is just dropped
    writeMandanten(ctx);
    return true;
}

void showPreviousMandant(Context &ctx)
{
    ctx.data.ClientDataSet3.prior();
    writeMandanten(ctx);
}

void showNextMandant(Context &ctx)
{
    ctx.data.ClientDataSet3.next();
    writeMandanten(ctx);
}

bool confirmCloseMandantEditor(Context &ctx)
{
    Table &m = ctx.data.ClientDataSet3;
    if (!editing(m))
        return true;
    switch (ctx.dialogs().message(platform::DialogKind::Confirmation,
                                  mandanteditortext::kSaveChangesQuestion,
                                  platform::Yes | platform::No | platform::Cancel)) {
    case platform::Yes:
        m.post();
        writeMandanten(ctx);
        return true;
    case platform::No:
        m.cancel();
        return true;
    default:
        return false;
    }
}

} // namespace ordovan::app
