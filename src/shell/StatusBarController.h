#pragma once

#include "models/ClipboardItem.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

class AppearanceManager;
class HistoryPopoverView;
class HistoryService;
class LanguageManager;
class Preferences;
class KeyMonitor;
class PopoverWindow;
class QKeyEvent;
class QMenu;
class ThumbnailCache;
class TrayHost;
class WindowRoot;

// The tray item and what hangs off it: a left click toggles the history popup, a right click or
// a Ctrl+left click opens the context menu, and while the popup is shown a key monitor turns
// Ctrl+digit into a quick selection, Escape into closing the clear-all question or else the popup,
// and Kavla's own keys (Ctrl+, Ctrl+H Ctrl+? Ctrl+Q Ctrl+W) into what the tray menu does. A chosen entry is copied back
// through the history service; the Settings and user-guide entries are asked for with signals.
class StatusBarController : public QObject
{
    Q_OBJECT
public:
    // The language and appearance managers may be null (the popup then follows neither).
    StatusBarController(HistoryService *history, Preferences *preferences, LanguageManager *languages,
                        AppearanceManager *appearance, QObject *parent = nullptr);
    ~StatusBarController() override;

    // Where the tray host draws the tray item's menu itself (a StatusNotifier host on Wayland,
    // where an application may not place a menu of its own), the menu stays attached to the item,
    // rebuilt when the language changes, and a right click is left to the host. Set before
    // configure().
    void setMenuShownByTrayHost(bool shown) { m_menuShownByTrayHost = shown; }
    // Where the tray is a service on the session bus, the tray item is made once `host` is found
    // (not owned). Set before configure().
    void setTrayHost(TrayHost *host);
    // Creates the tray item and the popup's content over the history.
    void configure();

    void togglePopover();
    void showPopover();
    void closePopover();
    bool isPopoverShown() const;

    // The key monitor's decision for a press while the popup is shown; true when consumed.
    // `keyCode` is the press's native scan code (0 where the platform gives none).
    bool handleKeyPress(int key, quint32 keyCode, Qt::KeyboardModifiers modifiers);
    // A click on the tray item with the keyboard modifiers held at that moment.
    void statusItemClicked(QSystemTrayIcon::ActivationReason reason, Qt::KeyboardModifiers modifiers);
    // Builds the context menu afresh, owned by `parent`.
    QMenu *buildContextMenu(QWidget *parent);

    QSystemTrayIcon *statusItem() const { return m_statusItem; }
    PopoverWindow *popover() const { return m_popover.get(); }
    HistoryPopoverView *historyView() const;
    ThumbnailCache *thumbnails() const { return m_thumbnails; }
    bool hasKeyMonitor() const { return bool(m_keyMonitor); }

Q_SIGNALS:
    // A Ctrl+digit-row press while the popup is shown, with the 0-based row; the popup's content
    // that last came on screen answers it.
    void selectIndexRequested(int index);
    void settingsRequested();
    void helpRequested();
    void historyWindowRequested();
    // The popup is about to come on screen; the window in front is still the one it was.
    void popoverWillShow();
    // An entry was chosen in the popup (click or quick select) and copied back; the popup closes.
    void entryChosen();

private:
    void showContextMenu();
    void attachContextMenu();
    void createStatusItem();
    void startKeyMonitoring();
    void stopKeyMonitoring();
    void popoverDidClose();
    void setupShortcutHandler(HistoryPopoverView *view);
    void updateStatusItemIcon();
    QRect anchorRect() const;
    void quit();

    HistoryService *m_history;
    Preferences *m_preferences;
    QPointer<LanguageManager> m_languages;
    QPointer<AppearanceManager> m_appearance;
    QPointer<QSystemTrayIcon> m_statusItem;
    std::unique_ptr<PopoverWindow> m_popover; // a top-level window, so no QObject parent
    WindowRoot *m_root = nullptr;
    ThumbnailCache *m_thumbnails;
    std::unique_ptr<KeyMonitor> m_keyMonitor;
    QPointer<QMenu> m_menu;
    bool m_menuShownByTrayHost = false;
    QPointer<TrayHost> m_trayHost;
    bool m_watchingTrayHost = false;
    QMetaObject::Connection m_selectConnection;
};
