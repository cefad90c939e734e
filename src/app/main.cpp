#include "app/AppDelegate.h"
#include "app/CommandClient.h"
#include "app/CommandLine.h"
#include "app/KavlaApp.h"
#include "app/SharedModelContainer.h"
#include "app/SingleInstance.h"
#include "app/UnixSignalWatcher.h"
#include "platform/Desktop.h"
#include "shell/HistoryBusEntry.h"
#include "shell/HistoryBusService.h"
#include "support/Log.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char *argv[])
{
    // `kavla --version` answers before any display is looked for, so it works anywhere.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kavla %s\n", KAVLA_VERSION);
            return 0;
        }
    }
    // A command (`kavla list`, `kavla copy 2`, ...) asks the running Kavla on the session bus,
    // with no display and no Qt application of the windowing kind: over ssh and in a fraction of
    // the time a start takes.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (const CommandLine::Command command = CommandLine::parse(arguments);
        command.action != CommandLine::Action::Start || !command.error.isEmpty()) {
        if (!command.error.isEmpty()) {
            std::fprintf(stderr, "kavla: %s; see kavla --help\n", command.error.toLocal8Bit().constData());
            return CommandClient::Refused;
        }
        if (command.action == CommandLine::Action::Help) {
            std::fputs(CommandLine::helpText().toLocal8Bit().constData(), stdout);
            return 0;
        }
        QCoreApplication client(argc, argv);
        return CommandClient().run(command);
    }
#ifdef __GLIBC__
    // Copies of megabytes are read, stored and let go; a fixed threshold keeps such buffers in
    // mappings of their own, returned to the system when freed, instead of growing the heap for
    // good (glibc otherwise raises the threshold after the first large free).
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    // The platform layer, once: natively on a Wayland compositor that lets a background client
    // watch the clipboard, else on X11 (XWayland included). Why X11 was chosen is said once this
    // is the Kavla that runs (the Wayland backend names its protocol when it connects).
    QString reason;
    const std::optional<Desktop::Backend> backend = Desktop::choose(&reason);
    if (!backend) {
        Log::note(reason);
        return 2;
    }

    // The session-bus entry type is known before any bus connection's thread reads messages
    // (Qt's own platform integration connects as the application starts): registered later,
    // it races with that thread.
    HistoryBusEntry::registerType();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kavla"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kavla"));
    QApplication::setApplicationVersion(QStringLiteral(KAVLA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.tarnwick.Kavla"));
    QApplication::setQuitOnLastWindowClosed(false);

    // `kavla --guide` opens the user guide, in the running Kavla or in this one once it is up.
    const bool guideAsked = QApplication::arguments().contains(QStringLiteral("--guide"));
    SingleInstance instance;
    if (!instance.claim()) {
        if (instance.handOver(guideAsked ? SingleInstance::Request::OpenHelp : SingleInstance::Request::ShowPopup)) {
            Log::note(guideAsked ? QStringLiteral("Kavla is already running; its user guide was opened")
                                 : QStringLiteral("Kavla is already running; its history popup was opened or closed"));
            return 0;
        }
        Log::note(QStringLiteral("Kavla is already running but did not answer"));
        return 1;
    }

    if (*backend == Desktop::Backend::X11)
        Log::note(QStringLiteral("watching the X11 clipboard: ") + reason);

    // The history first: when it cannot be opened nothing else starts, and no preference is written.
    QString error;
    if (!openSharedModelContainer(&error)) {
        Log::line(QStringLiteral("Could not create ModelContainer: ") + error);
        return EXIT_FAILURE;
    }

    int status = 0;
    {
        KavlaApp app(Desktop::create(*backend, QApplication::desktopFileName()), sharedModelContainer());
        AppDelegate &delegate = *app.delegate();
        UnixSignalWatcher signalWatcher;
        QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &application,
                         [] { QApplication::quit(); });
        QObject::connect(&application, &QApplication::aboutToQuit, &delegate,
                         &AppDelegate::applicationWillTerminate);
        QObject::connect(&instance, &SingleInstance::activationRequested, &delegate,
                         &AppDelegate::applicationShouldReopen);
        QObject::connect(&instance, &SingleInstance::helpWindowRequested, &delegate,
                         &AppDelegate::applicationShouldOpenHelp);
        QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
        // Once the services are started, commands reach them on the session bus.
        QTimer::singleShot(0, app.bus(), &HistoryBusService::publish);
        if (guideAsked)
            QTimer::singleShot(0, &delegate, &AppDelegate::applicationShouldOpenHelp);
        status = QApplication::exec();
        delegate.applicationWillTerminate();
    }
    releaseSharedModelContainer();
    return status;
}
