#pragma once

#include "platform/PasteKeySender.h"

#include <QMimeData>
#include <QPointer>
#include <QThread>

#include <memory>

class QClipboard;
class X11KeyTyper;

// The paste keys on X11: an X11KeyTyper on a thread of its own does the asking and the typing
// through XTest. Before Shift+Insert, which pastes the primary selection, the clipboard's text is
// offered there too, for that one paste: once the window has taken it (or PrimaryHoldMs after
// the keys, when it never asks), the primary selection is given up again, so a later middle click
// does not paste the entry, a password included.
class X11PasteKeySender : public PasteKeySender
{
    Q_OBJECT
public:
    static constexpr int PrimaryHoldMs = 3000;

    explicit X11PasteKeySender(QClipboard *clipboard, QObject *parent = nullptr);
    ~X11PasteKeySender() override;

    void findActiveWindow() override;
    void inspect(quint32 window) override;
    void send(quint32 window, PasteKey key) override;

private:
    // Gives up the primary selection when it still holds the offer made for the paste.
    void releasePrimary();

    QClipboard *m_clipboard;
    QPointer<QMimeData> m_primaryOffer;
    QThread m_thread;
    std::unique_ptr<X11KeyTyper> m_typer;
};
