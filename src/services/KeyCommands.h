#pragma once

#include <Qt>

// Kavla's own keys, answered wherever Kavla has the keyboard (the popup and each of its windows),
// as the tray menu shows them: Ctrl+, opens Settings, Ctrl+H the history window, Ctrl+? the user
// guide, Ctrl+Q quits; Esc and Ctrl+W close the window they are pressed in.
enum class KeyCommand { None, OpenSettings, OpenHistoryWindow, OpenHelp, Quit, CloseWindow };

namespace KeyCommands {

// `key` is Qt's key code of the press. Shift is ignored for the punctuation keys, whose character
// needs it on some layouts ("?" always does on a US keyboard); keypad keys count as the same keys.
KeyCommand decide(int key, Qt::KeyboardModifiers modifiers);

} // namespace KeyCommands
