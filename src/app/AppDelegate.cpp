#include "app/AppDelegate.h"

#include "app/SharedModelContainer.h"
#include "store/ModelContainer.h"
#include "support/Log.h"

#include <QApplication>

void AppDelegate::applicationDidFinishLaunching()
{
    if (m_launched)
        return;
    m_launched = true;

    // Accessory application: no main window, no taskbar entry, and closing the last window
    // (settings, guide) does not quit.
    QApplication::setQuitOnLastWindowClosed(false);

    ModelContainer *container = sharedModelContainer();
    Log::note(QStringLiteral("ready, history at %1").arg(container->path()));
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    Log::note(QStringLiteral("stopped"));
}

void AppDelegate::applicationShouldReopen()
{
    Log::note(QStringLiteral("another launch asked to show Kavla"));
}
