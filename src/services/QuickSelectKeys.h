#pragma once

#include <Qt>

// What the popup's key monitor does with a key press: Escape closes the popup whatever the
// modifiers; a key of the digit row with exactly Ctrl held (no Shift, Alt, AltGr, Meta, nor a
// keypad key) selects a row (1 → row 0 … 9 → row 8, 0 → row 9); everything else passes on to its
// normal destination.
//
// The digit row is recognised by the physical key, whatever the layout prints on it (on AZERTY the
// "1" key types "&", on some layouts Caps Lock changes what it types), so every layout selects with
// the same keys. Caps Lock and Num Lock are states, not modifiers: Qt's modifiers never carry them.
struct QuickSelectKeys
{
    enum class Action { PassThrough, Close, Select };

    Action action = Action::PassThrough;
    int index = -1;

    // `key` is Qt's key code (for a character key, the character's code point); `keyCode` the
    // platform's code of the physical key (QKeyEvent::nativeScanCode(): the XKB key code on X11
    // and Wayland), 0 where the platform gives none, in which case the character decides.
    static QuickSelectKeys decide(int key, quint32 keyCode, Qt::KeyboardModifiers modifiers);
};
