#pragma once

#include <QString>
#include <QStringView>

// Text that came over the radio (a device's advertised name, a reply or value of the gauge) as it
// may be shown, logged or printed: every control character is spelled out, never acted on.
namespace RadioText
{
// C0 controls, DEL, C1 controls and the line and paragraph separators U+2028 / U+2029 become
// escapes: carriage return, line feed and tab as \r, \n, \t, the others as \xNN (\u2028,
// \u2029); a backslash is doubled so that an escape cannot be faked. Every other character,
// letters beyond ASCII and markup included, stays as it is. Total on any input.
QString visible(QStringView text);
} // namespace RadioText
