#include "SessionBus.h"
#include "KavlaProcess.h"

#include <QFile>

SessionBus::SessionBus() = default;

SessionBus::~SessionBus()
{
    stopProcess(m_daemon);
}

bool SessionBus::start(QString *error)
{
    QFile config(m_folder.filePath(QStringLiteral("bus.conf")));
    if (!m_folder.isValid() || !config.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write the bus configuration");
        return false;
    }
    config.write(QStringLiteral(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n"
        "  <type>session</type>\n"
        "  <listen>unix:path=%1</listen>\n"
        "  <auth>EXTERNAL</auth>\n"
        "  <policy context=\"default\">\n"
        "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
        "    <allow eavesdrop=\"true\"/>\n"
        "    <allow own=\"*\"/>\n"
        "  </policy>\n"
        "</busconfig>\n").arg(m_folder.filePath(QStringLiteral("bus"))).toUtf8());
    config.close();

    m_daemon = std::make_unique<QProcess>();
    m_daemon->setStandardErrorFile(m_folder.filePath(QStringLiteral("bus.log")));
    m_daemon->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                    QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!m_daemon->waitForStarted(5000) || !m_daemon->waitForReadyRead(5000)) {
        *error = QStringLiteral("dbus-daemon did not start (scripts/deps.sh test installs it)");
        return false;
    }
    m_address = QString::fromUtf8(m_daemon->readLine().trimmed());
    return !m_address.isEmpty();
}

QProcessEnvironment SessionBus::environment(QProcessEnvironment base) const
{
    base.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    return base;
}
