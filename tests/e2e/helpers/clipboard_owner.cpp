// Another application for the end-to-end tests: owns the clipboard with several formats at once
// and stays alive to answer for them. Commands, one per line on standard input:
//   offer TYPE=FILE [TYPE=FILE ...]   own the clipboard offering each type with that file's bytes
//   hang MILLISECONDS TYPE=FILE ...   the same, then stop answering anyone at once
//   window NAME                       show a small window with a text field; prints "window <id>",
//                                     and "text: <text>" at each change of the field's text
//   fixture FILE                      show a window that carries the identity a captured
//                                     application's window had; prints "window <id>"
//   copy                              own the clipboard as that application did: offer the
//                                     fixture's targets in its order, each with its bytes
//   quit
// Each command is acknowledged with one line on standard output. Start it with "-name ID" to
// give its window that WM_CLASS instance name. Fixtures are written by
// tests/fixtures/clipboard/capture.sh; they are played on an X connection of their own, so the
// targets and bytes are exactly the captured ones, not what Qt would make of them.
#include "HelperCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QLineEdit>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

// A captured application: its window's identity and the targets it offered, in order; a target
// without bytes is refused when asked for.
class FixtureOwner
{
public:
    ~FixtureOwner()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
    }

    bool load(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray data = file.readAll();
        m_offers.clear();
        m_windowProperties.clear();
        for (qsizetype at = 0; at < data.size();) {
            qsizetype end = data.indexOf('\n', at);
            if (end < 0)
                end = data.size();
            const QByteArray line = data.mid(at, end - at);
            at = end + 1;
            const QByteArray kind = line.left(line.indexOf(' '));
            const QByteArray rest = line.mid(kind.size() + 1);
            if (kind == "window") {
                m_windowProperties.append({rest.left(rest.indexOf(' ')), rest.mid(rest.indexOf(' ') + 1)});
            } else if (kind == "offer") {
                const QByteArray size = rest.left(rest.indexOf(' '));
                const QByteArray name = rest.mid(size.size() + 1);
                if (size == "-") {
                    m_offers.append({name, std::nullopt});
                    continue;
                }
                m_offers.append({name, data.mid(at, size.toLongLong())});
                at += size.toLongLong() + 1;
            }
        }
        return !m_offers.isEmpty();
    }

    // Shows the window with the captured identity; its id, or 0.
    uint32_t showWindow()
    {
        if (!connect())
            return 0;
        if (m_window)
            xcb_destroy_window(m_connection, m_window);
        m_window = xcb_generate_id(m_connection);
        const uint32_t values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
        for (const auto &[name, value] : std::as_const(m_windowProperties)) {
            // WM_CLASS is "instance class", two NUL-ended strings; the others one UTF-8 string.
            const bool windowClass = name == "WM_CLASS";
            const QByteArray bytes = windowClass ? QByteArray(value).replace(' ', '\0') + '\0' : value;
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, atom(name),
                                windowClass ? uint32_t(XCB_ATOM_STRING) : atom("UTF8_STRING"), 8, uint32_t(bytes.size()),
                                bytes.constData());
        }
        const uint32_t pid = uint32_t(::getpid());
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &pid);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 7,
                            "fixture");
        xcb_map_window(m_connection, m_window);
        xcb_flush(m_connection);
        return m_window;
    }

    bool own()
    {
        if (!m_window && !showWindow())
            return false;
        xcb_set_selection_owner(m_connection, m_window, atom("CLIPBOARD"), XCB_CURRENT_TIME);
        std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, atom("CLIPBOARD")),
                                          nullptr),
            &std::free);
        answer();
        return owner && owner->owner == m_window;
    }

private:
    bool connect()
    {
        if (m_connection)
            return true;
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return false;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_events = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
        QObject::connect(m_events.get(), &QSocketNotifier::activated, [this] { answer(); });
        return true;
    }

    uint32_t atom(const QByteArray &name)
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.constData()),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
    }

    // Answers every request waiting: the target list, or a target's bytes as their own type.
    void answer()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
            if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
                continue;
            const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
            uint32_t property = request->property ? request->property : request->target;
            if (request->target == atom("TARGETS")) {
                QList<uint32_t> targets{atom("TARGETS"), atom("TIMESTAMP")};
                for (const auto &[name, bytes] : std::as_const(m_offers))
                    targets << atom(name);
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM,
                                    32, uint32_t(targets.size()), targets.constData());
            } else {
                property = XCB_ATOM_NONE;
                for (const auto &[name, bytes] : std::as_const(m_offers)) {
                    if (bytes && atom(name) == request->target) {
                        property = request->property ? request->property : request->target;
                        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request->requestor, property,
                                            request->target, 8, uint32_t(bytes->size()), bytes->constData());
                        break;
                    }
                }
            }
            xcb_selection_notify_event_t notify{};
            notify.response_type = XCB_SELECTION_NOTIFY;
            notify.time = request->time;
            notify.requestor = request->requestor;
            notify.selection = request->selection;
            notify.target = request->target;
            notify.property = property;
            xcb_send_event(m_connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char *>(&notify));
            xcb_flush(m_connection);
        }
    }

    xcb_connection_t *m_connection = nullptr;
    uint32_t m_root = 0;
    uint32_t m_window = 0;
    std::unique_ptr<QSocketNotifier> m_events;
    QList<QPair<QByteArray, QByteArray>> m_windowProperties;
    QList<QPair<QByteArray, std::optional<QByteArray>>> m_offers;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    std::unique_ptr<QWidget> window;
    FixtureOwner fixture;
    answerCommands(&application, [&](const QString &line) -> QString {
        const QStringList words = line.split(u' ');
        const QString command = words.value(0);
        if (command == u"offer" || command == u"hang") {
            const bool hang = command == u"hang";
            auto *contents = new QMimeData;
            for (qsizetype i = hang ? 2 : 1; i < words.size(); ++i) {
                const qsizetype equals = words[i].indexOf(u'=');
                QFile file(words[i].mid(equals + 1));
                if (equals <= 0 || !file.open(QIODevice::ReadOnly)) {
                    say(u"error "_qs + words[i]);
                    continue;
                }
                contents->setData(words[i].left(equals), file.readAll());
            }
            QGuiApplication::clipboard()->setMimeData(contents, QClipboard::Clipboard);
            // The ownership request leaves when the event loop next runs; only then hang.
            if (hang) {
                const unsigned long milliseconds = words.value(1).toULong();
                QTimer::singleShot(0, [milliseconds] { QThread::msleep(milliseconds); });
            }
            return u"offered"_qs;
        }
        if (command == u"window") {
            auto *field = new QLineEdit;
            window.reset(field);
            field->setWindowTitle(line.mid(7));
            field->resize(200, 100);
            QObject::connect(field, &QLineEdit::textChanged, [](const QString &text) { say(u"text: "_qs + text); });
            field->show();
            return u"window "_qs + QString::number(field->winId());
        }
        if (command == u"fixture") {
            const uint32_t id = fixture.load(line.mid(8)) ? fixture.showWindow() : 0;
            return id ? u"window "_qs + QString::number(id) : u"error "_qs + line;
        }
        if (command == u"copy")
            return fixture.own() ? u"offered"_qs : u"error not the owner"_qs;
        if (command == u"quit") {
            QCoreApplication::quit();
            return u"bye"_qs;
        }
        return u"unknown "_qs + command;
    });
    say(u"ready"_qs);
    return QApplication::exec();
}
