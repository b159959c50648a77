// The batch run: the one action the program exists for. It chains the operations of the
// other subsystems in a fixed order: filters, source read, import, SEPA file, log file,
// history row, optional reports, archive copy, settings save. The run only decides between
// the steps; each step owns its dialogs and log lines. An Error from any step ends the run
// where it happens and travels to the caller, which shows it; what was done stays done, and
// the tables changed in memory reach their files when the program ends.
#include "batchrun.h"

#include "context.h"
#include "operations.h"

#include "base/codec.h"
#include "platform/dialogs.h"
#include "platform/files.h"

#include <QFileInfo>

namespace ordovan::app {

BatchSteps BatchSteps::real()
{
    BatchSteps s;
    s.readSource = app::readSource;
    s.showMappingPreview = app::showMappingPreview;
    s.importRecords = app::importRecords;
    s.createSepaFile = app::createSepaFile;
    s.addHistoryEntry = app::addHistoryEntry;
    s.coverSheet = printCoverSheet;
    s.bookingList = printBookingList;
    s.archiveRunRecords = app::archiveRunRecords;
    s.saveSettings = app::saveSettings;
    return s;
}

QString runLogFileName(const QDateTime &when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return QStringLiteral("Log_%1-%2-%3_%4-%5_%6%7.txt")
        .arg(d.day())
        .arg(d.month())
        .arg(d.year())
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second())
        .arg(t.msec());
}

QString uniqueRunLogPath(const QString &folder, const QString &fileName)
{
    // Seconds and milliseconds run together without a separator (1 s 12 ms and 11 s 2 ms both
    // give "112"), and two runs may share a millisecond: an earlier log is never overwritten.
    QString path = folder + fileName;
    const QString stem = fileName.chopped(4);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder + stem + QStringLiteral("_%1.txt").arg(n);
    return path;
}

void writeLogLines(const QStringList &lines, const QString &path,
                   const std::function<void(qint64 done, qint64 total)> &progress)
{
    // A run over many records logs several lines per record: stream them in blocks instead
    // of building the whole file and one byte array per line. Same bytes as
    // ProcessingLog::fileBytes(): Windows-1252, "?" for what it cannot hold, CR LF each.
    platform::AtomicFile file(path);
    file.open();
    constexpr qsizetype blockSize = 1 << 20;
    QByteArray block;
    block.reserve(blockSize + 4096);
    for (const QString &line : lines) {
        const qsizetype n = line.size();
        const qsizetype start = block.size();
        block.resize(start + n + 2); // one byte per character at most
        char *out = block.data() + start;
        const char16_t *in = reinterpret_cast<const char16_t *>(line.utf16());
        for (qsizetype i = 0; i < n; ++i) {
            char32_t ch = in[i];
            if (ch < 0x80) {
                *out++ = char(ch);
                continue;
            }
            if (QChar::isHighSurrogate(ch) && i + 1 < n && QChar::isLowSurrogate(in[i + 1]))
                ch = QChar::surrogateToUcs4(char16_t(ch), in[++i]);
            *out++ = char(codec::unicodeToCp1252(ch));
        }
        *out++ = '\r';
        *out++ = '\n';
        block.truncate(out - block.constData());
        if (block.size() >= blockSize) {
            if (progress)
                progress(&line - lines.constData(), lines.size());
            file.write(block);
            block.resize(0);
        }
    }
    file.write(block);
    file.commit();
}

QString writeRunLogFile(Context &ctx)
{
    const QString folder = ctx.data.dataDir() + QStringLiteral("Log/");
    platform::ensureDirectory(folder);
    const QString path = uniqueRunLogPath(folder, runLogFileName(ctx.now()));
    writeLogLines(ctx.state.log.MLog.lines(), path, [&ctx](qint64 done, qint64 total) {
        ctx.reportProgress(batchtexts::stepLogFile, done, total);
    });
    return path;
}

namespace {

struct SepaInputs
{
    bool directDebit;
    QString localInstrument;
    bool ibanOnly;
};

// The payment type chosen decides the document; a credit transfer ignores "IBAN only".
std::optional<SepaInputs> sepaInputs(const MainState &s)
{
    switch (s.main.RGZahlungsart) {
    case LastschriftCore:
        return SepaInputs{true, QStringLiteral("CORE"), s.main.CBIBANonly};
    case LastschriftCor1:
        return SepaInputs{true, QStringLiteral("COR1"), s.main.CBIBANonly};
    case LastschriftB2b:
        return SepaInputs{true, QStringLiteral("B2B"), s.main.CBIBANonly};
    case Gutschrift:
        return SepaInputs{false, QString(), false};
    default:
        return std::nullopt;
    }
}

} // namespace

void runBatch(Context &ctx, const BatchSteps &steps)
{
    MainState &s = ctx.state;
    s.run.runStatus = RunStatus::Ok;
    s.run.RunSourceError.clear();
    s.run.sepaFileWritten = false;
    s.run.RunDueDate = QDate();
    s.run.RunSourceFingerprint.clear();
    ctx.setStatus(batchtexts::starting);
    setNewRecordsFilters(ctx);

    if (s.main.EQuelldatei.isEmpty()) {
        ctx.dialogs().plainMessage(batchtexts::noSource);
        return;
    }
    if (!confirmRepeatedSource(ctx)) {
        ctx.setStatus(batchtexts::repeatRefused);
        return;
    }

    steps.readSource(ctx, true);
    if (s.run.runStatus == RunStatus::SourceNotFound ||
        s.run.runStatus == RunStatus::SourceUnreadable) {
        ctx.setStatus(s.run.runStatus == RunStatus::SourceNotFound ? batchtexts::sourceNotFound
                                                                   : batchtexts::sourceUnreadable);
        if (!s.run.RunSourceError.isEmpty())
            ctx.dialogs().notice(s.run.RunSourceError);
        return;
    }

    steps.showMappingPreview(ctx);
    steps.importRecords(ctx);
    if (s.run.runStatus == RunStatus::ImportFailed)
        ctx.setStatus(batchtexts::importFailed);

    // Whatever the file creation decides (Mandant rejected, no record, aborted), the run
    // goes on: the log file and the history keep the account of it.
    const std::optional<SepaInputs> inputs = sepaInputs(s);
    if (inputs)
        steps.createSepaFile(ctx, inputs->directDebit, inputs->localInstrument, inputs->ibanOnly);

    const QString logPath = writeRunLogFile(ctx);
    steps.addHistoryEntry(ctx, logPath);

    if (s.main.CBBegleit)
        steps.coverSheet(ctx);
    if (s.main.CBBuchungs)
        steps.bookingList(ctx);

    if (inputs)
        steps.archiveRunRecords(ctx);
    ctx.reportProgress(batchtexts::stepSaving, 0, 1);
    steps.saveSettings(ctx);
    ctx.setStatus(batchtexts::finished);
}

void runBatch(Context &ctx)
{
    static const BatchSteps steps = BatchSteps::real();
    runBatch(ctx, steps);
}

} // namespace ordovan::app
