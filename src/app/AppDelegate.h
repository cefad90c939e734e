#pragma once

#include <QObject>

class ClipboardMonitor;
class DefaultsStore;
class HistoryService;
class HotKeyManager;
class LaunchAtLoginManager;
class StatusBarController;
class WindowManager;

// Starts the long-lived services once the application has finished launching and stops them at
// termination, in a fixed order.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    // What it starts and stops; the application start-up owns them.
    struct Parts
    {
        DefaultsStore *defaults = nullptr;
        HistoryService *history = nullptr;
        ClipboardMonitor *monitor = nullptr;
        StatusBarController *statusBar = nullptr;
        HotKeyManager *hotKey = nullptr;
        LaunchAtLoginManager *launchAtLogin = nullptr;
        WindowManager *windows = nullptr;
    };

    explicit AppDelegate(const Parts &parts, QObject *parent = nullptr);

public Q_SLOTS:
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // A later launch of Kavla asked this one to show itself.
    void applicationShouldReopen();
    // A later launch (or this one's `--guide`) asked for the user guide: "OpenHelpWindowRequested".
    void applicationShouldOpenHelp();

private:
    Parts m_parts;
    bool m_launched = false;
    bool m_terminated = false;
};
