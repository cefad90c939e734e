#include "platform/x11/X11PasteKeySender.h"

#include "platform/x11/X11KeyTyper.h"
#include "support/Log.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>

#include <xcb/xcb.h>

#include <functional>

namespace {

// Text offered on the primary selection for one paste; says when a window has taken it.
class PrimaryOffer : public QMimeData
{
public:
    explicit PrimaryOffer(std::function<void()> taken)
        : m_taken(std::move(taken))
    {
    }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override
    {
        if (m_taken)
            m_taken();
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    std::function<void()> m_taken;
};

} // namespace

X11PasteKeySender::X11PasteKeySender(QClipboard *clipboard, QObject *parent)
    : PasteKeySender(parent)
    , m_clipboard(clipboard)
    , m_typer(std::make_unique<X11KeyTyper>())
{
    qRegisterMetaType<PasteWindow>();
    qRegisterMetaType<PasteKey>();
    m_thread.setObjectName(QStringLiteral("paste keys"));
    m_typer->moveToThread(&m_thread);
    connect(m_typer.get(), &X11KeyTyper::activeWindowFound, this, &PasteKeySender::activeWindowFound);
    connect(m_typer.get(), &X11KeyTyper::inspected, this, &PasteKeySender::inspected);
    connect(m_typer.get(), &X11KeyTyper::sent, this, &PasteKeySender::sent);
    // A paste that did not reach the window will never take the primary selection.
    connect(m_typer.get(), &X11KeyTyper::sent, this, [this](quint32, PasteKey key, bool delivered) {
        if (key == PasteKey::ShiftInsert)
            QTimer::singleShot(delivered ? PrimaryHoldMs : 0, this, &X11PasteKeySender::releasePrimary);
    });
    m_thread.start();
}

X11PasteKeySender::~X11PasteKeySender()
{
    m_thread.quit();
    m_thread.wait();
    // The typer's connection is closed here, after its thread has ended.
    m_typer.reset();
}

void X11PasteKeySender::findActiveWindow()
{
    X11KeyTyper *typer = m_typer.get();
    QMetaObject::invokeMethod(typer, [typer] { typer->findActiveWindow(); }, Qt::QueuedConnection);
}

void X11PasteKeySender::inspect(quint32 window)
{
    X11KeyTyper *typer = m_typer.get();
    QMetaObject::invokeMethod(typer, [typer, window] { typer->inspect(window); }, Qt::QueuedConnection);
}

void X11PasteKeySender::send(quint32 window, PasteKey key)
{
    // Our own offer only, read without asking the display; a copy made elsewhere since is left be.
    if (key == PasteKey::ShiftInsert && m_clipboard && m_clipboard->ownsClipboard()) {
        const QMimeData *offered = m_clipboard->mimeData(QClipboard::Clipboard);
        if (offered && offered->hasText()) {
            // Given up once the request is answered, from the event loop.
            auto *primary = new PrimaryOffer([self = QPointer<X11PasteKeySender>(this)] {
                if (self)
                    QTimer::singleShot(0, self, &X11PasteKeySender::releasePrimary);
            });
            primary->setData(QStringLiteral("text/plain"), offered->data(QStringLiteral("text/plain")));
            m_primaryOffer = primary;
            m_clipboard->setMimeData(primary, QClipboard::Selection);
        }
    }
    // The popup's release of the keyboard may still sit in Qt's output buffer; it has to reach
    // the server before the keys do.
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        xcb_flush(x11->connection());
    X11KeyTyper *typer = m_typer.get();
    QMetaObject::invokeMethod(typer, [typer, window, key] { typer->send(window, key); }, Qt::QueuedConnection);
}

void X11PasteKeySender::releasePrimary()
{
    // Only our own offer: a selection the user made since is theirs.
    if (!m_primaryOffer || !m_clipboard || !m_clipboard->ownsSelection()
        || m_clipboard->mimeData(QClipboard::Selection) != m_primaryOffer)
        return;
    m_primaryOffer = nullptr;
    m_clipboard->clear(QClipboard::Selection);
    Log::note(QStringLiteral("primary selection given up after the paste"));
}
