#include "info/VirtualKeyCode.h"

#include <QKeyEvent>

namespace
{
constexpr int VkBack = 0x08;
constexpr int VkTab = 0x09;
constexpr int VkReturn = 0x0D;
constexpr int VkShift = 0x10;
constexpr int VkControl = 0x11;
constexpr int VkMenu = 0x12;
constexpr int VkKanji = 0x19;
constexpr int VkEscape = 0x1B;
constexpr int VkSpace = 0x20;
constexpr int VkLeft = 0x25;
constexpr int VkUp = 0x26;
constexpr int VkRight = 0x27;
constexpr int VkDown = 0x28;
constexpr int VkDelete = 0x2E;
constexpr int VkNumpad0 = 0x60;
constexpr int VkF1 = 0x70;

#ifndef Q_OS_WIN
// The right Ctrl key as X11 and Wayland report it (the keysym Control_R), and as the Linux
// console input reports it where no keysym comes with the event (its key code 97 + 8).
constexpr quint32 KeysymControlR = 0xffe4;
constexpr quint32 ScanCodeControlR = 105;

// German and US keyboards have no Kanji/Hanja key: the right Ctrl key stands in for it.
bool isRightControl(const QKeyEvent& event)
{
    if (event.key() != Qt::Key_Control)
        return false;
    if (event.nativeVirtualKey() != 0)
        return event.nativeVirtualKey() == KeysymControlR;
    return event.nativeScanCode() == ScanCodeControlR;
}
#endif
} // namespace

int virtualKeyForQtKey(int qtKey, bool keypad)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? VkNumpad0 + (qtKey - Qt::Key_0) : qtKey; // '0'..'9' are 0x30..0x39
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey; // 'A'..'Z' are 0x41..0x5A
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VkF1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Kanji:
    case Qt::Key_Hangul_Hanja:
        return VkKanji;
    case Qt::Key_Backspace:
        return VkBack;
    case Qt::Key_Tab:
        return VkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VkReturn;
    case Qt::Key_Shift:
        return VkShift;
    case Qt::Key_Control:
        return VkControl;
    case Qt::Key_Alt:
        return VkMenu;
    case Qt::Key_Escape:
        return VkEscape;
    case Qt::Key_Space:
        return VkSpace;
    case Qt::Key_Left:
        return VkLeft;
    case Qt::Key_Up:
        return VkUp;
    case Qt::Key_Right:
        return VkRight;
    case Qt::Key_Down:
        return VkDown;
    case Qt::Key_Delete:
        return VkDelete;
    default:
        return 0;
    }
}

int windowsVirtualKey(const QKeyEvent& event)
{
#ifdef Q_OS_WIN
    if (event.nativeVirtualKey() != 0)
        return int(event.nativeVirtualKey());
#else
    if (isRightControl(event))
        return VkKanji;
#endif
    return virtualKeyForQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
}
