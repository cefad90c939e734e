#include "services/QuickSelectKeys.h"

#include <QChar>

namespace {

// XKB key codes of the digit row, keys "1" … "9", "0" (AE01 … AE10, the same under the evdev and
// the older xfree86 key codes).
constexpr quint32 FirstDigitRowKeyCode = 10;
constexpr quint32 LastDigitRowKeyCode = 19;

} // namespace

QuickSelectKeys QuickSelectKeys::decide(int key, quint32 keyCode, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Escape)
        return {Action::Close, -1};
    // Exactly Ctrl: the keypad and group-switch bits count as other modifiers too.
    if (modifiers != Qt::ControlModifier)
        return {};
    if (keyCode >= FirstDigitRowKeyCode && keyCode <= LastDigitRowKeyCode)
        return {Action::Select, int(keyCode - FirstDigitRowKeyCode)};
    int value = -1;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        value = key - Qt::Key_0;
    else if (key > 0 && key <= 0xffff)
        value = QChar(char16_t(key)).digitValue(); // digits of other scripts
    if (value < 0 || value > 9)
        return {};
    return {Action::Select, value == 0 ? 9 : value - 1};
}
