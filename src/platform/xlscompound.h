#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <optional>

namespace ordovan::platform {

// One stream of an OLE2 compound document, the container of .xls files: the header, the
// sector allocation table (with its extension sectors), the directory, and the mini stream
// for small streams. Every sector number, size and chain is checked against the file, and a
// chain that loops or leaves the file ends the read, so a hostile file costs at most about
// its own size in memory.
//
// The first of names (compared regardless of case) found among the streams of the root
// storage; nullopt when the container cannot be read, holds none of them, or the stream is
// larger than maxBytes.
std::optional<QByteArray> readCompoundStream(QByteArrayView file, const QStringList &names,
                                             qint64 maxBytes);

} // namespace ordovan::platform
