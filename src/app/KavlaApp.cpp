#include "app/KavlaApp.h"

#include "platform/wayland/WaylandPasteKeySender.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "platform/x11/DesktopAlertSound.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11PasteKeySender.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "platform/xdg/JsonDefaultsStore.h"
#include "platform/xdg/PortalHotKeyService.h"
#include "platform/xdg/StatusNotifierHostWatcher.h"
#include "platform/xdg/XdgAutostartLoginItem.h"
#include "platform/xdg/XdgApplicationPicker.h"
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
#include "services/StatusBarController.h"
#include "services/WindowManager.h"
#include "shell/HistoryBusService.h"
#include "store/ModelContainer.h"

#include <QGuiApplication>

KavlaApp::KavlaApp(DesktopBackend backend, ModelContainer *container, QObject *parent)
    : QObject(parent)
{
    m_defaults = new JsonDefaultsStore(JsonDefaultsStore::defaultPath(), this);
    DefaultsStore::setShared(m_defaults);
    m_preferences = new Preferences(m_defaults, this);
    Preferences::setShared(m_preferences);

    // The managers the windows observe; then every lookup goes through the in-app language
    // choice, and the stored appearance is applied before any window exists.
    m_bundle = std::make_unique<LocalizedAppBundle>(
        LocalizedAppBundle::defaultResourceRoot(),
        LocalizedAppBundle::platformPreferredLanguages(m_defaults));
    m_languageManager = new LanguageManager(m_defaults, m_bundle.get(), this);
    LanguageManager::setShared(m_languageManager);
    m_appearanceManager = new AppearanceManager(m_defaults, this);
    AppearanceManager::setShared(m_appearanceManager);
    m_languageManager->configureBundle(m_bundle.get());
    m_appearanceManager->applyAppearance(m_appearanceManager->currentAppearance());

    // The login item, read at once: the XDG autostart entry starting this very binary.
    m_loginItem = std::make_unique<XdgAutostartLoginItem>(
        XdgAutostartLoginItem::defaultEntryPath(QGuiApplication::desktopFileName()),
        QCoreApplication::applicationFilePath());
    m_launchAtLoginManager = new LaunchAtLoginManager(m_loginItem.get(), m_preferences, this);
    LaunchAtLoginManager::setShared(m_launchAtLoginManager);

    // The history, the ignore list and the clipboard monitor, over the session's clipboard and
    // desktop; the monitor starts polling once the delegate starts it.
    if (backend == DesktopBackend::Wayland) {
        m_pasteboard = new WaylandPasteboard(this);
        m_workspace = std::make_unique<WaylandWorkspace>(QGuiApplication::desktopFileName());
    } else {
        m_pasteboard = new X11Pasteboard(QGuiApplication::clipboard(), this);
        m_workspace = std::make_unique<X11Workspace>(X11Workspace::qtConnection(),
                                                     QGuiApplication::desktopFileName());
    }
    m_applicationPicker = std::make_unique<XdgApplicationPicker>();
    m_alertSound = std::make_unique<DesktopAlertSound>();
    m_ignoredAppsManager = new IgnoredAppsManager(m_preferences, m_workspace.get(),
                                                  m_applicationPicker.get(), this);
    IgnoredAppsManager::setShared(m_ignoredAppsManager);
    m_history = new HistoryService(container, m_preferences, m_pasteboard, m_alertSound.get(), this);
    m_clipboardMonitor = new ClipboardMonitor(m_pasteboard, m_workspace.get(), m_preferences,
                                              m_ignoredAppsManager, m_history, this);
    ClipboardMonitor::setShared(m_clipboardMonitor);

    // The tray item and the global hot key; both stay inert until the delegate configures them.
    m_statusBarController = new StatusBarController(m_history, m_preferences, m_languageManager,
                                                    m_appearanceManager, this);
    StatusBarController::setShared(m_statusBarController);
    // A Wayland tray is a StatusNotifier item: made once the desktop's host runs, which shows its menu.
    if (backend == DesktopBackend::Wayland) {
        m_statusBarController->setMenuShownByTrayHost(true);
        m_statusBarController->setTrayHost(new StatusNotifierHostWatcher(this));
    }
    HotKeyService *hotKeys = backend == DesktopBackend::Wayland
        ? static_cast<HotKeyService *>(new PortalHotKeyService(this))
        : new X11HotKeyService(this);
    m_hotKeyManager = new HotKeyManager(hotKeys, m_preferences, this);
    HotKeyManager::setShared(m_hotKeyManager);
    // Pasting a chosen entry into the window that was in front, through XTest.
    PasteKeySender *pasteKeys = backend == DesktopBackend::Wayland
        ? static_cast<PasteKeySender *>(new WaylandPasteKeySender(this))
        : new X11PasteKeySender(QGuiApplication::clipboard(), this);
    m_pasteManager = new PasteManager(pasteKeys, m_preferences, this);
    PasteManager::setShared(m_pasteManager);

    // The Settings window (and later kinds of window), one of each at most.
    m_windowManager = new WindowManager(this);
    m_windowManager->setHistory(m_history);
    WindowManager::setShared(m_windowManager);

    // What the `kavla` command asks, answered by the services above; published once they run.
    // Pasting types into another window, which only X11 lets a client do.
    m_bus = new HistoryBusService(HistoryBusService::Parts{m_history, m_preferences, m_statusBarController, m_windowManager,
                                   backend == DesktopBackend::X11 ? m_pasteManager : nullptr},
                                  this);
}

KavlaApp::~KavlaApp()
{
    // Calls from the bus reach every service below: they stop first.
    delete m_bus;
    // Open windows observe the services below: they go first.
    WindowManager::setShared(nullptr);
    delete m_windowManager;
    PasteManager::setShared(nullptr);
    delete m_pasteManager;
    HotKeyManager::setShared(nullptr);
    delete m_hotKeyManager;
    StatusBarController::setShared(nullptr);
    delete m_statusBarController;
    ClipboardMonitor::setShared(nullptr);
    delete m_clipboardMonitor;
    delete m_history;
    IgnoredAppsManager::setShared(nullptr);
    delete m_ignoredAppsManager;
    LaunchAtLoginManager::setShared(nullptr);
    delete m_launchAtLoginManager;
    AppearanceManager::setShared(nullptr);
    LanguageManager::setShared(nullptr);
    // The language manager refers to the bundle: it goes first.
    delete m_languageManager;
    delete m_appearanceManager;
    Preferences::setShared(nullptr);
    DefaultsStore::setShared(nullptr);
}
