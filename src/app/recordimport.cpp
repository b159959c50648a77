// The record import: one payment record in ClientDataSetAZV per record (column) of the source
// grid, filled through the column mapping, the constant fields and the date override. The
// import converts and stores; it judges no content. A record fails only when a mapped date or
// amount does not convert (or a mapping entry names no field): that record is logged with
// its field word and left out, RunStatus becomes 3, and the import goes on.
//
// Numbers: the guard against a missing or lagging LastBuchungID-EU runs first, so the
// deletion of "new" rows never reaches records of earlier runs. The block of numbers the
// records will take is reserved with one settings write; every record, failed or not, takes
// exactly one number from it.
#include "batchrun.h"
#include "context.h"
#include "operations.h"

#include "base/codec.h"
#include "base/error.h"
#include "base/german.h"
#include "import/conversions.h"
#include "sepa/record.h"
#include "store/recordnumbers.h"

#include <QVariant>

namespace ordovan::app {

namespace {

const QString kImportStart = QStringLiteral(" Datensätze EINLESEN START");
const QString kImportEnd = QStringLiteral(" Datensätze EINLESEN ENDE");
const QString kFieldError = QStringLiteral(" Fehler beim Import in das Feld ");
const QString kAmountError = QStringLiteral("BETRAG: Ungültiger Wert: ");

// A guarded step failed: its field word (and for the amount the raw cell text) follows
// kFieldError in the log.
struct StepFailed
{
    QString word;
};

// The text fields filled one to one from their mapped cell, in import order.
struct TextStep
{
    int ColumnMapping::*entry;
    const char16_t *field;
    const char16_t *word; // as the program has always logged it, spelling included
};
constexpr TextStep kTextSteps[] = {
    {&ColumnMapping::Name2X, u"Name2", u"NAME 2"},
    {&ColumnMapping::StrasseX, u"Straße", u"STRASSE"},
    {&ColumnMapping::OrtLandX, u"OrtLand", u"ORTLAND"},
    {&ColumnMapping::NotitzInternX, u"NotitzIntern", u"NOTIZINTERN"},
    {&ColumnMapping::AnsprechpartnerX, u"Ansprechpartner", u"ANSPRECHPARTMER"},
    {&ColumnMapping::IBANx, u"IBAN", u"IBAN"},
    {&ColumnMapping::BICx, u"BLZ", u"BIC"},
    {&ColumnMapping::LaendercodeX, u"Laendercode", u"LÄNDERCODE"},
    {&ColumnMapping::WaehrungX, u"Waehrung", u"WÄHRUNG"},
};
constexpr int kTextStepCount = int(std::size(kTextSteps));

// " Datensatz <n> ID <id> START" and the same with " ENDE", written straight into one
// string: the import logs two such lines per record.
char16_t *put(char16_t *out, QStringView text)
{
    std::copy(text.utf16(), text.utf16() + text.size(), out);
    return out + text.size();
}

char16_t *putNumber(char16_t *out, qint64 value)
{
    if (value < 0) {
        *out++ = u'-';
        value = -value;
    }
    char16_t digits[20];
    int n = 0;
    do {
        digits[n++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

struct RecordLine
{
    char16_t text[80];
    qsizetype size = 0;
    QStringView view() const { return QStringView(text, size); }
};

RecordLine recordLine(int record, qint32 id, QStringView what)
{
    RecordLine line;
    char16_t *p = put(line.text, u" Datensatz ");
    p = putNumber(p, record);
    p = put(p, u" ID ");
    p = putNumber(p, id);
    p = put(p, what);
    line.size = p - line.text;
    return line;
}

// Joins the pieces of a text (name parts, purpose lines). While every piece is Windows-1252
// bytes, the form the table keeps, it joins bytes; from the first piece that is not, UTF-16.
class Joiner
{
public:
    void clear()
    {
        m_bytes.truncate(0);
        m_text.truncate(0);
        m_wide = false;
    }
    void add(QByteArrayView bytes)
    {
        if (!m_wide) {
            m_bytes.append(bytes);
            return;
        }
        for (char b : bytes)
            m_text.append(QChar(codec::cp1252ToUnicode(static_cast<unsigned char>(b))));
    }
    void add(QStringView text)
    {
        if (!m_wide) {
            m_wide = true;
            add(QByteArrayView(m_bytes));
        }
        m_text.append(text);
    }
    void store(store::Table &table, int field) const
    {
        if (m_wide)
            table.setText(field, m_text);
        else
            table.setTextCp1252(field, m_bytes);
    }

private:
    QByteArray m_bytes;
    QString m_text;
    bool m_wide = false;
};

// Imports the columns of the source grid; field positions and options are resolved once.
class RecordImporter
{
public:
    explicit RecordImporter(Context &ctx)
        : m_ctx(ctx), m_s(ctx.state), m_m(ctx.state.source.mapping),
          m_grid(ctx.state.source.SGDatei), m_table(ctx.data.ClientDataSetAZV)
    {
        m_id = m_table.field(u"ID");
        m_name1 = m_table.field(u"Name1");
        for (int i = 0; i < kTextStepCount; ++i)
            m_textFields[i] = m_table.field(kTextSteps[i].field);
        m_datum = m_table.field(u"Datum");
        m_purpose = m_table.field(u"Verwendungszweck");
        m_betrag = m_table.field(u"Betrag");
        m_created = m_table.field(u"Erstellungsdatum");
        m_mandateDate = m_table.fieldIndex(u"Mandatsdatum");
        m_sequenceType = m_table.fieldIndex(u"Sequenztyp");
        m_purposeLines = m_s.main.CB8Verw ? 8 : 4;
        m_year = ctx.now().date().year();
        for (int line = 0; line < 8; ++line) {
            const QString &text = m_s.main.Verwkonst[line].text;
            const QByteArray bytes = codec::toCp1252(text);
            if (codec::fromCp1252(bytes) == text)
                m_constantBytes[line] = bytes;
        }
    }

    void importRecord(int column, int firstColumn);

private:
    // The mapped cell of the record; -1 is handled by the caller (step skipped). Any other
    // negative entry names no field and fails the step.
    QStringView cell(int index, const char16_t *word)
    {
        if (index < 0)
            throw StepFailed{QString::fromUtf16(word)};
        return m_grid.cellText(m_column, index, m_scratch);
    }
    void setText(int field, QStringView text) { m_table.setText(field, text); }
    // A text field straight from its cell; Windows-1252 cells go over byte for byte.
    void setTextFromCell(int field, int index, const char16_t *word)
    {
        if (index < 0)
            throw StepFailed{QString::fromUtf16(word)};
        if (const auto bytes = m_grid.cellCp1252(m_column, index))
            m_table.setTextCp1252(field, *bytes);
        else
            m_table.setText(field, m_grid.cellText(m_column, index, m_scratch));
    }

    void addCell(int index, const char16_t *word);
    void fillName();
    void fillDate();
    void fillPurpose();
    void fillAmount();
    void fillMandateData(qint32 id);

    Context &m_ctx;
    MainState &m_s;
    const ColumnMapping &m_m;
    const import::SourceGrid &m_grid;
    store::Table &m_table;
    int m_column = 0;
    int m_id, m_name1, m_datum, m_purpose, m_betrag, m_created;
    int m_mandateDate, m_sequenceType; // -1 in a table of the older layout
    int m_textFields[kTextStepCount];
    int m_purposeLines;
    int m_year;        // two-digit years are placed relative to it
    QString m_scratch; // cells of Windows-1252 columns, decoded
    Joiner m_join;
    // The constant purpose lines as Windows-1252, where they can be written so.
    std::optional<QByteArray> m_constantBytes[8];
};

void RecordImporter::addCell(int index, const char16_t *word)
{
    if (index < 0)
        throw StepFailed{QString::fromUtf16(word)};
    if (const auto bytes = m_grid.cellCp1252(m_column, index))
        m_join.add(*bytes);
    else
        m_join.add(m_grid.cellText(m_column, index, m_scratch));
}

void RecordImporter::fillName()
{
    if (m_m.NameX == -1)
        return;
    if (m_m.NameX2 != -1) {
        const char16_t *word = u"NAME 1 I";
        m_join.clear();
        addCell(m_m.NameX, word);
        m_join.add(QByteArrayView(" "));
        addCell(m_m.NameX2, word);
        m_join.store(m_table, m_name1);
    } else {
        setTextFromCell(m_name1, m_m.NameX, u"NAME 1 II");
    }
}

void RecordImporter::fillDate()
{
    if (m_m.DatumX != -1) {
        const QStringView text = cell(m_m.DatumX, u"DATUM");
        if (!text.isEmpty()) {
            const auto date = import::parseSourceDate(text, m_year);
            if (!date)
                throw StepFailed{QStringLiteral("DATUM")};
            m_table.setDate(m_datum, *date);
        }
    }
    // The override replaces the date, but a mapped date that does not convert has already
    // failed the record.
    if (m_s.main.CBDatumueberschreiben)
        m_table.setDate(m_datum, m_s.main.DTPAusf.date());
}

void RecordImporter::fillPurpose()
{
    static const char16_t *const words[] = {u"VERW1", u"VERW2", u"VERW3", u"VERW4",
                                            u"VERW5", u"VERW6", u"VERW7", u"VERW8"};
    m_join.clear();
    for (int line = 0; line < m_purposeLines; ++line) {
        const ConstantField &constant = m_s.main.Verwkonst[line];
        const int index = m_m.Verw[line];
        if (!constant.checked && index == -1)
            continue;
        // Lines after the first are joined by a blank and CR, which the SEPA run splits at;
        // an empty constant still adds them.
        if (line > 0)
            m_join.add(QByteArrayView(" \r"));
        if (!constant.checked)
            addCell(index, words[line]);
        else if (m_constantBytes[line])
            m_join.add(QByteArrayView(*m_constantBytes[line]));
        else
            m_join.add(QStringView(constant.text));
    }
    m_join.store(m_table, m_purpose);
}

void RecordImporter::fillAmount()
{
    if (m_s.main.Betragkonst.checked) {
        // Not guarded: a constant that does not convert ends the whole run.
        const QString &text = m_s.main.Betragkonst.text;
        if (text.isEmpty())
            return;
        const auto value = import::parseAmount(text);
        if (!value)
            throw Error(german::notAFloatMessage(text));
        m_table.setFloat(m_betrag, *value);
        return;
    }
    if (m_m.Betrag == -1 || m_s.source.RGBetrag == AmountNotation::None)
        return;
    const QStringView raw = cell(m_m.Betrag, u"BETRAG");
    const QString text = m_s.source.RGBetrag == AmountNotation::Cents
                             ? import::insertDecimalComma(raw)
                             : raw.toString();
    if (text.isEmpty())
        return;
    const auto value = import::parseAmount(text);
    if (!value)
        throw StepFailed{kAmountError + raw.toString()};
    m_table.setFloat(m_betrag, *value);
}

// The mandate's date and sequence type are judged by the file creation, which knows the due
// date: a text that cannot be read stores nothing and marks the record for it.
void RecordImporter::fillMandateData(qint32 id)
{
    if (m_m.MandatsdatumX != -1 && m_mandateDate >= 0) {
        const QStringView text = cell(m_m.MandatsdatumX, u"MANDATSDATUM");
        if (!text.trimmed().isEmpty()) {
            if (const auto date = import::parseGermanOrIsoDate(text, m_year))
                m_table.setDate(m_mandateDate, *date);
            else
                m_s.run.RunUnreadableMandateDates.insert(id);
        }
    }
    if (m_m.SequenztypX != -1 && m_sequenceType >= 0) {
        const QStringView text = cell(m_m.SequenztypX, u"SEQUENZTYP");
        if (!text.trimmed().isEmpty()) {
            if (const auto type = sepa::parseSequenceType(text))
                m_table.setText(m_sequenceType, sepa::sequenceTypeCode(*type));
            else
                m_s.run.RunUnreadableSequenceTypes.insert(id);
        }
    }
}

void RecordImporter::importRecord(int column, int firstColumn)
{
    m_column = column;
    m_table.insert();
    const qint32 id = m_table.integer(m_id).value_or(0);
    const int record = column - firstColumn + 1;
    m_ctx.appendLogLine(recordLine(record, id, u" START").view());
    try {
        fillName();
        for (int i = 0; i < kTextStepCount; ++i) {
            const int index = m_m.*(kTextSteps[i].entry);
            if (index != -1)
                setTextFromCell(m_textFields[i], index, kTextSteps[i].word);
        }
        fillDate();
        fillPurpose();
        fillAmount();
        fillMandateData(id);
    } catch (const StepFailed &failed) {
        m_ctx.appendLogLine(QStringLiteral(" Datensatz ID ") + QString::number(id) + kFieldError +
                            failed.word);
        m_table.cancel();
        m_s.run.runStatus = RunStatus::ImportFailed;
        return;
    } catch (...) {
        // An error that ends the run must not leave a half-filled row to be posted later.
        m_table.cancel();
        throw;
    }
    m_table.setDate(m_created, m_ctx.now().date());
    m_ctx.appendLogLine(recordLine(record, id, u" ENDE").view());
    m_table.post();
}

// Keeps display updates of a table suspended and the number block reserved while it lives.
class ImportScope
{
public:
    ImportScope(Context &ctx, store::Table &table) : m_ctx(ctx), m_table(table)
    {
        m_table.disableControls();
    }
    ~ImportScope()
    {
        m_ctx.numbers.release(store::RecordNumbers::kSepa);
        m_table.enableControls();
    }

private:
    Context &m_ctx;
    store::Table &m_table;
};

// Step 1: rows that the run's filter shows are removed; after the guard there are none
// unless the table holds rows above the counter, which would be this run's.
void removeVisibleRows(store::Table &table)
{
    table.last();
    while (table.hasCurrentRow())
        table.remove();
}

} // namespace

void importRecords(Context &ctx)
{
    MainState &s = ctx.state;
    store::Table &table = ctx.data.ClientDataSetAZV;
    const QString &counter = store::RecordNumbers::kSepa;

    // A missing counter, or one that lags behind the table, would make the run's filter show
    // earlier runs' records and delete them below: raise it first.
    const qint32 guarded = ctx.numbers.guard(counter, table);
    s.run.newRecordsFilterAZV = QStringLiteral("ID > %1").arg(guarded);
    table.setFilter(s.run.newRecordsFilterAZV);
    table.setFiltered(true);

    ImportScope scope(ctx, table);
    removeVisibleRows(table);

    const int firstColumn = s.source.CBTitelzeile ? 1 : 0;
    const int count = std::max(0, s.source.SGDatei.columnCount() - firstColumn);
    // A constant amount that does not convert ends the run at the first record; number that
    // one record alone so the counter ends where it would have without a reservation.
    const bool badConstant = s.main.Betragkonst.checked && !s.main.Betragkonst.text.isEmpty() &&
                             !import::parseAmount(s.main.Betragkonst.text);
    s.run.RunFirstID =
        badConstant ? std::max(guarded, 0) + 1 : ctx.numbers.reserve(counter, table, count);

    s.run.RunUnreadableMandateDates.clear();
    s.run.RunUnreadableSequenceTypes.clear();
    ctx.appendLogLine(kImportStart);
    RecordImporter importer(ctx);
    for (int c = firstColumn; c < s.source.SGDatei.columnCount(); ++c) {
        importer.importRecord(c, firstColumn);
        if (((c - firstColumn) & 63) == 0)
            ctx.reportProgress(batchtexts::stepImporting, c - firstColumn + 1, count);
    }
    ctx.reportProgress(batchtexts::stepImporting, count, count);
    ctx.appendLogLine(kImportEnd);

    s.run.RunLastID = count > 0 ? ctx.numbers.lastHandedOut(counter) : s.run.RunFirstID - 1;
}

} // namespace ordovan::app
