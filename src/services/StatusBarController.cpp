#include "services/StatusBarController.h"

#include "services/AppearanceManager.h"
#include "services/ClipboardMonitor.h"
#include "services/KeyMonitor.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"
#include "services/QuickSelectKeys.h"
#include "store/ModelContainer.h"
#include "support/Log.h"
#include "views/ContextMenu.h"
#include "views/HistoryPopoverView.h"
#include "views/PopoverWindow.h"
#include "views/SymbolIcon.h"
#include "views/ThumbnailCache.h"
#include "views/WindowRoot.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>

namespace {

StatusBarController *s_shared = nullptr;

// A press on the tray icon that closes the popup (a click outside it) may reach the icon too;
// within this time of the popup disappearing it is the closing click, not a new one.
constexpr qint64 ClosingClickMsecs = 300;

} // namespace

StatusBarController::StatusBarController(QObject *parent)
    : QObject(parent)
    , m_popover(std::make_unique<PopoverWindow>())
    , m_thumbnails(new ThumbnailCache(this))
{
    connect(m_popover.get(), &PopoverWindow::hidden, this, &StatusBarController::popoverDidClose);
}

StatusBarController::~StatusBarController()
{
    stopKeyMonitoring();
    if (s_shared == this)
        s_shared = nullptr;
}

StatusBarController *StatusBarController::shared()
{
    return s_shared;
}

void StatusBarController::setShared(StatusBarController *controller)
{
    s_shared = controller;
}

void StatusBarController::setCopyItemToPasteboard(std::function<void(const ClipboardItemPtr &, ModelContext *)> copyBack)
{
    m_copyBack = std::move(copyBack);
}

void StatusBarController::setWindowOpeners(std::function<void(ModelContainer *)> openSettings,
                                           std::function<void()> openHelp)
{
    m_openSettings = std::move(openSettings);
    m_openHelp = std::move(openHelp);
}

void StatusBarController::configure(ModelContainer *container)
{
    m_modelContainer = container;

    if (!m_statusItem) {
        m_statusItem = new QSystemTrayIcon(this);
        m_statusItem->setToolTip(L("Kavla"));
        updateStatusItemIcon();
        connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            statusItemClicked(reason, QGuiApplication::queryKeyboardModifiers());
        });
        if (AppearanceManager *appearance = AppearanceManager::shared())
            connect(appearance, &AppearanceManager::appearanceApplied, this, &StatusBarController::updateStatusItemIcon);
        m_statusItem->show();
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            Log::note(QStringLiteral("no system tray yet; the icon appears when one starts"));
    }

    HistoryPopoverActions actions;
    actions.copyItemToPasteboard = [this](const ClipboardItemPtr &item, ModelContext *context) {
        if (m_copyBack)
            m_copyBack(item, context);
        else if (ClipboardMonitor *monitor = ClipboardMonitor::shared())
            monitor->copyItemToPasteboard(item, context);
    };
    actions.closePopover = [this] { closePopover(); };
    actions.openSettings = [this](ModelContainer *store) {
        if (store && m_openSettings)
            m_openSettings(store);
    };
    actions.openHelp = [this] {
        if (m_openHelp)
            m_openHelp();
    };
    actions.quit = [this] {
        closePopover();
        QCoreApplication::quit();
    };
    ModelContext *context = container ? container->mainContext() : nullptr;
    m_root = new WindowRoot(LanguageManager::shared(), AppearanceManager::shared(), [this, context, actions] {
        auto *view = new HistoryPopoverView(context, Preferences::shared(), m_thumbnails, actions);
        connect(view, &HistoryPopoverView::cameOnScreen, this, [this, view] { setupShortcutHandler(view); });
        return view;
    });
    m_popover->setContent(m_root);
}

HistoryPopoverView *StatusBarController::historyView() const
{
    return m_root ? qobject_cast<HistoryPopoverView *>(m_root->content()) : nullptr;
}

void StatusBarController::setupShortcutHandler(HistoryPopoverView *view)
{
    QPointer<HistoryPopoverView> target(view);
    onSelectIndexRequested = [target](int index) {
        if (target)
            target->selectItemAtIndex(index);
    };
}

void StatusBarController::updateStatusItemIcon()
{
    if (!m_statusItem)
        return;
    // The icon sits on the desktop's panel, whose colours follow the desktop, not the appearance
    // chosen inside Kavla.
    const AppearanceManager *appearance = AppearanceManager::shared();
    const QPalette desktop = appearance ? appearance->systemPalette() : QApplication::palette();
    const QColor ink = desktop.color(QPalette::WindowText);
    m_statusItem->setIcon(SymbolIcon::icon(QStringLiteral("clock.arrow.circlepath"), ink));
}

