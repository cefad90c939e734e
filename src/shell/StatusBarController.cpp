#include "shell/StatusBarController.h"

#include "platform/TrayHost.h"
#include "services/AppearanceManager.h"
#include "services/HistoryService.h"
#include "services/KeyCommands.h"
#include "services/KeyMonitor.h"
#include "services/LanguageManager.h"
#include "services/Preferences.h"
#include "services/QuickSelectKeys.h"
#include "support/Localization.h"
#include "support/Log.h"
#include "support/LogCategories.h"
#include "views/popup/HistoryPopoverView.h"
#include "views/popup/PopoverWindow.h"
#include "views/popup/ThumbnailCache.h"
#include "views/widgets/ContextMenu.h"
#include "views/widgets/SymbolIcon.h"
#include "views/widgets/WindowRoot.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>

namespace {

// A press on the tray icon that closes the popup (a click outside it) may reach the icon too;
// within this time of the popup disappearing it is the closing click, not a new one.
constexpr qint64 ClosingClickMsecs = 300;

} // namespace

StatusBarController::StatusBarController(HistoryService *history, Preferences *preferences,
                                         LanguageManager *languages, AppearanceManager *appearance, QObject *parent)
    : QObject(parent)
    , m_history(history)
    , m_preferences(preferences)
    , m_languages(languages)
    , m_appearance(appearance)
    , m_popover(std::make_unique<PopoverWindow>())
    , m_thumbnails(new ThumbnailCache(this))
{
    connect(m_popover.get(), &PopoverWindow::hidden, this, &StatusBarController::popoverDidClose);
}

StatusBarController::~StatusBarController()
{
    stopKeyMonitoring();
}

void StatusBarController::setTrayHost(TrayHost *host)
{
    m_trayHost = host;
}

void StatusBarController::configure()
{

    if (!m_trayHost) {
        createStatusItem();
    } else if (!m_statusItem && !m_watchingTrayHost) {
        // Qt looks for the host once, when the tray item is made: it is made once a host runs.
        m_watchingTrayHost = true;
        connect(m_trayHost, &TrayHost::found, this, &StatusBarController::createStatusItem);
        connect(m_trayHost, &TrayHost::absent, this, [] {
            Log::note(QStringLiteral("no tray host (StatusNotifier) on the session bus yet; the icon appears when "
                                     "one starts (a second launch opens the popup meanwhile)"));
        });
        m_trayHost->watch();
    }

    m_thumbnails->setHistory(m_history);
    m_root = new WindowRoot(m_languages, m_appearance, [this]() -> QWidget * {
        if (!m_history)
            return new QWidget;
        auto *view = new HistoryPopoverView(m_history, m_preferences, m_thumbnails);
        connect(view, &HistoryPopoverView::cameOnScreen, this, [this, view] { setupShortcutHandler(view); });
        connect(view, &HistoryPopoverView::entryChosen, this, &StatusBarController::entryChosen);
        connect(view, &HistoryPopoverView::closeRequested, this, &StatusBarController::closePopover);
        connect(view, &HistoryPopoverView::settingsRequested, this, &StatusBarController::settingsRequested);
        connect(view, &HistoryPopoverView::helpRequested, this, &StatusBarController::helpRequested);
        connect(view, &HistoryPopoverView::quitRequested, this, &StatusBarController::quit);
        return view;
    });
    m_popover->setContent(m_root);
}

void StatusBarController::createStatusItem()
{
    if (m_statusItem)
        return;
    m_statusItem = new QSystemTrayIcon(this);
    m_statusItem->setToolTip(L("Kavla"));
    updateStatusItemIcon();
    connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        statusItemClicked(reason, QGuiApplication::queryKeyboardModifiers());
    });
    if (m_appearance)
        connect(m_appearance, &AppearanceManager::appearanceApplied, this, &StatusBarController::updateStatusItemIcon);
    if (m_menuShownByTrayHost) {
        attachContextMenu();
        if (m_languages)
            connect(m_languages, &LanguageManager::currentLanguageChanged, this, &StatusBarController::attachContextMenu);
    }
    m_statusItem->show();
    if (!m_trayHost && !QSystemTrayIcon::isSystemTrayAvailable())
        Log::note(QStringLiteral("no system tray yet; the icon appears when one starts"));
}

HistoryPopoverView *StatusBarController::historyView() const
{
    return m_root ? qobject_cast<HistoryPopoverView *>(m_root->content()) : nullptr;
}

void StatusBarController::setupShortcutHandler(HistoryPopoverView *view)
{
    disconnect(m_selectConnection);
    m_selectConnection = connect(this, &StatusBarController::selectIndexRequested, view,
                                 &HistoryPopoverView::selectItemAtIndex);
}

