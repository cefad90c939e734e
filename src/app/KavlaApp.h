#pragma once

#include <QObject>

#include <memory>

class AlertSound;
class AppearanceManager;
class ApplicationPicker;
class ClipboardMonitor;
class DefaultsStore;
class HistoryBusService;
class HistoryService;
class HotKeyManager;
class ModelContainer;
class StatusBarController;
class IgnoredAppsManager;
class LanguageManager;
class LaunchAtLoginManager;
class LoginItemService;
class LocalizedAppBundle;
class PasteManager;
class Pasteboard;
class Preferences;
class Workspace;
class WindowManager;

// The platform layer the start chose: native Wayland (data-control) or X11.
enum class DesktopBackend { X11, Wayland };

// The application description: builds the process-wide services in their start-up order, makes
// them reachable through their shared() accessors, and keeps them for the life of the process.
class KavlaApp : public QObject
{
    Q_OBJECT
public:
    // The services work on the history `container`, opened before.
    KavlaApp(DesktopBackend backend, ModelContainer *container, QObject *parent = nullptr);
    ~KavlaApp() override;

    HistoryService *history() const { return m_history; }
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
    StatusBarController *m_statusBarController = nullptr;
    HotKeyManager *m_hotKeyManager = nullptr;
    PasteManager *m_pasteManager = nullptr;
    // The clipboard capture and the desktop it observes.
    Pasteboard *m_pasteboard = nullptr;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<ApplicationPicker> m_applicationPicker;
    std::unique_ptr<AlertSound> m_alertSound;
    IgnoredAppsManager *m_ignoredAppsManager = nullptr;
    HistoryService *m_history = nullptr;
    ClipboardMonitor *m_clipboardMonitor = nullptr;
    WindowManager *m_windowManager = nullptr;
    HistoryBusService *m_bus = nullptr;
};
