#pragma once

#include <QMenu>

// The tray item's menu: while it is open, an entry's key equivalent (Ctrl+, Ctrl+? Ctrl+Q)
// chooses that entry, as the keys shown beside the entries promise. Its heading, an entry that
// cannot be chosen, is drawn in a colour that still reads at 4.5:1.
class ContextMenu : public QMenu
{
    Q_OBJECT
public:
    explicit ContextMenu(QWidget *parent = nullptr);

    // The enabled entry whose shortcut is this key press, if any. Shift is ignored for keys whose
    // character needs it on some layouts ("?").
    QAction *actionForKey(int key, Qt::KeyboardModifiers modifiers) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColors();

    bool m_applying = false;
};
