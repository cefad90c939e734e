// History store benchmark: the time to save one entry, to fetch the whole history sorted, and the
// resident memory the list of image entries adds. Run through scripts/bench.sh.
#include "store/HistoryQueryModel.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

ClipboardItemPtr textItem(int index)
{
    const QString text = QStringLiteral("Entrada de histórico número %1 com algum texto típico copiado").arg(index);
    const QDateTime when = QDateTime::currentDateTimeUtc().addMSecs(index);
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, ClipboardItem::TextType, text,
                                           std::nullopt, std::nullopt, QStringLiteral("org.gnome.TextEditor"),
                                           QStringLiteral("Text Editor"), ClipboardItem::characterCount(text),
                                           ClipboardItem::countWords(text), 0, 0, false);
}

ClipboardItemPtr imageItem(const QByteArray &png, int index)
{
    const QDateTime when = QDateTime::currentDateTimeUtc().addMSecs(index);
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, ClipboardItem::ImageType,
                                           std::nullopt, png, std::nullopt, QString(), QString(), 0, 0,
                                           3840, 2160, false);
}

// A 3840x2160 screenshot-like PNG: gradients, text and noise, a few megabytes.
QByteArray screenshotPng()
{
    QImage image(3840, 2160, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 3840, 2160);
    gradient.setColorAt(0, QColor(30, 60, 120));
    gradient.setColorAt(1, QColor(220, 200, 160));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    for (int y = 0; y < 2160; y += 24)
        painter.drawText(20, y, QStringLiteral("Kavla benchmark line %1 — the quick brown fox jumps over the lazy dog").arg(y));
    painter.end();
    quint32 seed = 12345;
    for (int y = 0; y < 2160; y += 3) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < 3840; x += 2) {
            seed = seed * 1664525u + 1013904223u;
            line[x] ^= seed & 0x070707;
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double percentile95(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(std::min<qsizetype>(values.size() - 1, values.size() * 95 / 100));
}

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

std::unique_ptr<ModelContainer> openStore(const QTemporaryDir &dir, const QString &name)
{
    QString error;
    auto container = ModelContainer::open(dir.filePath(name + QStringLiteral("/history.sqlite")), &error);
    if (!container)
        std::fprintf(stderr, "cannot open the store: %s\n", qPrintable(error));
    return container;
}

// Saves `count` text entries one save each and returns the save times in milliseconds.
QList<double> fillWithText(ModelContext *context, int count)
{
    QList<double> times;
    times.reserve(count);
    for (int i = 0; i < count; ++i) {
        context->insert(textItem(i));
        QElapsedTimer timer;
        timer.start();
        context->save();
        times << milliseconds(timer);
    }
    return times;
}

QList<double> timeSortedFetches(ModelContext *context, int rounds)
{
    QList<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto items = context->fetch(FetchDescriptor::historyNewestFirst());
        times << milliseconds(timer);
        if (!items)
            return {};
    }
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    // Fonts for the generated screenshot; no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;

    std::printf("%-52s %10s %10s %8s\n", "measure", "median", "p95", "target");
    {
        auto container = openStore(dir, QStringLiteral("text200"));
        if (!container)
            return 1;
        const QList<double> saves = fillWithText(container->mainContext(), 200);
        std::printf("%-52s %8.3fms %8.3fms %8s\n", "save one text entry (200 saves)", median(saves),
                    percentile95(saves), "2 ms");
        const QList<double> fetches = timeSortedFetches(container->mainContext(), 50);
        std::printf("%-52s %8.3fms %8.3fms %8s\n", "fetch 200 entries sorted by copiedAt", median(fetches),
                    percentile95(fetches), "2 ms");
    }
    {
        auto container = openStore(dir, QStringLiteral("text10000"));
        if (!container)
            return 1;
        ModelContext *context = container->mainContext();
        // Saved as it goes: the store holds no more than a few hundred copies waiting to be written.
        for (int i = 0; i < 10000; ++i) {
            context->insert(textItem(i));
            if (i % 200 == 199)
                context->save();
        }
        context->save();
        const QList<double> saves = fillWithText(context, 50);
        std::printf("%-52s %8.3fms %8.3fms %8s\n", "save one text entry (10,000 stored)", median(saves),
                    percentile95(saves), "2 ms");
        const QList<double> fetches = timeSortedFetches(context, 20);
        std::printf("%-52s %8.3fms %8.3fms %8s\n", "fetch 10,050 entries sorted by copiedAt", median(fetches),
                    percentile95(fetches), "40 ms");
    }
    {
        const QByteArray png = screenshotPng();
        {
            auto container = openStore(dir, QStringLiteral("images"));
            if (!container)
                return 1;
            QList<double> saves;
            for (int i = 0; i < 200; ++i) {
                container->mainContext()->insert(imageItem(png, i));
                QElapsedTimer timer;
                timer.start();
                container->mainContext()->save();
                saves << milliseconds(timer);
            }
            std::printf("%-52s %8.3fms %8.3fms %8s\n",
                        qPrintable(QStringLiteral("save one 3840x2160 PNG entry (%1 MB)").arg(png.size() / 1e6, 0, 'f', 1)),
                        median(saves), percentile95(saves), "-");
        }
        // A fresh store object, as at launch: the list loads without the image bytes.
        auto container = openStore(dir, QStringLiteral("images"));
        const double before = residentMegabytes();
        HistoryQueryModel model(container->mainContext());
        const double after = residentMegabytes();
        const QList<double> fetches = timeSortedFetches(container->mainContext(), 20);
        std::printf("%-52s %8.3fms %8.3fms %8s\n", "fetch 200 image entries sorted", median(fetches),
                    percentile95(fetches), "2 ms");
        std::printf("%-52s %8.2fMB %10s %8s\n", qPrintable(QStringLiteral("resident memory added by the list of %1 images").arg(model.rowCount())),
                    after - before, "", "5 MB");
    }
    return 0;
}
