#pragma once

#include <QProcess>
#include <QPoint>
#include <QProcessEnvironment>
#include <QString>

#include <memory>

// A private Xvfb display for one test, optionally with a window manager (openbox) and a tray
// host (trayer). Everything started here is stopped when the object goes away.
class VirtualDisplay
{
public:
    struct Options
    {
        bool windowManager = false;
        bool trayHost = false;
    };

    VirtualDisplay();
    ~VirtualDisplay();

    // Starts Xvfb on a free display number (and the helpers asked for); false on failure.
    bool start(const Options &options);
    bool start() { return start(Options{}); }
    // The environment with DISPLAY pointing at this display.
    QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;
    // Runs a short command (xdotool, xprop, ...) on this display; returns its standard output.
    QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr,
                int timeoutMs = 10000) const;
    // The same for a command line of words separated by single blanks ("xdotool key ctrl+h").
    QString runLine(const QString &commandLine, int *exitCode = nullptr) const;

    // The centre of Kavla's icon inside the tray host once it is there; null after the timeout.
    QPoint waitForTrayIcon(int timeoutMs = 15000) const;

private:
    bool startHelper(std::unique_ptr<QProcess> &process, const QString &program,
                     const QStringList &arguments);

    QString m_display;
    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<QProcess> m_trayHost;
};
