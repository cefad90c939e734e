#include "services/KeyCommands.h"

namespace KeyCommands {

KeyCommand decide(int key, Qt::KeyboardModifiers modifiers)
{
    modifiers &= ~Qt::KeypadModifier;
    if (key == Qt::Key_Escape && modifiers == Qt::NoModifier)
        return KeyCommand::CloseWindow;
    const bool punctuation = key == Qt::Key_Comma || key == Qt::Key_Question;
    if (punctuation)
        modifiers &= ~Qt::ShiftModifier;
    if (modifiers != Qt::ControlModifier)
        return KeyCommand::None;
    switch (key) {
    case Qt::Key_Comma:
        return KeyCommand::OpenSettings;
    case Qt::Key_H:
        return KeyCommand::OpenHistoryWindow;
    case Qt::Key_Question:
        return KeyCommand::OpenHelp;
    case Qt::Key_Q:
        return KeyCommand::Quit;
    case Qt::Key_W:
        return KeyCommand::CloseWindow;
    default:
        return KeyCommand::None;
    }
}

} // namespace KeyCommands
