#pragma once

#include "models/ClipboardItem.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class HistoryPopoverView;
class KeyMonitor;
class ModelContainer;
class ModelContext;
class PopoverWindow;
class QKeyEvent;
class QMenu;
class ThumbnailCache;
class WindowRoot;

// The tray item and what hangs off it: a left click toggles the history popup, a right click or
// a Ctrl+left click opens the context menu, and while the popup is shown a key monitor turns
// Ctrl+digit into a quick selection and Escape into closing it.
class StatusBarController : public QObject
{
    Q_OBJECT
public:
    explicit StatusBarController(QObject *parent = nullptr);
    ~StatusBarController() override;

    static StatusBarController *shared();
    static void setShared(StatusBarController *controller);

    // Creates the tray item and the popup's content over the history of `container`.
    void configure(ModelContainer *container);

    void togglePopover();
    void showPopover();
    void closePopover();
    bool isPopoverShown() const;

    // Installed by the popup's content each time it comes on screen; called with the 0-based row
    // of a Ctrl+digit press.
    std::function<void(int)> onSelectIndexRequested;

    // The copy-back (clipboard write and move to the top) the popup uses for a chosen entry;
    // without one, the shared clipboard monitor's.
    void setCopyItemToPasteboard(std::function<void(const ClipboardItemPtr &, ModelContext *)> copyBack);
    // The openers of the Settings and user-guide windows; without them those entries do nothing.
    void setWindowOpeners(std::function<void(ModelContainer *)> openSettings, std::function<void()> openHelp);

    // The key monitor's decision for a press while the popup is shown; true when consumed.
    bool handleKeyPress(int key, Qt::KeyboardModifiers modifiers);
    // A click on the tray item with the keyboard modifiers held at that moment.
    void statusItemClicked(QSystemTrayIcon::ActivationReason reason, Qt::KeyboardModifiers modifiers);
    // Builds the context menu afresh, owned by `parent`.
    QMenu *buildContextMenu(QWidget *parent);

    QSystemTrayIcon *statusItem() const { return m_statusItem; }
    PopoverWindow *popover() const { return m_popover.get(); }
    HistoryPopoverView *historyView() const;
    ThumbnailCache *thumbnails() const { return m_thumbnails; }
    ModelContainer *modelContainer() const { return m_modelContainer; }
    bool hasKeyMonitor() const { return bool(m_keyMonitor); }

private:
    void showContextMenu();
    void startKeyMonitoring();
    void stopKeyMonitoring();
    void popoverDidClose();
    void setupShortcutHandler(HistoryPopoverView *view);
    void updateStatusItemIcon();
    QRect anchorRect() const;

    QPointer<QSystemTrayIcon> m_statusItem;
    std::unique_ptr<PopoverWindow> m_popover; // a top-level window, so no QObject parent
    WindowRoot *m_root = nullptr;
    ThumbnailCache *m_thumbnails;
    std::unique_ptr<KeyMonitor> m_keyMonitor;
    QPointer<ModelContainer> m_modelContainer;
    QPointer<QMenu> m_menu;
    std::function<void(const ClipboardItemPtr &, ModelContext *)> m_copyBack;
    std::function<void(ModelContainer *)> m_openSettings;
    std::function<void()> m_openHelp;
};
