#include "app/AppDelegate.h"
#include "app/KavlaApp.h"
#include "app/SharedModelContainer.h"
#include "app/SingleInstance.h"
#include "app/UnixSignalWatcher.h"
#include "platform/x11/X11Session.h"
#include "support/Log.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QString reason;
    if (!X11Session::isAvailable(&reason)) {
        Log::note(reason);
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kavla"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kavla"));
    QApplication::setApplicationVersion(QStringLiteral(KAVLA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.tarnwick.Kavla"));
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.claim()) {
        if (instance.handOver()) {
            Log::note(QStringLiteral("Kavla is already running; its history popup was opened"));
            return 0;
        }
        Log::note(QStringLiteral("Kavla is already running but did not answer"));
        return 1;
    }

    int status = 0;
    {
        KavlaApp app;
        AppDelegate delegate;
        UnixSignalWatcher signalWatcher;
        QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &application,
                         [] { QApplication::quit(); });
        QObject::connect(&application, &QApplication::aboutToQuit, &delegate,
                         &AppDelegate::applicationWillTerminate);
        QObject::connect(&instance, &SingleInstance::activationRequested, &delegate,
                         &AppDelegate::applicationShouldReopen);
        QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
        status = QApplication::exec();
        delegate.applicationWillTerminate();
    }
    releaseSharedModelContainer();
    return status;
}
