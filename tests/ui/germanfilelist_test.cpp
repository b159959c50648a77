// The file dialogs' list shows sizes and dates the German way on any system.
#include "testutil.h"
#include "ui/germanfilelist.h"

#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using ordovan::ui::germanFileSize;

TEST(GermanFileList, SizesInBytesKilobytesAndMegabytes)
{
    EXPECT_EQ(germanFileSize(0), QStringLiteral("0 Byte"));
    EXPECT_EQ(germanFileSize(971), QStringLiteral("971 Byte"));
    EXPECT_EQ(germanFileSize(16886), QStringLiteral("16,5 KB"));
    EXPECT_EQ(germanFileSize(5 * 1024 * 1024 + 300 * 1024), QStringLiteral("5,3 MB"));
}

TEST(GermanFileList, TheListShowsGermanSizesAndDates)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quelle.csv"));
    ordovan::test::writeFile(path, QByteArray(971, 'x'));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime when(QDate(2026, 12, 10), QTime(4, 49, 7));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();

    QFileSystemModel files;
    QSignalSpy loaded(&files, &QFileSystemModel::directoryLoaded);
    const QModelIndex folder = files.setRootPath(dir.path());
    ASSERT_TRUE(loaded.wait(5000));
    ordovan::ui::GermanFileList list;
    list.setSourceModel(&files);
    const QModelIndex row = list.mapFromSource(files.index(path));
    EXPECT_EQ(list.index(row.row(), 1, row.parent()).data().toString(), QStringLiteral("971 Byte"));
    EXPECT_EQ(list.index(row.row(), 3, row.parent()).data().toString(),
              QStringLiteral("10.12.2026 04:49"));
    EXPECT_EQ(list.index(row.row(), 0, row.parent()).data().toString(),
              QStringLiteral("quelle.csv"));
    EXPECT_TRUE(folder.isValid());
}
