#include "WaylandCompositor.h"
#include "KavlaProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>

#include <functional>

#include <pwd.h>
#include <unistd.h>

WaylandCompositor::WaylandCompositor() = default;

WaylandCompositor::~WaylandCompositor()
{
    stopProcess(m_sway);
}

bool WaylandCompositor::start(QString *error)
{
    if (!m_runtime.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    QFile config(m_runtime.filePath(QStringLiteral("sway.config")));
    if (!config.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write the sway configuration");
        return false;
    }
    config.write("xwayland disable\noutput HEADLESS-1 resolution 1280x800\n");
    config.close();

    QStringList command = {QStringLiteral("sway"), QStringLiteral("-c"), config.fileName()};
    if (::geteuid() == 0) {
        const QByteArray user = qEnvironmentVariable("KAVLA_E2E_USER", QStringLiteral("kavla-e2e")).toLocal8Bit();
        const passwd *account = ::getpwnam(user.constData());
        if (!account) {
            *error = QStringLiteral("sway refuses to run as root and the user %1 does not exist "
                                    "(scripts/deps.sh test creates it)").arg(QString::fromLocal8Bit(user));
            return false;
        }
        // The folder is the compositor's runtime folder: the user's own, private.
        if (::chown(QFile::encodeName(m_runtime.path()).constData(), account->pw_uid, account->pw_gid) != 0) {
            *error = QStringLiteral("cannot give the runtime folder to %1").arg(QString::fromLocal8Bit(user));
            return false;
        }
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(account->pw_uid),
                              QStringLiteral("--regid=%1").arg(account->pw_gid), QStringLiteral("--clear-groups"),
                              QStringLiteral("--")}
            + command;
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "SWAYSOCK", "DBUS_SESSION_BUS_ADDRESS"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.insert(QStringLiteral("HOME"), m_runtime.path());
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    m_sway = std::make_unique<QProcess>();
    m_sway->setProcessEnvironment(environment);
    // Into a file: a pipe nobody reads could fill up and stop the compositor.
    m_sway->setProcessChannelMode(QProcess::MergedChannels);
    m_sway->setStandardOutputFile(m_runtime.filePath(QStringLiteral("sway.log")));
    m_sway->start(command.first(), command.mid(1));
    if (!m_sway->waitForStarted(5000)) {
        *error = QStringLiteral("cannot start %1").arg(command.first());
        return false;
    }
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_sway->state() == QProcess::Running) {
        const QStringList sockets = QDir(m_runtime.path())
                                        .entryList({QStringLiteral("wayland-*")}, QDir::System)
                                        .filter(QRegularExpression(QStringLiteral("^wayland-\\d+$")));
        if (!sockets.isEmpty()) {
            m_socket = m_runtime.filePath(sockets.first());
            return true;
        }
        QThread::msleep(50);
    }
    *error = QStringLiteral("sway did not start: %1").arg(log());
    return false;
}

QString WaylandCompositor::log() const
{
    QFile file(m_runtime.filePath(QStringLiteral("sway.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QProcessEnvironment WaylandCompositor::environment(QProcessEnvironment base) const
{
    base.remove(QStringLiteral("DISPLAY"));
    base.remove(QStringLiteral("QT_QPA_PLATFORM"));
    base.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    return base;
}

QByteArray WaylandCompositor::run(const QString &program, const QStringList &arguments, const QByteArray &input,
                                  bool collectOutput, int *exitCode) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    if (!collectOutput)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(10000);
    if (exitCode)
        *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (!finished)
        process.kill();
    return collectOutput ? process.readAllStandardOutput() : QByteArray();
}

QStringList WaylandCompositor::windows() const
{
    const QStringList sockets = QDir(m_runtime.path()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    if (sockets.isEmpty())
        return {};
    QProcess swaymsg;
    QProcessEnvironment environment = this->environment();
    environment.insert(QStringLiteral("SWAYSOCK"), m_runtime.filePath(sockets.first()));
    swaymsg.setProcessEnvironment(environment);
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (!swaymsg.waitForFinished(5000))
        return {};
    QStringList found;
    const std::function<void(const QJsonObject &)> walk = [&](const QJsonObject &node) {
        if (node.contains(QStringLiteral("app_id")) && node.value(QStringLiteral("visible")).toBool())
            found << node.value(QStringLiteral("app_id")).toString();
        for (const char *children : {"nodes", "floating_nodes"}) {
            for (const QJsonValue &child : node.value(QLatin1String(children)).toArray())
                walk(child.toObject());
        }
    };
    walk(QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object());
    return found;
}
