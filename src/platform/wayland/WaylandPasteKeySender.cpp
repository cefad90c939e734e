#include "platform/wayland/WaylandPasteKeySender.h"

// Answers come later, as the interface promises, never inside the request.
void WaylandPasteKeySender::findActiveWindow()
{
    QMetaObject::invokeMethod(this, [this] { Q_EMIT activeWindowFound(PasteWindow{}); }, Qt::QueuedConnection);
}

void WaylandPasteKeySender::inspect(quint32 window)
{
    QMetaObject::invokeMethod(this, [this, window] { Q_EMIT inspected(window, false, false); }, Qt::QueuedConnection);
}

void WaylandPasteKeySender::send(quint32 window, PasteKey key)
{
    QMetaObject::invokeMethod(this, [this, window, key] { Q_EMIT sent(window, key, false); }, Qt::QueuedConnection);
}
