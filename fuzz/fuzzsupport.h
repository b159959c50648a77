#pragma once

#include "base/error.h"
#include "formats/tabular.h"

#include <QByteArray>
#include <QFile>

#include <unistd.h>

// What the fuzz targets share: limits small enough that a run over many inputs stays fast,
// a file per process for the readers that open paths, and a full read of a connection.

namespace ordovan::fuzz {

inline formats::TabularLimits limits()
{
    formats::TabularLimits l;
    l.maxCells = 200000;
    l.maxTextChars = 2 * 1024 * 1024;
    l.maxPartBytes = 16 * 1024 * 1024;
    l.maxFileBytes = 16 * 1024 * 1024;
    return l;
}

inline QString writeInput(const uint8_t *data, size_t size)
{
    static const QString path =
        QStringLiteral("/tmp/ordovan-fuzz-%1.bin").arg(QString::number(::getpid()));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}

// Every sheet, every row, every field.
inline void readEverything(formats::TabularConnection &connection)
{
    for (const QString &name : connection.tableNames(true)) {
        try {
            auto rows = connection.openTable(name);
            const int fields = rows->fieldCount();
            for (rows->first(); !rows->eof(); rows->next()) {
                for (int i = 0; i < fields; ++i)
                    rows->text(i);
            }
        } catch (const Error &) {
        }
    }
}

} // namespace ordovan::fuzz
