#include "app/KavlaApp.h"

#include "app/AppDelegate.h"
#include "platform/Desktop.h"
#include "platform/TrayHost.h"
#include "platform/xdg/JsonDefaultsStore.h"
#include "platform/xdg/XdgApplicationPicker.h"
#include "platform/xdg/XdgAutostartLoginItem.h"
#include "services/AppearanceManager.h"
#include "services/ClipboardMonitor.h"
#include "services/HistoryService.h"
#include "services/HotKeyManager.h"
#include "services/IgnoredAppsManager.h"
#include "services/LanguageManager.h"
#include "services/LaunchAtLoginManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/PasteManager.h"
#include "services/Preferences.h"
#include "shell/HistoryBusService.h"
#include "shell/StatusBarController.h"
#include "shell/WindowManager.h"

#include <QApplication>

KavlaApp::KavlaApp(std::unique_ptr<Desktop> desktop, ModelContainer *container, QObject *parent)
    : QObject(parent)
    , m_desktop(std::move(desktop))
{
    m_defaults = new JsonDefaultsStore(JsonDefaultsStore::defaultPath(), this);
    m_preferences = new Preferences(m_defaults, this);

    // The managers the windows observe; then every lookup goes through the in-app language
    // choice, and the stored appearance is applied before any window exists.
    m_bundle = std::make_unique<LocalizedAppBundle>(
        LocalizedAppBundle::defaultResourceRoot(),
        LocalizedAppBundle::platformPreferredLanguages(m_defaults));
    m_languageManager = new LanguageManager(m_preferences, m_bundle.get(), this);
    m_appearanceManager = new AppearanceManager(m_preferences, this);

    // The login item, read at once: the XDG autostart entry starting this very binary.
    m_loginItem = std::make_unique<XdgAutostartLoginItem>(
        XdgAutostartLoginItem::defaultEntryPath(QGuiApplication::desktopFileName()),
        QCoreApplication::applicationFilePath());
    m_launchAtLoginManager = new LaunchAtLoginManager(m_loginItem.get(), m_preferences, this);

    // The history, the ignore list and the clipboard monitor, over the session's clipboard and
    // desktop; the monitor starts polling once the delegate starts it.
    Workspace *workspace = m_desktop->workspace();
    m_applicationPicker = std::make_unique<XdgApplicationPicker>();
    m_ignoredAppsManager = new IgnoredAppsManager(m_preferences, workspace, m_applicationPicker.get(), this);
    m_history = new HistoryService(container, m_preferences, m_desktop->pasteboard(), m_desktop->alertSound(), this);
    m_clipboardMonitor = new ClipboardMonitor(m_desktop->pasteboard(), workspace, m_preferences, m_ignoredAppsManager,
                                              m_history, this);

    // The tray item and the global hot key; both stay inert until the delegate starts them. Where
    // the tray is a StatusNotifier item, it is made once the desktop's host runs, which shows its menu.
    m_statusBarController = new StatusBarController(m_history, m_preferences, m_languageManager,
                                                    m_appearanceManager, this);
    if (TrayHost *host = m_desktop->trayHost()) {
        m_statusBarController->setMenuShownByTrayHost(true);
        m_statusBarController->setTrayHost(host);
    }
    m_hotKeyManager = new HotKeyManager(m_desktop->hotKeys(), m_preferences, this);
    m_pasteManager = new PasteManager(m_desktop->pasteKeys(), m_preferences, this);

    // Settings, the user guide and the history window, one of each at most.
    m_windowManager = new WindowManager(
        SettingsServices{m_preferences, m_languageManager, m_appearanceManager, m_launchAtLoginManager,
                         m_ignoredAppsManager, m_hotKeyManager, m_history},
        HistoryWindowServices{m_history, workspace, m_languageManager, m_appearanceManager}, this);

    // The tray menu's "Ajustes..." (Ctrl+,) and the popup's gear open the Settings window;
    // "Guia do Usuário..." (Ctrl+?) and the popup's question mark open the user guide;
    // "Janela do Histórico..." (Ctrl+H) opens the history window. A window coming up closes the
    // popup; the same keys work inside those windows, and their Ctrl+Q quits like the menu's.
    connect(m_statusBarController, &StatusBarController::settingsRequested, m_windowManager, &WindowManager::openSettings);
    connect(m_statusBarController, &StatusBarController::helpRequested, m_windowManager, &WindowManager::openHelp);
    connect(m_statusBarController, &StatusBarController::historyWindowRequested, m_windowManager,
            &WindowManager::openHistory);
    connect(m_windowManager, &WindowManager::windowRequested, m_statusBarController, &StatusBarController::closePopover);
    connect(m_windowManager, &WindowManager::quitRequested, this, [] { QCoreApplication::quit(); });
    // With "pasteAfterChoosing" on, a chosen entry is also pasted into the window that was in front.
    connect(m_statusBarController, &StatusBarController::popoverWillShow, m_pasteManager, &PasteManager::popoverWillShow);
    connect(m_statusBarController, &StatusBarController::entryChosen, m_pasteManager, &PasteManager::entryChosen);
    // The global hot key toggles the popup; the toggle is queued so it always runs on the main
    // thread, whichever thread the platform delivers the press on.
    connect(m_hotKeyManager, &HotKeyManager::triggered, m_statusBarController, &StatusBarController::togglePopover,
            Qt::QueuedConnection);

    m_delegate = new AppDelegate({m_defaults, m_history, m_clipboardMonitor, m_statusBarController, m_hotKeyManager,
                                  m_launchAtLoginManager, m_windowManager},
                                 this);

    // What the `kavla` command asks, answered by the services above; published once they run.
    // Pasting types into another window, which only X11 lets a client do.
    m_bus = new HistoryBusService({m_history, m_preferences, m_statusBarController, m_windowManager,
                                   m_desktop->backend() == Desktop::Backend::X11 ? m_pasteManager : nullptr},
                                  this);
}

KavlaApp::~KavlaApp()
{
    // Calls from the bus reach every service below: they stop first.
    delete m_bus;
    // Open windows observe the services below: they go first.
    delete m_delegate;
    delete m_windowManager;
    delete m_pasteManager;
    delete m_hotKeyManager;
    delete m_statusBarController;
    delete m_clipboardMonitor;
    delete m_history;
    delete m_ignoredAppsManager;
    delete m_launchAtLoginManager;
    // The language manager refers to the bundle: it goes first.
    delete m_languageManager;
    delete m_appearanceManager;
}
