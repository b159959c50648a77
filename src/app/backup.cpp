// Backup and restore of the data: the six working tables as complete table files and the
// whole settings key as "einstellungen.reg" (the registry editor's export format, which the
// Windows program's backups hold too). A restore checks the whole backup before it changes
// anything, so a missing or damaged file never leaves half-restored tables or settings.
#include "backup.h"

#include "commandline.h"
#include "context.h"
#include "operations.h"

#include "base/error.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/settingsstore.h"
#include "store/recordnumbers.h"
#include "store/tablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ordovan::app {

namespace {

struct TableFile
{
    store::Table store::DataModule::*table;
    const char16_t *file;
};

// The order the tables are written and read in.
constexpr TableFile kTables[] = {
    {&store::DataModule::ClientDataSet1, u"db1.xml"},
    {&store::DataModule::ClientDataSet2, u"db2.xml"},
    {&store::DataModule::ClientDataSet3, u"mandant.xml"},
    {&store::DataModule::ClientDataSetAZV, u"db5.xml"},
    {&store::DataModule::ClientDataSetHisInl, u"db6.xml"},
    {&store::DataModule::ClientDataSetHisAZV, u"db7.xml"},
};

QString withSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder;
    return folder + u'/';
}

platform::RegistryDocument readSettingsExport(const QString &path)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        throw Error(backuptext::missing(path));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(backuptext::unreadable(path), file.errorString());
    const auto doc = platform::RegistryDocument::parse(file.readAll());
    if (!doc)
        throw Error(backuptext::damaged(path), QStringLiteral("keine Registrierungsdatei"));
    return *doc;
}

// Every file of the backup is there and reads as what it must be.
platform::RegistryDocument checkBackup(const QString &folder)
{
    for (const TableFile &t : kTables) {
        const QString path = folder + QString::fromUtf16(t.file);
        if (!QFileInfo::exists(path))
            throw Error(backuptext::missing(path));
        store::Table probe(QStringLiteral("probe"));
        try {
            store::readTableFile(probe, path);
        } catch (const Error &e) {
            throw Error(backuptext::damaged(path), e.message());
        }
    }
    return readSettingsExport(folder + backuptext::kSettingsFile);
}

// Numbers are never handed out twice: a counter of the restored settings that lags behind the
// restored tables is raised to their highest number.
void guardCounters(Context &ctx)
{
    const std::pair<const QString *, store::Table *> counters[] = {
        {&store::RecordNumbers::kDomestic, &ctx.data.ClientDataSet1},
        {&store::RecordNumbers::kSepa, &ctx.data.ClientDataSetAZV},
        {&store::RecordNumbers::kHistory, &ctx.data.ClientDataSet2},
        {&store::RecordNumbers::kMandant, &ctx.data.ClientDataSet3},
    };
    for (const auto &[counter, table] : counters)
        ctx.numbers.guard(*counter, *table);
}

} // namespace

QStringList backupData(Context &ctx, QString &folder)
{
    folder = withSeparator(folder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw Error(backuptext::noFolder(folder));
    QStringList written;
    for (const TableFile &t : kTables) {
        const QString path = folder + QString::fromUtf16(t.file);
        ctx.data.saveTable(ctx.data.*(t.table), path);
        written << path;
    }
    const QString settings = folder + backuptext::kSettingsFile;
    ctx.settings.exportTo(settings);
    written << settings;
    return written;
}

QStringList restoreData(Context &ctx, QString &folder, bool ask)
{
    folder = withSeparator(folder);
    if (ask && ctx.dialogs().question(backuptext::kConfirmRestore, backuptext::kConfirmCaption) !=
                   platform::Yes)
        return {};
    const platform::RegistryDocument settings = checkBackup(folder);

    QStringList read;
    for (const TableFile &t : kTables) {
        const QString path = folder + QString::fromUtf16(t.file);
        ctx.data.loadTable(ctx.data.*(t.table), path);
        read << path;
    }
    for (const TableFile &t : kTables)
        ctx.data.saveTable(ctx.data.*(t.table));
    ctx.settings.replaceAll(settings);
    read << folder + backuptext::kSettingsFile;
    guardCounters(ctx);

    loadStartUpState(ctx);
    return read;
}

void chooseBackupFolder(Context &ctx)
{
    if (const auto folder = ctx.dialogs().chooseFolder(ctx.state.backup.backupFolder))
        ctx.state.backup.backupFolder = *folder;
}

void chooseRestoreFolder(Context &ctx)
{
    if (const auto folder = ctx.dialogs().chooseFolder(ctx.state.backup.restoreFolder))
        ctx.state.backup.restoreFolder = *folder;
}

bool saveBackupFromWindow(Context &ctx)
{
    try {
        backupData(ctx, ctx.state.backup.backupFolder);
        return true;
    } catch (const std::exception &e) {
        reportUncaughtError(ctx, e);
        return false;
    }
}

bool readBackupFromWindow(Context &ctx)
{
    try {
        return !restoreData(ctx, ctx.state.backup.restoreFolder, true).isEmpty();
    } catch (const std::exception &e) {
        reportUncaughtError(ctx, e);
        return false;
    }
}

} // namespace ordovan::app
