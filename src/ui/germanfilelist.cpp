#include "germanfilelist.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLocale>

namespace ordovan::ui {

namespace {

// The columns of Qt's file system model.
constexpr int kSizeColumn = 1;
constexpr int kDateColumn = 3;

} // namespace

QString germanFileSize(qint64 bytes)
{
    static const QLocale german(QLocale::German, QLocale::Germany);
    if (bytes < 1024)
        return QStringLiteral("%1 Byte").arg(bytes);
    const char *units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return german.toString(value, 'f', 1) + u' ' + QLatin1String(units[unit]);
}

QVariant GermanFileList::data(const QModelIndex &index, int role) const
{
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (role != Qt::DisplayRole || !files ||
        (index.column() != kSizeColumn && index.column() != kDateColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (index.column() == kSizeColumn)
        return files->isDir(source) ? QString() : germanFileSize(files->size(source));
    const QDateTime modified = files->lastModified(source);
    return modified.isValid() ? modified.toString(QStringLiteral("dd.MM.yyyy HH:mm")) : QString();
}

void showGermanFileList(QFileDialog &dialog)
{
    dialog.setProxyModel(new GermanFileList(&dialog));
}

} // namespace ordovan::ui
