#include "views/widgets/ContextMenu.h"

#include "views/widgets/PopoverStyle.h"

#include <QEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>

ContextMenu::ContextMenu(QWidget *parent)
    : QMenu(parent)
{
    applyColors();
}

void ContextMenu::changeEvent(QEvent *event)
{
    QMenu::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_applying)
        applyColors();
}

void ContextMenu::applyColors()
{
    const QScopedValueRollback<bool> applying(m_applying, true);
    QPalette colors = palette();
    // Styles draw a disabled entry faint, and the menu on the base colour or the window's.
    QColor heading = PopoverStyle::secondary(colors);
    for (const QColor &background : {colors.color(QPalette::Base), colors.color(QPalette::Base).lighter(108),
                                     colors.color(QPalette::Window)})
        heading = PopoverStyle::readable(heading, background);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        colors.setColor(QPalette::Disabled, role, heading);
    setPalette(colors);
}

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
