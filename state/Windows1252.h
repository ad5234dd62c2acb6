#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Encodes text in the Windows-1252 code page of the service log. U+0000..U+007F and
// U+00A0..U+00FF keep their values, the 27 typographic characters of 0x80..0x9F (euro sign,
// quotes, dashes, ...) get their 1252 bytes, and every other character, a surrogate pair
// included, becomes one '?'. Total on any input.
QByteArray toWindows1252(QStringView text);

// Decodes Windows-1252 text: the 27 typographic bytes of 0x80..0x9F become their characters,
// every other byte keeps its value (the five unassigned ones included). Total on any input.
QString fromWindows1252(QByteArrayView bytes);
// The character of one Windows-1252 byte, as fromWindows1252 decodes it.
QChar fromWindows1252(unsigned char byte);
