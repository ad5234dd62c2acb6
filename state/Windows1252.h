#pragma once

#include <QByteArray>
#include <QStringView>

// Encodes text in the Windows-1252 code page of the service log. U+0000..U+007F and
// U+00A0..U+00FF keep their values, the 27 typographic characters of 0x80..0x9F (euro sign,
// quotes, dashes, ...) get their 1252 bytes, and every other character, a surrogate pair
// included, becomes one '?'. Total on any input.
QByteArray toWindows1252(QStringView text);
