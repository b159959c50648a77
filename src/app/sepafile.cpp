// The SEPA file creation run (createSepaFile). It reads the ordering party from the Mandant
// labels and the run's records from ClientDataSetAZV as the batch run filtered it; it writes
// the SEPA file to EZieldatei, removes the records that fail their checks from the table,
// logs every record, and leaves count and total in the result labels for the history entry
// and the reports. The checks and the values written come from sepa/record.h, the document
// from sepa/document.h; this file holds the order of the steps and the dialogs.
#include "batchrun.h"
#include "context.h"
#include "operations.h"
#include "settingsnames.h"

#include "base/error.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/settingsstore.h"
#include "sepa/calendar.h"
#include "sepa/document.h"
#include "sepa/record.h"

#include <QFile>
#include <QFileInfo>

namespace ordovan::app {

namespace sepatext {
const QString kStart = QStringLiteral(" SEPA-Datei ERSTELLEN START");
const QString kEnd = QStringLiteral(" SEPA-Datei ERSTELLEN ENDE");
const QString kCor1AsCore = QStringLiteral(" SEPA-Datei HINWEIS: COR1 wird als CORE eingereicht");
QString dueDateMoved(const QDate &due)
{
    return QStringLiteral(" SEPA-Datei HINWEIS: Fälligkeitsdatum %1 (nächster möglicher "
                          "Bankarbeitstag)")
        .arg(due.toString(QStringLiteral("dd.MM.yyyy")));
}
const QString kNothingWritten =
    QStringLiteral("Es wurden keine Datensätze in die SEPA-Datei geschrieben. Details finden "
                   "Sie unter \"Log-Datei\".");
QString summary(const QString &count, const QString &total, const QString &path)
{
    return QStringLiteral("Insgesamt wurden ") + count +
           QStringLiteral(" Datensätze mit einer Gesamtsumme von ") + total +
           QStringLiteral("\rin die Datei \"") + path + QStringLiteral("\" geschrieben.");
}
QString cannotDelete(const QString &path)
{
    return QStringLiteral("Die Datei \"%1\" konnte nicht gelöscht werden.").arg(path);
}
} // namespace sepatext

namespace {

// Field positions in ClientDataSetAZV, looked up once per run.
struct RecordColumns
{
    explicit RecordColumns(const store::Table &t)
        : id(t.field(u"ID")), name1(t.field(u"Name1")), name2(t.field(u"Name2")),
          iban(t.field(u"IBAN")), bic(t.field(u"BLZ")), mandate(t.field(u"NotitzIntern")),
          purpose(t.field(u"Verwendungszweck")), amount(t.field(u"Betrag")),
          street(t.field(u"Straße")), townCountry(t.field(u"OrtLand")),
          mandateDate(t.fieldIndex(u"Mandatsdatum")), sequenceType(t.fieldIndex(u"Sequenztyp"))
    {}
    int id, name1, name2, iban, bic, mandate, purpose, amount, street, townCountry;
    int mandateDate, sequenceType; // -1 in a table of the older layout
};

sepa::RecordFields readRecord(const MainState &s, const store::Table &t, const RecordColumns &c,
                              bool directDebit)
{
    sepa::RecordFields f;
    f.name1 = t.text(c.name1);
    f.name2 = t.text(c.name2);
    f.iban = t.text(c.iban);
    f.bic = t.text(c.bic);
    if (directDebit)
        f.mandate = t.text(c.mandate);
    f.purpose = t.text(c.purpose);
    f.amount = t.number(c.amount);
    if (directDebit) {
        f.street = t.text(c.street);
        f.townCountry = t.text(c.townCountry);
        const qint32 id = t.integer(c.id).value_or(0);
        if (c.mandateDate >= 0)
            f.mandateDate = t.date(c.mandateDate);
        f.mandateDateUnreadable = s.run.RunUnreadableMandateDates.contains(id);
        if (c.sequenceType >= 0)
            f.sequenceType = t.text(c.sequenceType);
        f.sequenceTypeUnreadable = s.run.RunUnreadableSequenceTypes.contains(id);
    }
    return f;
}

QString recordPrefix(const store::Table &t, const RecordColumns &c)
{
    return QStringLiteral(" SEPA-Datei Datensatz ID ") + t.text(c.id);
}

void removeTarget(const QString &path)
{
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw Error(sepatext::cannotDelete(path));
}

struct Written
{
    qint32 count = 0;
    sepa::Amount total = 0;
};

// The checked records of the first pass, in the order the passes visit them. Nothing
// changes the records between the passes, so the second pass reuses these results.
using CheckedRecords = std::vector<sepa::CheckedRecord>;

// The second pass: every visible record is logged, checked, and either added to the document
// or deleted from the table (the following record is then the current one).
void writeRecords(Context &ctx, sepa::DocumentBuilder &doc, const sepa::RunOptions &options,
                  const QString &creditorId, CheckedRecords &checked, Written &written)
{
    store::Table &t = ctx.data.ClientDataSetAZV;
    if (t.isEmpty())
        return;
    const RecordColumns cols(t);
    const bool directDebit = options.kind == sepa::MessageKind::DirectDebit;
    size_t visited = 0;
    const qint64 total = qint64(checked.size());
    t.first();
    while (!t.eof() && t.hasCurrentRow()) {
        if ((visited & 63) == 0)
            ctx.reportProgress(batchtexts::stepWriting, qint64(visited), total);
        const QString prefix = recordPrefix(t, cols);
        ctx.appendLogLine(prefix + QStringLiteral(" START"));
        const sepa::CheckedRecord r =
            visited < checked.size()
                ? std::move(checked[visited])
                : sepa::checkRecord(readRecord(ctx.state, t, cols, directDebit), options,
                                    written.total);
        ++visited;
        for (const QString &failure : r.failures)
            ctx.appendLogLine(prefix + failure);
        if (!r.valid()) {
            t.remove();
            continue;
        }
        for (const QString &note : r.notes)
            ctx.appendLogLine(prefix + note);
        sepa::Transaction tx;
        tx.name = r.name;
        tx.purpose = r.purpose;
        tx.iban = r.iban;
        tx.bic = r.bic;
        tx.amount = r.amount;
        if (directDebit) {
            tx.creditorId = creditorId;
            tx.mandateId = r.mandate;
            // A mandate without a date from the source counts as signed today.
            tx.signatureDate = r.mandateDate ? *r.mandateDate : ctx.now().date();
            tx.sequenceType = r.sequenceType;
            tx.address = r.address;
            doc.addDirectDebitTransaction(tx);
        } else {
            doc.addCreditTransferTransaction(tx);
        }
        ++written.count;
        written.total += r.amount; // cannot overflow: checkRecord refused such an amount
        ctx.appendLogLine(prefix + QStringLiteral(" ENDE"));
        t.next();
    }
}

// The first pass: count and total of the valid records, nothing logged or changed.
Written countRecords(Context &ctx, const sepa::RunOptions &options, CheckedRecords &checked)
{
    Written w;
    store::Table &t = ctx.data.ClientDataSetAZV;
    if (t.isEmpty())
        return w;
    const RecordColumns cols(t);
    const bool directDebit = options.kind == sepa::MessageKind::DirectDebit;
    const qint64 total = t.recordCount();
    checked.reserve(size_t(total));
    for (t.first(); !t.eof() && t.hasCurrentRow(); t.next()) {
        if ((checked.size() & 63) == 0)
            ctx.reportProgress(batchtexts::stepChecking, qint64(checked.size()), total);
        checked.push_back(
            sepa::checkRecord(readRecord(ctx.state, t, cols, directDebit), options, w.total));
        const sepa::CheckedRecord &r = checked.back();
        if (r.valid()) {
            ++w.count;
            w.total += r.amount;
        }
    }
    return w;
}

const QString kIdFormat = QStringLiteral("dd-MM-yy-HH:mm:ss");

// The "-N" of an id, 0 for none.
int idSuffix(QStringView id)
{
    const qsizetype dash = id.lastIndexOf(u'-');
    if (dash < 0 || id.size() - dash > 6)
        return 0;
    bool ok = false;
    const int n = id.mid(dash + 1).toInt(&ok);
    return ok && n >= 2 ? n : 0;
}

// How far ids have gone: the latest creation time named in one (as local wall-clock time,
// "yyyy-MM-ddTHH:mm:ss", so that comparing the texts compares the times) and the highest "-N".
struct IdFrontier
{
    QString latest;
    int highestSuffix = 0;
};

const QString kFrontierFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss");
constexpr qsizetype kFrontierLength = 19;

IdFrontier readFrontier(const QString &stored, const QString &lastId)
{
    IdFrontier f;
    const QStringList parts = stored.split(u' ');
    if (parts.size() == 2 && parts[0].size() == kFrontierLength) {
        f.latest = parts[0];
        f.highestSuffix = std::max(0, parts[1].toInt());
        return f;
    }
    // Ids issued before the frontier was kept: the last one is the latest.
    const QDate date = QDate::fromString(lastId.left(8), QStringLiteral("dd-MM-yy"));
    const QTime time = QTime::fromString(lastId.mid(9, 8), QStringLiteral("HH:mm:ss"));
    if (date.isValid() && time.isValid()) {
        f.latest =
            QDateTime(date.addYears(date.year() < 2000 ? 100 : 0), time).toString(kFrontierFormat);
        f.highestSuffix = idSuffix(lastId);
    }
    return f;
}

// The id made from the creation time, with "-2", "-3", ... appended when the last id issued
// under that name (by this or another copy of the program) was made in the same second.
// When the clock has gone back (the end of summer time repeats an hour), a time may come
// again that an earlier id already names: such an id gets a "-N" above every one issued.
// The caller holds the settings lock for both values.
QString issueUniqueId(Context &ctx, const char16_t *name, const char16_t *frontierName,
                      const QDateTime &now)
{
    const QString base = now.toString(kIdFormat);
    const QString time = now.toString(kFrontierFormat);
    const QString storedFrontier = ctx.settings.readString(u"", frontierName);
    IdFrontier frontier;
    const QString id = ctx.settings.updateString(u"", name, [&](std::optional<QString> last) {
        // The last id is read once, under the lock: it also stands in for a frontier that
        // older stores lack.
        frontier = readFrontier(storedFrontier, last.value_or(QString()));
        if (last && last->startsWith(base)) {
            const int n = idSuffix(QStringView(*last).mid(base.size()));
            if (last->size() == base.size() || n >= 2)
                return base + u'-' + QString::number(std::max(n, 1) + 1);
        }
        if (!frontier.latest.isEmpty() && time <= frontier.latest)
            return base + u'-' + QString::number(std::max(frontier.highestSuffix, 1) + 1);
        return base;
    });
    if (frontier.latest.isEmpty() || time > frontier.latest)
        frontier.latest = time;
    frontier.highestSuffix = std::max(frontier.highestSuffix, idSuffix(id));
    ctx.settings.writeString(u"", frontierName,
                             frontier.latest + u' ' + QString::number(frontier.highestSuffix));
    return id;
}

void setResults(MainState &s, const Written &written)
{
    if (written.count > 0) {
        s.run.RunRecordCount = QString::number(written.count);
        s.run.RunTotal = sepa::formatAmountGerman(written.total);
        s.main.LLastGut = paymentTypeCaption(s.main.RGZahlungsart);
        s.main.LSatzzahl = QStringLiteral("Satzanzahl: ") + s.run.RunRecordCount;
        s.main.LSumme = QStringLiteral("Gesamtsumme: ") + s.run.RunTotal;
    } else {
        s.run.RunRecordCount.clear();
        s.run.RunTotal.clear();
        s.main.LLastGut.clear();
        s.main.LSatzzahl.clear();
        s.main.LSumme.clear();
    }
    s.main.LKontonr.clear();
    s.main.LBLZ.clear();
}

} // namespace

QString executionDateHint(const MainState &s, const QDate &today)
{
    if (s.main.RGZahlungsart < LastschriftCore || s.main.RGZahlungsart > Gutschrift)
        return {};
    const QDate requested = s.main.DTPAusf.date();
    const QDate due = sepa::possibleDueDate(requested, today, s.main.RGZahlungsart != Gutschrift);
    if (due == requested)
        return {};
    return QStringLiteral("An diesem Tag kann die Bank nicht ausführen: die SEPA-Datei nennt den "
                          "%1 (nächster möglicher Bankarbeitstag).")
        .arg(due.toString(QStringLiteral("dd.MM.yyyy")));
}

void createSepaFile(Context &ctx, bool directDebit, const QString &localInstrument, bool ibanOnly)
{
    MainState &s = ctx.state;
    sepa::RunOptions options;
    options.generation = s.sepaGeneration(ctx.now().date());
    options.kind = directDebit ? sepa::MessageKind::DirectDebit : sepa::MessageKind::CreditTransfer;
    // A 2009 credit transfer always names the banks by BIC. In 2019 the IBAN-only option
    // (CBIBANonly) applies to credit transfers too; the batch run passes "off" for every
    // credit transfer, as the 2009 messages need, so the option is read here.
    if (directDebit)
        options.ibanOnly = ibanOnly;
    else
        options.ibanOnly =
            options.generation == sepa::Generation::V2019 && (ibanOnly || s.main.CBIBANonly);
    s.run.sepaFileWritten = false;

    QString start = sepatext::kStart;
    if (options.generation == sepa::Generation::V2019)
        start += u' ' + sepa::messageVersion(options.kind, options.generation);
    ctx.appendLogLine(start);
    // COR1 was merged into CORE in November 2017; the 2019 messages no longer know it.
    QString instrument = localInstrument;
    if (directDebit && options.generation == sepa::Generation::V2019 && instrument == u"COR1") {
        ctx.appendLogLine(sepatext::kCor1AsCore);
        instrument = QStringLiteral("CORE");
    }
    // The banks refuse a collection due earlier than one business day after the file reaches
    // them, and execute nothing on a day they are closed: the file names the next day they
    // accept, and everything that shows the date follows it.
    const QDate requested = s.main.DTPAusf.date();
    s.run.RunDueDate = sepa::possibleDueDate(requested, ctx.now().date(), directDebit);
    options.dueDate = s.run.RunDueDate;
    if (s.run.RunDueDate != requested) {
        const QString note = sepatext::dueDateMoved(s.run.RunDueDate);
        ctx.appendLogLine(note);
        ctx.dialogs().notice(note.trimmed());
    }

    const sepa::CheckedParty party = sepa::checkOrderingParty(
        {s.main.LKontoinhaber, s.main.LIBAN, s.main.LBIC, s.main.LDebtorID}, options);
    if (!party.failure.isEmpty()) {
        ctx.dialogs().message(platform::DialogKind::Error, party.failure, platform::Ok);
        return;
    }

    CheckedRecords checked;
    const Written counted = countRecords(ctx, options, checked);

    sepa::DocumentHeader head;
    {
        // Both ids under one lock and one write of the settings file.
        platform::SettingsStore::Batch batch(ctx.settings);
        const QDateTime now = ctx.now();
        head.messageId = issueUniqueId(ctx, names::LastMsgId, names::MaxMsgId, now);
        head.paymentInfoId = issueUniqueId(ctx, names::LastPmtInfId, names::MaxPmtInfId, now);
        batch.commit();
    }
    head.partyName = party.name;
    head.creationTime = ctx.now();
    head.executionDate = s.run.RunDueDate;
    head.count = counted.count;
    head.total = counted.total;
    head.partyIban = party.iban;
    head.partyBic = party.bic;
    head.localInstrument = instrument;
    head.ibanOnly = options.ibanOnly;
    sepa::DocumentBuilder doc(options.generation);
    if (directDebit)
        doc.addDirectDebitHeader(head);
    else
        doc.addCreditTransferHeader(head);

    const QString path = s.main.EZieldatei;
    Written written;
    try {
        writeRecords(ctx, doc, options, party.creditorId, checked, written);
    } catch (...) {
        // What was built so far is still saved before the error travels on, with a head
        // that counts what the file really holds. An empty document is no valid file.
        if (written.count > 0) {
            doc.setCountAndTotal(written.count, written.total);
            try {
                doc.save(path);
                s.run.sepaFileWritten = true;
            } catch (const Error &) {
                // The first error is the one to report.
            }
        }
        throw;
    }

    // The head counts exactly the transactions written (the two passes agree; this keeps
    // the file consistent even if they did not).
    doc.setCountAndTotal(written.count, written.total);
    if (written.count > 0) {
        doc.save(path);
        s.run.sepaFileWritten = true;
    } else {
        // An empty document is never saved, but a target that could not be written is
        // still the error it would have been: the temporary file is made and dropped.
        platform::AtomicFile probe(path);
        probe.open();
    }
    setResults(s, written);

    if (written.count > 0) {
        const QString text = sepatext::summary(s.run.RunRecordCount, s.run.RunTotal, path);
        const platform::DialogButton answer = ctx.dialogs().message(
            platform::DialogKind::Confirmation, text, platform::Ok | platform::Abort);
        if (answer == platform::Abort) {
            s.run.sepaFileWritten = false;
            removeTarget(path);
        }
    } else {
        // Nothing to send: no file may stay at the target, not even an older one.
        ctx.dialogs().message(platform::DialogKind::Information, sepatext::kNothingWritten,
                              platform::Ok);
        removeTarget(path);
    }
    ctx.appendLogLine(sepatext::kEnd);
}

} // namespace ordovan::app
