#pragma once

#include <Qt>

// What the popup's key monitor does with a key press: Escape closes the popup whatever the
// modifiers; a digit with exactly Ctrl held (no Shift, Alt, Meta, nor a keypad key) selects a row
// (1 → row 0 … 9 → row 8, 0 → row 9); everything else passes on to its normal destination.
struct QuickSelectKeys
{
    enum class Action { PassThrough, Close, Select };

    Action action = Action::PassThrough;
    int index = -1;

    // `key` is Qt's key code: for a character key, the character's code point.
    static QuickSelectKeys decide(int key, Qt::KeyboardModifiers modifiers);
};
