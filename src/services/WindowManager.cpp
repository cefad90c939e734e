#include "services/WindowManager.h"

#include "services/AppearanceManager.h"
#include "services/LanguageManager.h"
#include "services/StatusBarController.h"
#include "store/ModelContainer.h"
#include "support/Log.h"
#include "views/ContentView.h"
#include "views/HelpView.h"
#include "views/SettingsView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {
WindowManager *s_shared = nullptr;
}

WindowManager::~WindowManager()
{
    if (s_shared == this)
        s_shared = nullptr;
    delete m_settings.window.data();
    delete m_help.window.data();
    delete m_history.window.data();
}

WindowManager *WindowManager::shared()
{
    return s_shared;
}

void WindowManager::setShared(WindowManager *manager)
{
    s_shared = manager;
}

void WindowManager::openSettings(ModelContainer *container)
{
    show(m_settings, [container] { return new SettingsView(SettingsServices::fromShared(container)); },
         "settings");
}

void WindowManager::openHelp()
{
    show(m_help, [] { return new HelpView(LanguageManager::shared(), AppearanceManager::shared()); }, "help");
}

void WindowManager::openHistory(ModelContainer *container)
{
    if (!container)
        return;
    show(m_history, [container] { return new ContentView(ContentServices::fromShared(container)); }, "history");
}

QWidget *WindowManager::show(Slot &slot, const WindowFactory &factory, const char *logName)
{
    if (StatusBarController *controller = StatusBarController::shared())
        controller->closePopover();

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
    window->setMinimumSize(slot.minimumSize);
    window->resize(slot.size);
    if (AppearanceManager *appearance = AppearanceManager::shared())
        appearance->applyTargetAppearance(window);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, slot.size, screen->availableGeometry()));
    const QString name = QLatin1String(logName);
    connect(window, &QObject::destroyed, this, [name] { Log::note(name + QStringLiteral(" window closed")); });
    slot.window = window;
    window->show();
    window->raise();
    window->activateWindow();
    Log::note(QStringLiteral("%1 window opened").arg(name));
    Q_EMIT windowOpened(window);
    return window;
}
