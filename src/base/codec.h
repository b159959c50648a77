#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace ordovan::codec {

// Windows-1252 is the byte form of every table file, log file and text report. The five
// bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control
// characters of the same value, as Windows itself converts them, so every byte round-trips.

// The Unicode character of one Windows-1252 byte.
char16_t cp1252ToUnicode(unsigned char byte);

// The Windows-1252 byte of a character, or '?' when the code page cannot hold it.
unsigned char unicodeToCp1252(char32_t ch);

QString fromCp1252(QByteArrayView bytes);
QByteArray toCp1252(QStringView text);

// Appends the Windows-1252 form of the UTF-8 text to out. Code points above U+00FF and
// malformed sequences become '?'. With latin1Identity, code points U+0080..U+00FF are taken
// as the byte of the same value: that is how bytes read through an ISO-8859-1 decoder come
// back unchanged, whatever Windows-1252 makes of them.
void appendUtf8AsCp1252(QByteArray &out, const char *utf8, qsizetype length, bool latin1Identity);

// True when the bytes are valid UTF-8 and contain at least one multi-byte sequence.
bool isUtf8WithMultibyte(QByteArrayView bytes);

} // namespace ordovan::codec
