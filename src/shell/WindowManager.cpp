#include "shell/WindowManager.h"

#include "services/AppearanceManager.h"
#include "services/KeyCommands.h"
#include "support/Log.h"
#include "support/LogCategories.h"
#include "views/guide/HelpView.h"
#include "views/history/HistoryWindow.h"
#include "views/settings/SettingsView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QWidget>

WindowManager::WindowManager(const SettingsServices &settings, const HistoryWindowServices &history, QObject *parent)
    : QObject(parent)
    , m_settingsServices(settings)
    , m_historyServices(history)
{
}

WindowManager::~WindowManager()
{
    delete m_settings.window.data();
    delete m_help.window.data();
    delete m_history.window.data();
}

void WindowManager::openSettings()
{
    show(m_settings, [this] { return new SettingsView(m_settingsServices); }, "settings");
}

void WindowManager::openHelp()
{
    show(m_help, [this] { return new HelpView(m_settingsServices.languages, m_settingsServices.appearance); }, "help");
}

void WindowManager::openHistory()
{
    if (!m_historyServices.history)
        return;
    show(m_history, [this] { return new HistoryWindow(m_historyServices); }, "history");
}

QWidget *WindowManager::show(Slot &slot, const WindowFactory &factory, const char *logName)
{
    Q_EMIT windowRequested();

    // A minimised or hidden window is not reused: it is replaced by a new one.
    if (slot.window && slot.window->isVisible() && !slot.window->isMinimized()) {
        slot.window->raise();
        slot.window->activateWindow();
        Log::note(QStringLiteral("%1 window raised").arg(QLatin1String(logName)));
        return slot.window;
    }
    if (slot.window)
        slot.window->deleteLater();

    QWidget *window = factory();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlags(Qt::Window);
    window->installEventFilter(this);
    if (m_settingsServices.appearance)
        m_settingsServices.appearance->applyTargetAppearance(window);
    window->ensurePolished();
    // A minimum of our own would hide what the content needs: the larger of the two.
    window->setMinimumSize(slot.minimumSize.expandedTo(window->minimumSizeHint()));
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), slot.size);
    const QSize size = openingSize(window, slot.size, available);
    window->resize(size);
    if (screen)
        window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
    const QString name = QLatin1String(logName);
    qCDebug(lcWindows) << "opening the" << name << "window at" << size << "within" << available;
    connect(window, &QObject::destroyed, this, [name] { Log::note(name + QStringLiteral(" window closed")); });
    slot.window = window;
    window->show();
    window->raise();
    window->activateWindow();
    Log::note(QStringLiteral("%1 window opened").arg(name));
    Q_EMIT windowOpened(window);
    return window;
}

QSize WindowManager::openingSize(const QWidget *window, QSize ideal, const QRect &available)
{
    const QSize needed = window->minimumSizeHint().expandedTo(window->minimumSize());
    return ideal.expandedTo(needed).boundedTo(available.size()).expandedTo(needed).boundedTo(window->maximumSize());
}

bool WindowManager::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    // Only presses the focused control left unused reach the window itself.
    auto *key = static_cast<QKeyEvent *>(event);
    auto *window = static_cast<QWidget *>(watched);
    switch (KeyCommands::decide(key->key(), key->modifiers())) {
    case KeyCommand::OpenSettings:
        openSettings();
        return true;
    case KeyCommand::OpenHistoryWindow:
        openHistory();
        return true;
    case KeyCommand::OpenHelp:
        openHelp();
        return true;
    case KeyCommand::Quit:
        Q_EMIT quitRequested();
        return true;
    case KeyCommand::CloseWindow:
        window->close();
        return true;
    case KeyCommand::None:
        break;
    }
    return QObject::eventFilter(watched, event);
}
