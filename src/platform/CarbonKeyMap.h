#pragma once

#include <QString>
#include <QtGlobal>

// Translation of the stored macOS combinations to X11: virtual key codes of the ANSI layout to the
// character of the key (whose keysym is the same number for ASCII), and Carbon modifier masks to
// X modifier masks (Command to Super/Mod4, Shift, Option to Alt/Mod1, Control). The X11 grab uses
// it, and so does the shortcuts portal on Wayland to name the preferred trigger.
namespace CarbonKeyMap {

constexpr quint32 CmdKey = 256;
constexpr quint32 ShiftKey = 512;
constexpr quint32 OptionKey = 2048;
constexpr quint32 ControlKey = 4096;

constexpr quint16 X11ShiftMask = 1;
constexpr quint16 X11LockMask = 2;
constexpr quint16 X11ControlMask = 4;
constexpr quint16 X11Mod1Mask = 8;
constexpr quint16 X11Mod4Mask = 64;

// The lower-case character of the key, or 0 for a key code without one in the table.
char16_t characterForKeyCode(quint32 keyCode);
// The X modifier mask; Carbon bits other than the four above are ignored.
quint16 x11Modifiers(quint32 carbonModifiers);
// "Super+Shift+V", for messages.
QString describe(quint32 keyCode, quint32 carbonModifiers);

} // namespace CarbonKeyMap
