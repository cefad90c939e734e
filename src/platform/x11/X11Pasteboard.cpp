#include "platform/x11/X11Pasteboard.h"

#include "platform/x11/X11SelectionReader.h"

#include <QClipboard>
#include <QMimeData>


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
