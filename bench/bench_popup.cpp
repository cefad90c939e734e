// Hot key to popup benchmark: the time from the hot key's press reaching Kavla to the history
// popup being on screen and painted, with 200 entries of which 30 are large images. Runs on a
// private Xvfb display with the real X11 hot key; presses are sent with xdotool (XTEST). Run
// through scripts/bench.sh.
#include "platform/x11/X11HotKeyService.h"
#include "platform/xdg/JsonDefaultsStore.h"
#include "services/HistoryService.h"
#include "services/HotKeyManager.h"
#include "services/Preferences.h"
#include "shell/StatusBarController.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "views/popup/PopoverWindow.h"
#include "views/popup/ThumbnailCache.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int Entries = 200;
constexpr int Images = 30;
constexpr int Rounds = 40;

QByteArray photoPng(int seed)
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1920, 1080);
    gradient.setColorAt(0, QColor::fromHsv(seed * 37 % 360, 160, 200));
    gradient.setColorAt(1, QColor::fromHsv(seed * 71 % 360, 120, 90));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    for (int y = 0; y < 1080; y += 30)
        painter.drawText(20, y, QStringLiteral("Kavla benchmark image %1, line %2").arg(seed).arg(y));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void fillHistory(ModelContext *context)
{
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-Entries * 60);
    for (int i = 0; i < Entries; ++i) {
        const QDateTime when = start.addSecs(i * 60);
        // Images spread through the list, some among the first rows shown.
        const bool image = i % (Entries / Images) == 0 && i / (Entries / Images) < Images;
        if (image) {
            context->insert(std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, ClipboardItem::ImageType,
                                                            std::nullopt, photoPng(i), std::nullopt, QString(),
                                                            QString(), 0, 0, 1920, 1080, false));
        } else {
            const QString text = QStringLiteral("Entrada %1 do histórico com um texto copiado de exemplo").arg(i);
            context->insert(std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, ClipboardItem::TextType,
                                                            text, std::nullopt, std::nullopt, QString(), QString(),
                                                            text.size(), 8, 0, 0, false));
        }
    }
    context->save();
}

// Notes when a press of the grabbed key reaches the process, before the hot-key service sees it.
class PressClock : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType == "xcb_generic_event_t"
            && (static_cast<xcb_generic_event_t *>(message)->response_type & 0x7f) == XCB_KEY_PRESS) {
            timer.start();
        }
        return false;
    }
    QElapsedTimer timer;
};

// Notes when the popup window has been exposed and its first paint has run: Qt paints an exposed
// window while handling the expose, so the next turn of the event loop comes after the paint.
class PaintWatcher : public QObject
{
public:
    explicit PaintWatcher(const PressClock &clock)
        : m_clock(clock)
    {
    }
    bool painted = false;
    double paintedAfterPressMs = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !painted && !m_pending) {
            m_pending = true;
            QTimer::singleShot(0, this, [this] {
                m_pending = false;
                painted = true;
                paintedAfterPressMs = m_clock.timer.nsecsElapsed() / 1e6;
            });
        }
        return false;
    }

private:
    const PressClock &m_clock;
    bool m_pending = false;
};

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

void press(const QString &display)
{
    QProcess xdotool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    xdotool.setProcessEnvironment(environment);
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+shift+v")});
    // The event loop keeps turning while xdotool runs, so Kavla handles the press meanwhile.
    xdotool.waitForStarted();
    waitUntil([&] { return xdotool.state() == QProcess::NotRunning; }, 5000);
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(p * values.size())));
}

} // namespace

int main(int argc, char *argv[])
{
    // A private display, so the benchmark neither needs nor disturbs a desktop.
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                        QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp")});
    if (!xvfb.waitForStarted(5000) || !xvfb.waitForReadyRead(10000)) {
        std::fprintf(stderr, "bench_popup: Xvfb did not start (scripts/deps.sh test installs it)\n");
        return 1;
    }
    const QString display = QStringLiteral(":") + QString::fromLatin1(xvfb.readLine()).trimmed();
    qputenv("DISPLAY", display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");

    int status = 0;
    {
        QApplication app(argc, argv);
        QTemporaryDir dir;
        JsonDefaultsStore defaults(dir.filePath(QStringLiteral("defaults.json")));
        Preferences preferences(&defaults);
        preferences.setMaxHistoryCount(Entries);

        QString error;
        auto store = ModelContainer::open(dir.filePath(QStringLiteral("history.sqlite")), &error);
        if (!store) {
            std::fprintf(stderr, "bench_popup: %s\n", qPrintable(error));
            return 1;
        }
        fillHistory(store->mainContext());

        HistoryService history(store.get(), &preferences);
        StatusBarController controller(&history, &preferences, nullptr, nullptr);
        X11HotKeyService service;
        HotKeyManager hotKey(&service, &preferences);
        PressClock clock;
        app.installNativeEventFilter(&clock); // after the service's: sees presses first
        QElapsedTimer launch;
        launch.start();
        controller.configure();
        QObject::connect(&hotKey, &HotKeyManager::triggered, &controller, &StatusBarController::togglePopover,
                         Qt::QueuedConnection);
        hotKey.registerHotKey();

        PaintWatcher watcher(clock);
        QList<double> opens;
        double first = -1;
        for (int round = 0; round < Rounds && status == 0; ++round) {
            if (!controller.popover()->windowHandle())
                controller.popover()->winId();
            controller.popover()->windowHandle()->installEventFilter(&watcher);
            watcher.painted = false;
            press(display);
            if (!waitUntil([&] { return controller.isPopoverShown() && watcher.painted; }, 10000)) {
                std::fprintf(stderr, "bench_popup: the popup did not open\n");
                status = 1;
                break;
            }
            const double ms = watcher.paintedAfterPressMs;
            if (round == 0)
                first = ms;
            else
                opens << ms;
            press(display);
            if (!waitUntil([&] { return !controller.isPopoverShown(); }, 10000)) {
                std::fprintf(stderr, "bench_popup: the popup did not close\n");
                status = 1;
            }
        }
        if (status == 0) {
            std::printf("hot key press to popup painted, %d entries (%d images 1920x1080), %d rounds\n", Entries, Images,
                        Rounds);
            std::printf("  first open after start: %8.2f ms\n", first);
            std::printf("  later opens   median:   %8.2f ms\n", percentile(opens, 0.5));
            std::printf("                p95:      %8.2f ms\n", percentile(opens, 0.95));
            std::printf("  thumbnails decoded: %d (each once, off the main thread)\n",
                        controller.thumbnails()->decodeCount());
        }
        hotKey.unregisterHotKey();
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return status;
}
