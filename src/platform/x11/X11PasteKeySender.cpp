#include "platform/x11/X11PasteKeySender.h"

#include "platform/x11/X11KeyTyper.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <xcb/xcb.h>

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
            auto *primary = new QMimeData;
            primary->setText(offered->text());
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
