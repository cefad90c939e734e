#pragma once

#include "platform/PasteKeySender.h"

#include <QThread>

#include <memory>

class QClipboard;
class X11KeyTyper;

// The paste keys on X11: an X11KeyTyper on a thread of its own does the asking and the typing
// through XTest. Before Shift+Insert, which pastes the primary selection, the clipboard's text is
// offered there too.
class X11PasteKeySender : public PasteKeySender
{
    Q_OBJECT
public:
    explicit X11PasteKeySender(QClipboard *clipboard, QObject *parent = nullptr);
    ~X11PasteKeySender() override;

    void findActiveWindow() override;
    void inspect(quint32 window) override;
    void send(quint32 window, PasteKey key) override;

private:
    QClipboard *m_clipboard;
    QThread m_thread;
    std::unique_ptr<X11KeyTyper> m_typer;
};