void StatusBarController::updateStatusItemIcon()
{
    if (!m_statusItem)
        return;
    // The icon sits on the desktop's panel, whose colours follow the desktop, not the appearance
    // chosen inside Kavla.
    const QPalette desktop = m_appearance ? m_appearance->systemPalette() : QApplication::palette();
    const QColor ink = desktop.color(QPalette::WindowText);
    m_statusItem->setIcon(SymbolIcon::icon(QStringLiteral("clock.arrow.circlepath"), ink));
}

void StatusBarController::statusItemClicked(QSystemTrayIcon::ActivationReason reason, Qt::KeyboardModifiers modifiers)
{
    if (reason == QSystemTrayIcon::Context || (reason == QSystemTrayIcon::Trigger && (modifiers & Qt::ControlModifier))) {
        if (!m_menuShownByTrayHost) {
            showContextMenu();
            return;
        }
        // The host has the menu; a Ctrl+click is then an ordinary click.
        if (reason == QSystemTrayIcon::Context)
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
    // Without a tray item yet, where the tray is a host on the bus (Wayland), the popup still
    // opens from the hot key or a second launch, where the compositor places a new window.
    if (!m_statusItem && !m_trayHost)
        return;
    if (!isPopoverShown()) {
        Q_EMIT popoverWillShow();
        qCDebug(lcWindows) << "showing the popup under" << anchorRect();
        m_popover->showUnder(anchorRect());
        if (HistoryPopoverView *view = historyView())
            view->focusSearchField();
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
        return controller && controller->handleKeyPress(event->key(), event->nativeScanCode(), event->modifiers());
    });
}

void StatusBarController::stopKeyMonitoring()
{
    m_keyMonitor.reset();
}

bool StatusBarController::handleKeyPress(int key, quint32 keyCode, Qt::KeyboardModifiers modifiers)
{
    if (!isPopoverShown())
        return false;
    // A menu opened over the popup (a row's menu) has the keyboard to itself: Esc closes it alone.
    if (QWidget *popup = QApplication::activePopupWidget(); popup && popup != m_popover.get())
        return false;
    HistoryPopoverView *view = historyView();
    const QuickSelectKeys decision = QuickSelectKeys::decide(key, keyCode, modifiers);
    switch (decision.action) {
    case QuickSelectKeys::Action::Close:
        // The clear-all question goes first, then the popup.
        if (!view || !view->dismissQuestion())
            closePopover();
        return true;
    case QuickSelectKeys::Action::Select:
        // Not while the clear-all question waits for its answer.
        if (!view || !view->isAsking())
            Q_EMIT selectIndexRequested(decision.index);
        return true;
    case QuickSelectKeys::Action::PassThrough:
        break;
    }
    switch (KeyCommands::decide(key, modifiers)) {
    case KeyCommand::OpenSettings:
        Q_EMIT settingsRequested();
        return true;
    case KeyCommand::OpenHistoryWindow:
        Q_EMIT historyWindowRequested();
        return true;
    case KeyCommand::OpenHelp:
        Q_EMIT helpRequested();
        return true;
    case KeyCommand::Quit:
        quit();
        return true;
    case KeyCommand::CloseWindow:
        closePopover();
        return true;
    case KeyCommand::None:
        break;
    }
    return false;
}

void StatusBarController::quit()
{
    closePopover();
    QCoreApplication::quit();
}

QMenu *StatusBarController::buildContextMenu(QWidget *parent)
{
    auto *menu = new ContextMenu(parent);
    QAction *heading = menu->addAction(L("Kavla"));
    heading->setEnabled(false);
    menu->addSeparator();
    connect(menu->addAction(L("Abrir Histórico")), &QAction::triggered, this, &StatusBarController::showPopover);
    QAction *historyWindow = menu->addAction(L("Janela do Histórico..."));
    historyWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(historyWindow, &QAction::triggered, this, &StatusBarController::historyWindowRequested);
    menu->addSeparator();
    QAction *settings = menu->addAction(L("Ajustes") + QChar(0x2026));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, &StatusBarController::settingsRequested);
    QAction *help = menu->addAction(L("Guia do Usuário..."));
    help->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Question));
    connect(help, &QAction::triggered, this, &StatusBarController::helpRequested);
    menu->addSeparator();
    QAction *quitAction = menu->addAction(L("Encerrar Kavla"));
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quitAction, &QAction::triggered, this, &StatusBarController::quit);
    return menu;
}

void StatusBarController::attachContextMenu()
{
    if (!m_statusItem)
        return;
    QMenu *menu = buildContextMenu(m_popover.get());
    m_statusItem->setContextMenu(menu);
    if (m_menu)
        m_menu->deleteLater();
    m_menu = menu;
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
