// Settings window benchmark: the time from a request to open Settings to the window's first paint,
// for the first open of the process and for later ones (each after closing the last), and the time
// a language switch takes to rebuild the open window and paint it again. Runs offscreen over a
// history of 200 entries and a desktop with twelve running applications. Run through
// scripts/bench.sh.
#include "platform/DefaultsStore.h"
#include "platform/Workspace.h"
#include "platform/xdg/JsonDefaultsStore.h"
#include "platform/xdg/XdgAutostartLoginItem.h"
#include "services/AppearanceManager.h"
#include "services/ClipboardMonitor.h"
#include "services/HistoryService.h"
#include "services/IgnoredAppsManager.h"
#include "services/LanguageManager.h"
#include "services/LaunchAtLoginManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"
#include "shell/WindowManager.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Entries = 200;
constexpr int Rounds = 20;

// A desktop with a dozen running applications, none installed.
class BenchWorkspace : public Workspace
{
public:
    ApplicationIdentity frontmostApplication() override { return {}; }
    std::optional<QString> urlForApplication(const QString &) override { return std::nullopt; }
    QIcon iconForFile(const QString &) override { return {}; }
    QList<RunningApplication> runningApplications() override
    {
        QList<RunningApplication> apps;
        for (int i = 0; i < 12; ++i)
            apps << RunningApplication{QStringLiteral("org.example.app%1").arg(i), QStringLiteral("App %1").arg(i), true};
        return apps;
    }
    QString ownBundleIdentifier() const override { return QStringLiteral("com.tarnwick.Kavla"); }
};

// Waits until some widget of `window` has painted, then for the turn of the event loop after it.
double waitForPaint(const std::function<QWidget *()> &window, const QElapsedTimer &clock)
{
    struct Watcher : QObject
    {
        std::function<QWidget *()> window;
        bool painted = false;
        bool eventFilter(QObject *object, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !painted) {
                auto *widget = qobject_cast<QWidget *>(object);
                if (widget && window() && widget->window() == window())
                    painted = true;
            }
            return false;
        }
    } watcher;
    watcher.window = window;
    qApp->installEventFilter(&watcher);
    while (!watcher.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    qApp->removeEventFilter(&watcher);
    QCoreApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

void report(const char *what, QList<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %7.2f ms   min %7.2f ms   max %7.2f ms   (%lld runs)\n", what, times.at(times.size() / 2),
                times.first(), times.last(), qlonglong(times.size()));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;

    JsonDefaultsStore defaults(folder.filePath(QStringLiteral("defaults.json")));
    Preferences preferences(&defaults);
    preferences.setMaxHistoryCount(Entries);
    LocalizedAppBundle bundle(QStringLiteral(KAVLA_SOURCE_DIR "/resources"), {QStringLiteral("pt-BR")});
    LanguageManager languages(&preferences, &bundle);
    AppearanceManager appearance(&preferences);
    XdgAutostartLoginItem loginItem(folder.filePath(QStringLiteral("autostart/com.tarnwick.Kavla.desktop")),
                                    QCoreApplication::applicationFilePath());
    LaunchAtLoginManager launch(&loginItem, &preferences);
    BenchWorkspace workspace;
    IgnoredAppsManager ignored(&preferences, &workspace, nullptr);

    QString error;
    std::unique_ptr<ModelContainer> container = ModelContainer::open(folder.filePath(QStringLiteral("history.sqlite")), &error);
    if (!container) {
        std::fprintf(stderr, "cannot open the store: %s\n", qPrintable(error));
        return 1;
    }
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-Entries);
    for (int i = 0; i < Entries; ++i) {
        const QString text = QStringLiteral("Entrada %1 do histórico").arg(i);
        container->mainContext()->insert(std::make_shared<ClipboardItem>(
            QUuid::createUuid(), start.addSecs(i), start.addSecs(i), ClipboardItem::TextType, text, std::nullopt,
            std::nullopt, QString(), QString(), text.size(), 3, 0, 0, false));
    }
    container->mainContext()->save();

    HistoryService history(container.get(), &preferences);
    WindowManager windows({&preferences, &languages, &appearance, &launch, &ignored, nullptr, &history},
                          {&history, &workspace, &languages, &appearance});
    auto settings = [&windows] { return windows.settingsWindow(); };

    QList<double> first, later, sections, language;
    for (int round = 0; round <= Rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        windows.openSettings();
        (round == 0 ? first : later) << waitForPaint(settings, clock);
        if (round < Rounds)
            settings()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        preferences.setSettingsSelectedSection(Preferences::settingsSections().at((round + 1) % 4));
        sections << waitForPaint(settings, clock);
    }
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        languages.setLanguage(round % 2 ? QStringLiteral("pt-BR") : QStringLiteral("en"));
        language << waitForPaint(settings, clock);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::printf("Settings window, %d history entries, offscreen\n", Entries);
    report("request to painted, first open", first);
    report("request to painted, later opens", later);
    report("section change to painted", sections);
    report("language switch rebuild to painted", language);

    settings()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
