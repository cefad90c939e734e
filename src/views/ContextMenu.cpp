#include "views/ContextMenu.h"

#include <QKeyEvent>

QAction *ContextMenu::actionForKey(int key, Qt::KeyboardModifiers modifiers) const
{
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const QKeySequence exact(QKeyCombination(modifiers, Qt::Key(key)));
    const QKeySequence withoutShift(QKeyCombination(modifiers & ~Qt::ShiftModifier, Qt::Key(key)));
    for (QAction *action : actions()) {
        if (!action->isEnabled() || action->shortcut().isEmpty())
            continue;
        if (action->shortcut() == exact || action->shortcut() == withoutShift)
            return action;
    }
    return nullptr;
}

void ContextMenu::keyPressEvent(QKeyEvent *event)
{
    if (QAction *action = actionForKey(event->key(), event->modifiers())) {
        event->accept();
        hide();
        action->trigger();
        return;
    }
    QMenu::keyPressEvent(event);
}
