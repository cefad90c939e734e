#include "platform/wayland/WaylandPasteboard.h"

#include "platform/wayland/WaylandDataControl.h"
#include "support/Log.h"
#include "support/LogCategories.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>


namespace {

// What a QMimeData offers, as the types and bytes other Wayland clients ask for. Text is offered
// under the names X11 and Wayland clients look for; an image as PNG.
WaylandDataControl::Flavours flavoursOf(const QMimeData &contents)
{
    WaylandDataControl::Flavours flavours;
    if (contents.hasImage()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (qvariant_cast<QImage>(contents.imageData()).save(&buffer, "PNG"))
            flavours.append({QStringLiteral("image/png"), png});
    }
    for (const QString &format : contents.formats()) {
        if (format == QLatin1String("application/x-qt-image"))
            continue;
        const QByteArray bytes = contents.data(format);
        if (format == QLatin1String("text/plain")) {
            for (const char *name : {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "TEXT", "STRING"})
                flavours.append({QString::fromLatin1(name), bytes});
        } else {
            flavours.append({format, bytes});
        }
    }
    return flavours;
}

} // namespace

WaylandPasteboard::WaylandPasteboard(QObject *parent)
    : Pasteboard(parent)
    , m_control(std::make_unique<WaylandDataControl>())
{
    qRegisterMetaType<PasteboardSnapshot>();
    m_thread.setObjectName(QStringLiteral("wayland clipboard"));
    m_control->moveToThread(&m_thread);
    connect(m_control.get(), &WaylandDataControl::finished, this, &WaylandPasteboard::deliverContents);
    connect(m_control.get(), &WaylandDataControl::selectionChanged, this,
            &WaylandPasteboard::onSelectionChanged);
    connect(m_control.get(), &WaylandDataControl::connected, this, [](const QString &protocol) {
        Log::note(QStringLiteral("watching the Wayland clipboard through %1").arg(protocol));
    });
    connect(m_control.get(), &WaylandDataControl::unavailable, this, [](const QString &reason) {
        Log::note(QStringLiteral("Wayland clipboard unavailable: %1").arg(reason));
    });
    m_thread.start();
    WaylandDataControl *control = m_control.get();
    QMetaObject::invokeMethod(control, [control] { control->connectToCompositor(); }, Qt::QueuedConnection);
}

WaylandPasteboard::~WaylandPasteboard()
{
    m_control->stop();
    WaylandDataControl *control = m_control.get();
    QMetaObject::invokeMethod(control, [control] { control->disconnectFromCompositor(); },
                              Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void WaylandPasteboard::onSelectionChanged()
{
    m_control->abandonBefore(++m_changeCount);
    qCDebug(lcPlatform) << "Wayland selection changed: copy" << m_changeCount.load();
    Q_EMIT changedOutside();
}

void WaylandPasteboard::requestContents(FlavourChooser choose)
{
    const qint64 generation = m_changeCount.load();
    WaylandDataControl *control = m_control.get();
    QMetaObject::invokeMethod(
        control, [control, generation, choose = std::move(choose)] { control->read(generation, choose); },
        Qt::QueuedConnection);
}

void WaylandPasteboard::writeContents(QMimeData *contents)
{
    write(contents, false);
}

void WaylandPasteboard::restoreContents(QMimeData *contents, qint64 changeCount)
{
    if (changeCount != m_changeCount.load()) {
        delete contents;
        return;
    }
    // The selection a client set meanwhile may not be announced yet: the clipboard's thread
    // asks the compositor before it writes.
    write(contents, true);
}

void WaylandPasteboard::write(QMimeData *contents, bool onlyIfEmpty)
{
    const std::unique_ptr<QMimeData> owned(contents);
    WaylandDataControl::Flavours flavours = owned ? flavoursOf(*owned) : WaylandDataControl::Flavours();
    m_control->abandonBefore(++m_changeCount);
    WaylandDataControl *control = m_control.get();
    QMetaObject::invokeMethod(
        control, [control, flavours = std::move(flavours), onlyIfEmpty] { control->write(flavours, onlyIfEmpty); },
        Qt::QueuedConnection);
}
