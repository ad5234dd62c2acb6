#pragma once

class QKeyEvent;

// The Windows virtual-key code of a key event: the native code where the platform reports one
// (Windows), otherwise mapped from the Qt key (letters and digits as their upper-case ASCII code,
// Kanji/Hanja 0x19, common control keys). On other systems the right Ctrl key gives 0x19 as well,
// told from the left one by its native key (X11, Wayland) or scan code (Linux console). Keys
// without a mapping give 0.
int windowsVirtualKey(const QKeyEvent& event);

// The mapping from a Qt key alone (keypad: true for keys of the numeric keypad).
int virtualKeyForQtKey(int qtKey, bool keypad);
