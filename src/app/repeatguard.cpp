// No list paid twice: every history row of a run that left a SEPA file remembers the SHA-256
// of the source it was made from. Before a run reads its source, the same content turned
// into a file for the same Mandant before makes the program ask whether to go on.
#include "batchrun.h"
#include "context.h"

#include "platform/dialogs.h"

#include <QCryptographicHash>
#include <QFile>

namespace ordovan::app {

QString sourceFingerprint(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

std::optional<EarlierRun> findEarlierRun(const store::Table &history, const QString &fingerprint,
                                         const QString &mandant)
{
    const int hashField = history.fieldIndex(u"QuelldateiSHA256");
    if (fingerprint.isEmpty() || hashField < 0)
        return std::nullopt;
    const int id = history.field(u"ID");
    const int name = history.field(u"Mandantenname");
    const int created = history.field(u"Erstellungsdatum");
    const int file = history.field(u"Dateiname");
    const QList<store::FieldDef> &fields = history.storedFields();
    auto value = [&](const store::RowVersion &row, int field) {
        return store::decodeCell(fields[field], row.cell(field));
    };
    std::optional<EarlierRun> latest;
    qint32 latestId = std::numeric_limits<qint32>::min();
    const auto &versions = history.versions();
    for (size_t v = 0; v < versions.size(); ++v) {
        if (!history.isLive(v))
            continue;
        const store::RowVersion &row = versions[v];
        if (value(row, hashField).toString() != fingerprint ||
            value(row, name).toString() != mandant.left(fields[name].width))
            continue;
        const qint32 rowId = value(row, id).toInt();
        if (latest && rowId < latestId)
            continue;
        latestId = rowId;
        latest = EarlierRun{value(row, created).toDate(), value(row, file).toString()};
    }
    return latest;
}

bool confirmRepeatedSource(Context &ctx)
{
    MainState &s = ctx.state;
    s.run.RunSourceFingerprint = sourceFingerprint(s.main.EQuelldatei);
    if (s.commandLine.allowRepeat)
        return true;
    const std::optional<EarlierRun> earlier =
        findEarlierRun(ctx.data.ClientDataSet2, s.run.RunSourceFingerprint, s.main.LKontoinhaber);
    if (!earlier)
        return true;
    const QString text = batchtexts::alreadyProcessed(earlier->created, earlier->file);
    return ctx.dialogs().question(text, batchtexts::questionCaption) == platform::Yes;
}

} // namespace ordovan::app
