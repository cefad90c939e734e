#include "app/AppDelegate.h"

#include "platform/DefaultsStore.h"
#include "services/ClipboardMonitor.h"
#include "services/HistoryService.h"
#include "services/HotKeyManager.h"
#include "services/LaunchAtLoginManager.h"
#include "shell/StatusBarController.h"
#include "shell/WindowManager.h"
#include "store/ModelContainer.h"
#include "support/Log.h"

#include <QApplication>

AppDelegate::AppDelegate(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
{
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (m_launched)
        return;
    m_launched = true;

    // Accessory application: no main window, no taskbar entry, and closing the last window
    // (settings, guide) does not quit.
    QApplication::setQuitOnLastWindowClosed(false);

    // The tray item and the popup hosting the history.
    m_parts.statusBar->configure();
    // Copies made in other applications enter the history from now on.
    m_parts.monitor->startMonitoring();
    m_parts.hotKey->registerHotKey();
    m_parts.launchAtLogin->refresh();

    Log::note(QStringLiteral("ready, history at %1").arg(m_parts.history->container()->path()));
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    m_parts.monitor->stopMonitoring();
    m_parts.statusBar->closePopover();
    m_parts.hotKey->unregisterHotKey();
    // Changes whose save failed for a passing reason wait for a retry; quitting is the last one.
    QString error;
    if (!m_parts.history->flush(&error))
        Log::note(QStringLiteral("history changes not written at exit: %1").arg(error));
    // Preference writes are coalesced; what is still in memory reaches the file now.
    m_parts.defaults->flush();
    Log::note(QStringLiteral("stopped"));
}

void AppDelegate::applicationShouldOpenHelp()
{
    Log::note(QStringLiteral("the user guide was asked for"));
    m_parts.windows->openHelp();
}

void AppDelegate::applicationShouldReopen()
{
    // A launch bound to a key in the desktop's settings works like the global hot key: the same
    // key opens the popup and closes it again.
    Log::note(QStringLiteral("another launch asked to show Kavla"));
    m_parts.statusBar->togglePopover();
}
