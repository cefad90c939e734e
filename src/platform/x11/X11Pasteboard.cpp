#include "platform/x11/X11Pasteboard.h"

#include "platform/x11/X11SelectionReader.h"
#include "platform/x11/Xcb.h"
#include "support/LogCategories.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <xcb/xcb.h>

#include <memory>

namespace {

// Marks the writes made through writeContents() so their synchronous change signal is not
// counted as an outside change.
class OwnWriteScope
{
public:
    explicit OwnWriteScope(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~OwnWriteScope() { m_flag = false; }
    OwnWriteScope(const OwnWriteScope &) = delete;
    OwnWriteScope &operator=(const OwnWriteScope &) = delete;

private:
    bool &m_flag;
};

} // namespace

X11Pasteboard::X11Pasteboard(QClipboard *clipboard, QObject *parent)
    : Pasteboard(parent)
    , m_clipboard(clipboard)
    , m_reader(std::make_unique<X11SelectionReader>())
{
    qRegisterMetaType<PasteboardSnapshot>();
    m_readerThread.setObjectName(QStringLiteral("clipboard reader"));
    m_reader->moveToThread(&m_readerThread);
    connect(m_reader.get(), &X11SelectionReader::finished, this, &X11Pasteboard::deliverContents);
    m_readerThread.start();
    connect(m_clipboard, &QClipboard::changed, this,
            [this](QClipboard::Mode mode) { onClipboardChanged(int(mode)); });
}

X11Pasteboard::~X11Pasteboard()
{
    m_reader->stop();
    m_readerThread.quit();
    m_readerThread.wait();
}

void X11Pasteboard::onClipboardChanged(int mode)
{
    if (mode != QClipboard::Clipboard || m_writing)
        return;
    // Qt reports another client's ownership, and the owner going away, but not the XFixes
    // echo of our own ownership; a copy in one of our own widgets is counted here too.
    m_reader->abandonBefore(++m_changeCount);
    qCDebug(lcPlatform) << "X11 clipboard changed by another client: copy" << m_changeCount.load();
    Q_EMIT changedOutside();
}

void X11Pasteboard::requestContents(FlavourChooser choose)
{
    const qint64 generation = m_changeCount.load();
    X11SelectionReader *reader = m_reader.get();
    QMetaObject::invokeMethod(
        reader, [reader, generation, choose = std::move(choose)] { reader->read(generation, choose); },
        Qt::QueuedConnection);
}

void X11Pasteboard::writeContents(QMimeData *contents)
{
    OwnWriteScope scope(m_writing);
    m_reader->abandonBefore(++m_changeCount);
    m_clipboard->setMimeData(contents, QClipboard::Clipboard);
}

void X11Pasteboard::restoreContents(QMimeData *contents, qint64 changeCount)
{
    std::unique_ptr<QMimeData> owned(contents);
    if (changeCount != m_changeCount.load())
        return;
    // A client may own the clipboard already while its change has not reached us: the server
    // knows. One round trip to it, not to any other client.
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        xcb_connection_t *connection = x11->connection();
        const QByteArray name = QByteArrayLiteral("CLIPBOARD");
        Xcb::Reply<xcb_intern_atom_reply_t> atom(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData()), nullptr));
        if (!atom || atom->atom == XCB_ATOM_NONE)
            return;
        Xcb::Reply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
        if (!owner || owner->owner != XCB_WINDOW_NONE)
            return;
    }
    writeContents(owned.release());
}
