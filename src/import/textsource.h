#pragma once

#include "sourcegrid.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace ordovan::import {

// The reader of delimited text sources: every line of the file is one record (one grid
// column), split at the separator. A qualifier character toggles quoting wherever it stands
// and never reaches a cell; separators inside quotes are text. The quoting state carries over
// from one line to the next, but a line break always ends the record.
//
// Lines end at LF or CR LF. A lone CR is not a line end: it stays in the cell, as the text
// reading of the platform the program comes from leaves it.
//
// Bytes are decoded as UTF-8 when the file starts with a UTF-8 byte-order mark or is valid
// UTF-8 with multi-byte sequences, otherwise as Windows-1252 (every byte is a character).

struct DelimitedFormat
{
    char separator = '\t';
    char qualifier = 0; // '"', '\'' or 0 for none
};

enum class TextEncoding
{
    Windows1252,
    Utf8
};
TextEncoding detectEncoding(QByteArrayView bytes);

// Writes the records of the bytes into the grid (only the cells of fields found; the grid is
// not emptied first), then sets its row count to the greatest field count and its column
// count to the record count. Throws std::bad_alloc when the source does not fit.
void splitDelimited(QByteArrayView bytes, DelimitedFormat format, SourceGrid &grid);

enum class TextReadOutcome
{
    Read,
    CannotOpen, // missing, no permission, a folder, not a regular file
    ReadFailed, // opened, but reading failed or the source did not fit into memory
};

// Bytes read of the file's size, after each block (a file in UTF-8 is read twice).
using ReadProgress = std::function<void(qint64 done, qint64 total)>;

TextReadOutcome readDelimitedFile(const QString &path, DelimitedFormat format, SourceGrid &grid,
                                  const ReadProgress &progress = {});

} // namespace ordovan::import