void StatusBarController::statusItemClicked(QSystemTrayIcon::ActivationReason reason, Qt::KeyboardModifiers modifiers)
{
    if (reason == QSystemTrayIcon::Context || (reason == QSystemTrayIcon::Trigger && (modifiers & Qt::ControlModifier))) {
        showContextMenu();
        return;
    }
    if (reason != QSystemTrayIcon::Trigger)
        return;
    if (!isPopoverShown() && m_popover->msecsSinceHidden() >= 0 && m_popover->msecsSinceHidden() < ClosingClickMsecs)
        return;
    togglePopover();
}

bool StatusBarController::isPopoverShown() const
{
    return m_popover->isVisible();
}

void StatusBarController::togglePopover()
{
    if (isPopoverShown())
        closePopover();
    else
        showPopover();
}

QRect StatusBarController::anchorRect() const
{
    const QRect icon = m_statusItem ? m_statusItem->geometry() : QRect();
    return icon.isValid() && !icon.isEmpty() ? icon : QRect(QCursor::pos(), QSize(1, 1));
}

void StatusBarController::showPopover()
{
    if (!m_statusItem)
        return;
    if (!isPopoverShown()) {
        m_popover->showUnder(anchorRect());
        if (HistoryPopoverView *view = historyView())
            view->setFocus();
        Log::note(QStringLiteral("history popup shown"));
    }
    startKeyMonitoring();
}

void StatusBarController::closePopover()
{
    m_popover->hide();
    stopKeyMonitoring();
}

void StatusBarController::popoverDidClose()
{
    stopKeyMonitoring();
    Log::note(QStringLiteral("history popup closed"));
}

void StatusBarController::startKeyMonitoring()
{
    stopKeyMonitoring();
    QPointer<StatusBarController> controller(this);
    m_keyMonitor = std::make_unique<KeyMonitor>([controller](QKeyEvent *event) {
        return controller && controller->handleKeyPress(event->key(), event->modifiers());
    });
}

void StatusBarController::stopKeyMonitoring()
{
    m_keyMonitor.reset();
}

bool StatusBarController::handleKeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    if (!isPopoverShown())
        return false;
    const QuickSelectKeys decision = QuickSelectKeys::decide(key, modifiers);
    switch (decision.action) {
    case QuickSelectKeys::Action::Close:
        closePopover();
        return true;
    case QuickSelectKeys::Action::Select:
        if (onSelectIndexRequested)
            onSelectIndexRequested(decision.index);
        return true;
    case QuickSelectKeys::Action::PassThrough:
        break;
    }
    return false;
}

QMenu *StatusBarController::buildContextMenu(QWidget *parent)
{
    auto *menu = new ContextMenu(parent);
    QAction *heading = menu->addAction(L("Kavla"));
    heading->setEnabled(false);
    menu->addSeparator();
    connect(menu->addAction(L("Abrir Histórico")), &QAction::triggered, this, &StatusBarController::showPopover);
    menu->addSeparator();
    QAction *settings = menu->addAction(L("Ajustes") + QStringLiteral("..."));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, [this] {
        if (m_modelContainer && m_openSettings)
            m_openSettings(m_modelContainer);
    });
    QAction *help = menu->addAction(L("Guia do Usuário..."));
    help->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Question));
    connect(help, &QAction::triggered, this, [this] {
        if (m_openHelp)
            m_openHelp();
    });
    menu->addSeparator();
    QAction *quit = menu->addAction(L("Encerrar Kavla"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, [this] {
        closePopover();
        QCoreApplication::quit();
    });
    return menu;
}

void StatusBarController::showContextMenu()
{
    if (m_menu)
        m_menu->deleteLater();
    // A new menu each time, in the current language; it is not left attached to the tray item,
    // so the next plain click toggles the popup again.
    QMenu *menu = buildContextMenu(m_popover.get());
    m_menu = menu;
    connect(menu, &QMenu::aboutToHide, menu, [menu] {
        menu->deleteLater();
        Log::note(QStringLiteral("context menu closed"));
    });
    const QRect icon = m_statusItem ? m_statusItem->geometry() : QRect();
    const QPoint at = icon.isValid() && !icon.isEmpty() ? icon.bottomLeft() + QPoint(0, 1) : QCursor::pos();
    menu->popup(at);
    Log::note(QStringLiteral("context menu shown"));
}
