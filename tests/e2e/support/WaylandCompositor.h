#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A private headless sway (wlroots) for one test, with no X display: the Wayland counterpart of
// VirtualDisplay. sway refuses to run as root, so a root test runs it as the unprivileged user
// named by KAVLA_E2E_USER (default "kavla-e2e", which scripts/deps.sh creates); the clients keep
// running as the test's own user and reach the compositor by the socket's absolute path.
class WaylandCompositor
{
public:
    WaylandCompositor();
    ~WaylandCompositor();

    // Starts sway and waits for its socket; false with the reason in `error` on failure.
    bool start(QString *error);
    // The environment with WAYLAND_DISPLAY set to this compositor and no X display.
    QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;
    // Runs a short client (wl-copy, wl-paste, wtype, ...) with `input` on its standard input and
    // returns its standard output. wl-copy leaves a child serving the copy, so output is only
    // collected when `collectOutput` is set.
    QByteArray run(const QString &program, const QStringList &arguments, const QByteArray &input = {},
                   bool collectOutput = true, int *exitCode = nullptr) const;
    QString log() const;
    // The application id of each window mapped on the outputs (asked of sway over its IPC socket).
    QStringList windows() const;

private:
    QTemporaryDir m_runtime;
    std::unique_ptr<QProcess> m_sway;
    QString m_socket;
};
