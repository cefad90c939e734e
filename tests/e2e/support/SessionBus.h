#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private D-Bus session bus for one test (dbus-daemon with no services to activate), so what a
// test offers on it (a tray host, say) is all that is there.
class SessionBus
{
public:
    SessionBus();
    ~SessionBus();

    // Starts the bus; false with the reason in `error` on failure.
    bool start(QString *error);
    QString address() const { return m_address; }
    // `base` with DBUS_SESSION_BUS_ADDRESS pointing at this bus.
    QProcessEnvironment environment(QProcessEnvironment base) const;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<QProcess> m_daemon;
    QString m_address;
};
