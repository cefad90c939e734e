#include "app/AppDelegate.h"

#include "app/SharedModelContainer.h"
#include "platform/DefaultsStore.h"
#include "services/ClipboardMonitor.h"
#include "services/HistoryService.h"
#include "services/HotKeyManager.h"
#include "services/LaunchAtLoginManager.h"
#include "services/PasteManager.h"
#include "services/StatusBarController.h"
#include "services/WindowManager.h"
#include "store/ModelContainer.h"
#include "support/Log.h"

#include <QApplication>

AppDelegate::AppDelegate(HistoryService *history, QObject *parent)
    : QObject(parent)
    , m_history(history)
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
    StatusBarController::shared()->configure();

    // The tray menu's "Ajustes..." (Ctrl+,) and the popup's gear open the Settings window.
    // "Guia do Usuário..." (Ctrl+?) and the popup's question mark open the user guide;
    // "Janela do Histórico..." (Ctrl+H) opens the history window.
    if (WindowManager *windows = WindowManager::shared()) {
        connect(StatusBarController::shared(), &StatusBarController::settingsRequested, windows,
                &WindowManager::openSettings);
        connect(StatusBarController::shared(), &StatusBarController::helpRequested, windows,
                &WindowManager::openHelp);
        connect(StatusBarController::shared(), &StatusBarController::historyWindowRequested, windows,
                &WindowManager::openHistory);
        // The same keys work inside those windows; their Ctrl+Q quits like the menu's.
        connect(windows, &WindowManager::quitRequested, windows, [] { QCoreApplication::quit(); });
    }

    // With "pasteAfterChoosing" on, a chosen entry is also pasted into the window that was in front.
    if (PasteManager *paste = PasteManager::shared()) {
        connect(StatusBarController::shared(), &StatusBarController::popoverWillShow, paste, &PasteManager::popoverWillShow);
        connect(StatusBarController::shared(), &StatusBarController::entryChosen, paste, &PasteManager::entryChosen);
    }

    // Copies made in other applications enter the history from now on.
    if (ClipboardMonitor *monitor = ClipboardMonitor::shared())
        monitor->startMonitoring();

    // The global hot key toggles the popup; the toggle is queued so it always runs on the main
    // thread, whichever thread the platform delivers the press on.
    connect(HotKeyManager::shared(), &HotKeyManager::triggered, StatusBarController::shared(),
            &StatusBarController::togglePopover, Qt::QueuedConnection);
    HotKeyManager::shared()->registerHotKey();

    if (LaunchAtLoginManager *launchAtLogin = LaunchAtLoginManager::shared())
        launchAtLogin->refresh();

    Log::note(QStringLiteral("ready, history at %1").arg(m_history->container()->path()));
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    if (ClipboardMonitor *monitor = ClipboardMonitor::shared())
        monitor->stopMonitoring();
    if (StatusBarController *controller = StatusBarController::shared())
        controller->closePopover();
    if (HotKeyManager *hotKey = HotKeyManager::shared())
        hotKey->unregisterHotKey();
    // Changes whose save failed for a passing reason wait for a retry; quitting is the last one.
    QString error;
    if (!m_history->flush(&error))
        Log::note(QStringLiteral("history changes not written at exit: %1").arg(error));
    // Preference writes are coalesced; what is still in memory reaches the file now.
    if (DefaultsStore *defaults = DefaultsStore::shared())
        defaults->flush();
    Log::note(QStringLiteral("stopped"));
}

void AppDelegate::applicationShouldOpenHelp()
{
    Log::note(QStringLiteral("the user guide was asked for"));
    if (WindowManager *windows = WindowManager::shared())
        windows->openHelp();
}

void AppDelegate::applicationShouldReopen()
{
    // A launch bound to a key in the desktop's settings works like the global hot key: the same
    // key opens the popup and closes it again.
    Log::note(QStringLiteral("another launch asked to show Kavla"));
    if (StatusBarController *controller = StatusBarController::shared())
        controller->togglePopover();
}
