#pragma once

#include <QObject>

#include <memory>

class AlertSound;
class AppDelegate;
class AppearanceManager;
class ApplicationPicker;
class ClipboardMonitor;
class DefaultsStore;
class HistoryBusService;
class HistoryService;
class HotKeyManager;
class IgnoredAppsManager;
class LanguageManager;
class LaunchAtLoginManager;
class LocalizedAppBundle;
class LoginItemService;
class ModelContainer;
class Pasteboard;
class PasteManager;
class Preferences;
class StatusBarController;
class WindowManager;
class Workspace;

// The platform layer the start chose: native Wayland (data-control) or X11.
enum class DesktopBackend { X11, Wayland };

// The application's composition root: builds every service, the tray and the window factory in
// their start-up order, hands each its dependencies, connects them, and keeps them for the life of
// the process. Nothing reaches them through globals.
class KavlaApp : public QObject
{
    Q_OBJECT
public:
    // The services work on the history `container`, opened before.
    KavlaApp(DesktopBackend backend, ModelContainer *container, QObject *parent = nullptr);
    ~KavlaApp() override;

    // Starts and stops the services at launch and termination.
    AppDelegate *delegate() const { return m_delegate; }
    // The history and the windows on the session bus, for the `kavla` command and scripts.
    HistoryBusService *bus() const { return m_bus; }

private:
    DefaultsStore *m_defaults = nullptr;
    Preferences *m_preferences = nullptr;
    std::unique_ptr<LocalizedAppBundle> m_bundle;
    LanguageManager *m_languageManager = nullptr;
    AppearanceManager *m_appearanceManager = nullptr;
    std::unique_ptr<LoginItemService> m_loginItem;
    LaunchAtLoginManager *m_launchAtLoginManager = nullptr;
    // The clipboard capture and the desktop it observes.
    Pasteboard *m_pasteboard = nullptr;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<ApplicationPicker> m_applicationPicker;
    std::unique_ptr<AlertSound> m_alertSound;
    IgnoredAppsManager *m_ignoredAppsManager = nullptr;
    HistoryService *m_history = nullptr;
    ClipboardMonitor *m_clipboardMonitor = nullptr;
    StatusBarController *m_statusBarController = nullptr;
    HotKeyManager *m_hotKeyManager = nullptr;
    PasteManager *m_pasteManager = nullptr;
    WindowManager *m_windowManager = nullptr;
    AppDelegate *m_delegate = nullptr;
    HistoryBusService *m_bus = nullptr;
};
