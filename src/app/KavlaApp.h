#pragma once

#include <QObject>

#include <memory>

class AppDelegate;
class AppearanceManager;
class ApplicationPicker;
class ClipboardMonitor;
class DefaultsStore;
class Desktop;
class HistoryBusService;
class HistoryService;
class HotKeyManager;
class IgnoredAppsManager;
class LanguageManager;
class LaunchAtLoginManager;
class LocalizedAppBundle;
class LoginItemService;
class ModelContainer;
class PasteManager;
class Preferences;
class StatusBarController;
class WindowManager;

// The application's composition root: builds every service, the tray and the window factory in
// their start-up order, hands each its dependencies, connects them, and keeps them for the life of
// the process. Nothing reaches them through globals.
class KavlaApp : public QObject
{
    Q_OBJECT
public:
    // The services work on `desktop` and on the history `container`, both made before.
    KavlaApp(std::unique_ptr<Desktop> desktop, ModelContainer *container, QObject *parent = nullptr);
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
    // The clipboard, the windows, the hot keys, the tray host and the sound of the session.
    std::unique_ptr<Desktop> m_desktop;
    std::unique_ptr<ApplicationPicker> m_applicationPicker;
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
