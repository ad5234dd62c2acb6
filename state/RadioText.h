#pragma once

#include <QString>
#include <QStringView>

// Text that came over the radio (a device's advertised name, a reply or value of the gauge) as it
// may be shown, logged or printed: every control character is spelled out, never acted on.
namespace RadioText
{
// C0 controls, DEL, C1 controls, the line and paragraph separators U+2028 / U+2029 and the
// invisible format characters (bidirectional marks, embeddings, overrides and isolates such as
// U+202E and U+2066, zero-width spaces and joiners U+200B to U+200D, U+2060, U+FEFF, the soft
// hyphen, tag characters) become escapes: carriage return, line feed and tab as \r, \n, \t, the
// others as \xNN up to U+00FF, else \uNNNN per UTF-16 unit (\u202E, \uDB40\uDC41); a backslash
// is doubled so that an escape cannot be faked. Every other character, letters beyond ASCII and
// markup included, stays as it is. Total on any input.
QString visible(QStringView text);
} // namespace RadioText
