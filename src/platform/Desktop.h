#pragma once

#include <QString>

#include <memory>
#include <optional>

class AlertSound;
class HotKeyService;
class PasteKeySender;
class Pasteboard;
class TrayHost;
class Workspace;

// The desktop Kavla runs on, built once for the session's backend: the clipboard, the windows
// and applications, the global hot key, the paste keys, the tray host and the alert sound. The
// only place that knows which implementation serves which backend.
class Desktop
{
public:
    enum class Backend { X11, Wayland };

    // The backend chosen before the Qt application exists (it sets Qt's platform for it): natively
    // on a Wayland compositor that lets a background client watch the clipboard, else on X11
    // (XWayland included). `reason` says why X11 was chosen, or, with nullopt, why neither can be.
    static std::optional<Backend> choose(QString *reason);

    // Builds the implementations of `backend`; the application object exists by now.
    // `ownBundleIdentifier` is Kavla's own desktop-file ID.
    static std::unique_ptr<Desktop> create(Backend backend, const QString &ownBundleIdentifier);

    ~Desktop();
    Desktop(const Desktop &) = delete;
    Desktop &operator=(const Desktop &) = delete;

    Backend backend() const { return m_backend; }
    Pasteboard *pasteboard() const { return m_pasteboard.get(); }
    Workspace *workspace() const { return m_workspace.get(); }
    HotKeyService *hotKeys() const { return m_hotKeys.get(); }
    PasteKeySender *pasteKeys() const { return m_pasteKeys.get(); }
    // The tray host on the session bus (a StatusNotifier host, which also shows the tray menu),
    // where the tray is one; null where Qt's own tray needs none.
    TrayHost *trayHost() const { return m_trayHost.get(); }
    AlertSound *alertSound() const { return m_alertSound.get(); }

private:
    explicit Desktop(Backend backend);

    Backend m_backend;
    std::unique_ptr<Pasteboard> m_pasteboard;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<HotKeyService> m_hotKeys;
    std::unique_ptr<PasteKeySender> m_pasteKeys;
    std::unique_ptr<TrayHost> m_trayHost;
    std::unique_ptr<AlertSound> m_alertSound;
};
