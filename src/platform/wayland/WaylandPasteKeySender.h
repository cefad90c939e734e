#pragma once

#include "platform/PasteKeySender.h"

// Paste after choosing on Wayland: a client may neither ask which window is in front nor type
// into another client's window, so every request answers that no window was in front and the
// entry stays on the clipboard for the user to paste.
class WaylandPasteKeySender : public PasteKeySender
{
    Q_OBJECT
public:
    using PasteKeySender::PasteKeySender;

    void findActiveWindow() override;
    void inspect(quint32 window) override;
    void send(quint32 window, PasteKey key) override;
};
