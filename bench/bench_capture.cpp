// Capture benchmark: the real kavla binary on a private Xvfb display, with copies made by a
// second process (the clipboard_owner test helper). Reports the time from a copy to its row being
// in the history database (and the same natively on a private headless sway, with copies made by
// the wayland_clipboard_owner helper), Kavla's CPU time per capture with an empty history, with a 10 MB text
// stored and with a full history, its CPU time, wake-ups and resident memory idle, the time the
// hot key takes to show the popup with and without a clipboard owner that never answers, the
// memory a recorded 10 MB text leaves behind, and the time and peak memory for 10 MB of text
// and a 3840x2160 PNG.
// Run through scripts/bench.sh (the helper is built with the tests); `--kavla PATH` measures
// another build of Kavla with the same copies, for side-by-side figures. `--memory` measures only
// the memory of a 64 MB and a 200 MB text copy, for every `--kavla PATH` given, side by side:
// Kavla's resident memory idle before the copy, its peak while recording it, and once recorded.
// `--hostile` measures, the same way, what a hostile-input run found: capture latency while the
// thumbnails of 50 images of 8000x8000 are made, the popup while a 16000x16000 PNG is copied, and
// the memory of a 200 MB text put back after its owner quit.
#include "support/WaylandCompositor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

QString buildRoot()
{
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath();
}

QString s_kavlaBinary;

QProcessEnvironment baseEnvironment(const QString &display)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

// A private X server for the whole run.
struct Display
{
    QProcess xvfb;
    QString name;

    bool start()
    {
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                            QStringLiteral("tcp")});
        if (!xvfb.waitForStarted(5000))
            return false;
        QByteArray number;
        QDeadlineTimer deadline(10000);
        while (!number.endsWith('\n') && !deadline.hasExpired()) {
            xvfb.waitForReadyRead(200);
            number += xvfb.readAllStandardOutput();
        }
        name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        return !number.trimmed().isEmpty();
    }
    ~Display()
    {
        xvfb.terminate();
        xvfb.waitForFinished(3000);
    }
};

// Kavla with private folders, and a read connection to its history.
struct Kavla
{
    QTemporaryDir root;
    QProcess process;
    QSqlDatabase db;
    QString connection = QStringLiteral("bench-%1").arg(quintptr(this));

    bool start(const Display &display, const QByteArray &preferences = {})
    {
        return start(baseEnvironment(display.name), preferences);
    }
    bool start(QProcessEnvironment environment, const QByteArray &preferences = {})
    {
        for (const char *name : {"data", "config", "run"}) {
            QDir().mkpath(root.filePath(QString::fromLatin1(name)));
        }
        QFile::setPermissions(root.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("run")));
        environment.insert(QStringLiteral("HOME"), root.path());
        if (!preferences.isEmpty()) {
            QDir().mkpath(root.filePath(QStringLiteral("config/kavla")));
            QFile file(root.filePath(QStringLiteral("config/kavla/defaults.json")));
            file.open(QIODevice::WriteOnly);
            file.write(preferences);
        }
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(s_kavlaBinary, {});
        if (!process.waitForStarted(10000))
            return false;
        if (!waitForOutput("ready", 1, 20000)) {
            std::fprintf(stderr, "%s", output.constData());
            return false;
        }
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(root.filePath(QStringLiteral("data/kavla/history.sqlite")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        return db.open();
    }
    ~Kavla() { stop(); }
    // Quits Kavla and closes the read connection; start() may run it again on the same folders.
    void stop()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection);
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000))
                process.kill();
        }
        output.clear();
    }
    QString databasePath() const { return root.filePath(QStringLiteral("data/kavla/history.sqlite")); }

    QByteArray output;
    // Waits until `text` has appeared `count` times in Kavla's output.
    bool waitForOutput(const QByteArray &text, int count, int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (output.count(text) < count && !deadline.hasExpired() && process.state() == QProcess::Running) {
            process.waitForReadyRead(1);
            output += process.readAll();
        }
        return output.count(text) >= count;
    }

    // Context switches of all of Kavla's threads so far: each one is a thread waking up or
    // being woken.
    qint64 wakeUps() const
    {
        qint64 switches = 0;
        const QString tasks = QStringLiteral("/proc/%1/task").arg(process.processId());
        for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile status(tasks + QLatin1Char('/') + task + QStringLiteral("/status"));
            if (!status.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                    switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
        }
        return switches;
    }

    qint64 foldedRows()
    {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT count(*) FROM ClipboardItemSearchText")) && query.next())
            return query.value(0).toLongLong();
        return -1;
    }
    qint64 rows()
    {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT count(*) FROM ClipboardItem")) && query.next())
            return query.value(0).toLongLong();
        return -1;
    }
    // Waits for the row count to reach `count`; the time it took, or -1.
    qint64 waitForRows(qint64 count, int timeoutMs = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (rows() >= count)
                return clock.nsecsElapsed() / 1000;
            QThread::usleep(500);
        }
        return -1;
    }

    // CPU time used so far by all of Kavla's threads, or by its interface thread alone, in seconds
    // (the scheduler's nanosecond account, finer than the clock ticks of /proc/<pid>/stat).
    double cpuSeconds(bool interfaceThreadOnly = false) const
    {
        qint64 nanoseconds = 0;
        const QString tasks = QStringLiteral("/proc/%1/task").arg(process.processId());
        // The interface thread is the one whose id is the process's.
        const QStringList threads = interfaceThreadOnly ? QStringList{QString::number(process.processId())}
                                                        : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &task : threads) {
            QFile schedstat(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"));
            if (schedstat.open(QIODevice::ReadOnly))
                nanoseconds += schedstat.readAll().split(' ').value(0).toLongLong();
        }
        return double(nanoseconds) / 1e9;
    }
    // A line of /proc/<pid>/status in megabytes (VmRSS, VmHWM).
    double memoryMegabytes(const char *key) const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith(key))
                return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
        return -1;
    }
    // The resident size once it stops moving: no change of more than a megabyte for two seconds,
    // or what it is after `timeoutMs`.
    double settledMegabytes(int timeoutMs) const
    {
        double megabytes = memoryMegabytes("VmRSS:");
        for (QDeadlineTimer settled(timeoutMs); !settled.hasExpired();) {
            QThread::sleep(2);
            const double now = memoryMegabytes("VmRSS:");
            if (qAbs(now - megabytes) < 1)
                break;
            megabytes = now;
        }
        return megabytes;
    }
};

double percentile(QList<double> values, double fraction);

// The other application: owns the clipboard with the given bytes.
struct Owner
{
    QProcess process;
    QTemporaryDir files;
    int serial = 0;

    bool start(const Display &display)
    {
        process.setProcessEnvironment(baseEnvironment(display.name));
        process.start(buildRoot() + QStringLiteral("/clipboard_owner"), {});
        return process.waitForStarted(5000) && readLine() == "ready";
    }
    // The Wayland helper, which needs no "ready" handshake: it answers each offer once the
    // compositor has it.
    bool start(const WaylandCompositor &compositor)
    {
        process.setProcessEnvironment(compositor.environment());
        process.start(buildRoot() + QStringLiteral("/wayland_clipboard_owner"), {});
        return process.waitForStarted(5000);
    }
    ~Owner()
    {
        process.kill();
        process.waitForFinished(3000);
    }
    QByteArray readLine()
    {
        QDeadlineTimer deadline(10000);
        while (!process.canReadLine() && !deadline.hasExpired())
            process.waitForReadyRead(50);
        return process.readLine().trimmed();
    }
    // Writes the bytes to a file first, so only the copy itself is timed afterwards.
    QString prepare(const QByteArray &bytes)
    {
        const QString path = files.filePath(QString::number(++serial));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    bool offer(const QString &type, const QString &path)
    {
        process.write("offer " + type.toUtf8() + '=' + path.toUtf8() + '\n');
        return readLine() == "offered";
    }
    // Owns the clipboard, then answers nobody for `milliseconds`.
    bool hang(const QString &type, const QString &path, int milliseconds)
    {
        process.write("hang " + QByteArray::number(milliseconds) + ' ' + type.toUtf8() + '=' + path.toUtf8() + '\n');
        return readLine() == "offered";
    }
};

// Capture latency natively on Wayland: Kavla on a private headless sway, copies from the Wayland
// helper; empty when the compositor or Kavla did not start.
QList<double> waylandLatencies(int copies)
{
    WaylandCompositor compositor;
    QString error;
    if (!compositor.start(&error)) {
        std::fprintf(stderr, "bench_capture: no Wayland figures: %s\n", qPrintable(error));
        return {};
    }
    Kavla kavla;
    Owner owner;
    if (!kavla.start(compositor.environment(), R"({"maxHistoryCount": {"type": "integer", "value": 200}})")
        || !kavla.waitForOutput("watching the Wayland clipboard", 1) || !owner.start(compositor)) {
        std::fprintf(stderr, "bench_capture: no Wayland figures: kavla or the helper did not start\n");
        return {};
    }
    QList<double> latencies;
    for (int i = 0; i < copies; ++i) {
        const QString path = owner.prepare("latência wayland " + QByteArray::number(i));
        QElapsedTimer clock;
        clock.start();
        owner.offer(QStringLiteral("text/plain"), path);
        if (kavla.waitForRows(i + 1) < 0) {
            std::fprintf(stderr, "bench_capture: Wayland copy %d was not recorded\n", i);
            return {};
        }
        latencies << double(clock.nsecsElapsed()) / 1e6;
        QThread::msleep(50);
    }
    return latencies;
}

// The median time from the global hot key to the popup on screen, over `opens` openings.
double popupOpenMs(const Display &display, Kavla &kavla, int opens)
{
    QList<double> times;
    QProcessEnvironment environment = baseEnvironment(display.name);
    for (int i = 0; i < opens; ++i) {
        const int shown = int(kavla.output.count("history popup shown"));
        QProcess key;
        key.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        key.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+shift+v")});
        if (!kavla.waitForOutput("history popup shown", shown + 1, 15000))
            return -1;
        times << double(clock.nsecsElapsed()) / 1e6;
        key.waitForFinished(5000);
        const int closed = int(kavla.output.count("history popup closed"));
        key.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
        key.waitForFinished(5000);
        if (!kavla.waitForOutput("history popup closed", closed + 1, 15000))
            return -1;
        QThread::msleep(200);
    }
    return percentile(times, 0.5);
}

// Kavla's CPU time per captured text over `copies` new texts, in milliseconds.
double cpuPerCapture(Kavla &kavla, Owner &owner, int copies, const QByteArray &label)
{
    const double before = kavla.cpuSeconds();
    const qint64 start = kavla.rows();
    for (int i = 0; i < copies; ++i) {
        owner.offer(QStringLiteral("text/plain"), owner.prepare(label + QByteArray::number(i)));
        if (kavla.waitForRows(qMin<qint64>(200, start + i + 1)) < 0)
            return -1;
    }
    QThread::msleep(400); // the last capture's history trim
    return (kavla.cpuSeconds() - before) * 1000.0 / copies;
}

double percentile(QList<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    if (values.isEmpty())
        return 0;
    const qsizetype index = qMin(values.size() - 1, qsizetype(fraction * double(values.size() - 1) + 0.5));
    return values.at(index);
}

// One measurement, with its target (at most) when it has one.
void report(const char *what, double value, const char *unit, double target = -1)
{
    if (target < 0)
        std::printf("%-44s %10.4f %s\n", what, value, unit);
    else
        std::printf("%-44s %10.4f %-3s (target <= %g %s) %s\n", what, value, unit, target, unit,
                    value <= target ? "ok" : "MISSED");
    std::fflush(stdout);
}

QByteArray largeText(qsizetype size = 10'000'000)
{
    QByteArray text;
    text.reserve(size);
    while (text.size() < size)
        text += "Linha de texto número " + QByteArray::number(text.size()) + " com acentuação e\ttabulação.\n";
    text.truncate(size);
    return text;
}

// Copies a text of `megabytes` to each build of Kavla in turn and reports, side by side, its
// resident memory idle before, its peak while recording, and once recorded and folded for search.
int compareTextMemory(const Display &display, const QStringList &binaries)
{
    for (const int megabytes : {64, 200}) {
        const QByteArray text = largeText(qsizetype(megabytes) * 1'000'000);
        std::printf("%d MB text copy                  idle before    peak MB   recorded MB  (target: peak <= idle + %d MB)\n",
                    megabytes, 2 * megabytes);
        for (const QString &binary : binaries) {
            s_kavlaBinary = binary;
            Kavla kavla;
            Owner owner;
            if (!kavla.start(display) || !owner.start(display))
                return 1;
            const QString path = owner.prepare(text);
            QThread::sleep(1);
            const double idle = kavla.memoryMegabytes("VmRSS:");
            owner.offer(QStringLiteral("text/plain"), path);
            if (kavla.waitForRows(1, 300000) < 0) {
                std::fprintf(stderr, "bench_capture: %s did not record the %d MB text\n", qPrintable(binary), megabytes);
                return 1;
            }
            // Recorded once its folded copy for searches is stored too and the memory has settled:
            // no change of more than a megabyte for two seconds.
            QDeadlineTimer folded(120000);
            while (kavla.foldedRows() <= 0 && !folded.hasExpired())
                QThread::msleep(100);
            const double recorded = kavla.settledMegabytes(30000);
            const double peak = kavla.memoryMegabytes("VmHWM:");
            std::printf("  %-34s %8.1f   %8.1f   %8.1f  %s\n", qPrintable(binary), idle, peak, recorded,
                        peak - idle <= 2 * megabytes ? "ok" : "MISSED");
            std::fflush(stdout);
        }
    }
    return 0;
}

// A PNG of `width` x `height` pixels in smooth gradients: small to store, but decoding it costs
// what decoding any image of that size costs.
QByteArray gradientPng(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            line[3 * x] = uchar((x * 255) / width);
            line[3 * x + 1] = uchar((y * 255) / height);
            line[3 * x + 2] = 128;
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Writes `count` image entries of `png` (its size `side` pixels square) straight into the history.
bool seedImages(const QString &databasePath, const QByteArray &png, int side, int count)
{
    const QString name = QStringLiteral("bench-seed");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databasePath);
        ok = db.open() && db.transaction();
        QSqlQuery item(db);
        QSqlQuery bytes(db);
        ok = ok
            && item.prepare(QStringLiteral(
                "INSERT INTO ClipboardItem (id, createdAt, copiedAt, contentType, textContent, imageData, filePaths,"
                " sourceAppBundleId, sourceAppName, charCount, wordCount, imageWidth, imageHeight, isPinned)"
                " VALUES (?, ?, ?, 'image', NULL, ?, NULL, 'org.example.Viewer', 'Viewer', 0, 0, ?, ?, 0)"))
            && bytes.prepare(QStringLiteral("INSERT INTO ClipboardItemImageData (itemId, bytes) VALUES (?, ?)"));
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; ok && i < count; ++i) {
            const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
            for (const QVariant &value : {QVariant(id), QVariant(now - 1000 * (i + 1)), QVariant(now - 1000 * (i + 1)),
                                          QVariant(png.size()), QVariant(side), QVariant(side)})
                item.addBindValue(value);
            bytes.addBindValue(id);
            bytes.addBindValue(png);
            ok = item.exec() && bytes.exec();
        }
        ok = ok && db.commit();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The faults a hostile run found, measured for each build in turn, side by side: the time to
// capture a text while the first popup open makes thumbnails of 50 images of 8000x8000, and once
// they are made; the popup while a 16000x16000 PNG is copied; the resident memory of a 200 MB text
// put back after its owner quit.
int compareHostile(const Display &display, const QStringList &binaries)
{
    const auto fail = [](const QString &binary, const char *what) {
        std::fprintf(stderr, "bench_capture: %s %s\n", qPrintable(binary), what);
        return 1;
    };
    std::printf("50 images of 8000x8000 stored: text capture latency (ms) right after the first popup open and close,\n"
                "at the first start and again after a restart, and Kavla's CPU seconds for that open after the\n"
                "restart, all threads and the interface thread\n");
    std::printf("  %-44s %8s %8s %8s   %8s %8s %8s   %8s %8s\n", "", "median", "95th", "max", "median", "95th", "max",
                "CPU s", "UI CPU s");
    const QByteArray large = gradientPng(8000, 8000);
    for (const QString &binary : binaries) {
        s_kavlaBinary = binary;
        Kavla kavla;
        Owner owner;
        const QByteArray preferences = R"({"maxHistoryCount": {"type": "integer", "value": 200}})";
        if (!kavla.start(display, preferences))
            return fail(binary, "did not start");
        kavla.stop();
        if (!seedImages(kavla.databasePath(), large, 8000, 50) || !owner.start(display))
            return fail(binary, "could not be given 50 images, or the clipboard helper did not start");
        // Each start: the popup opens and asks for every thumbnail; texts are copied meanwhile.
        QList<double> rounds[2];
        double cpu = 0;
        double interfaceCpu = 0;
        for (QList<double> &round : rounds) {
            if (!kavla.start(display, preferences))
                return fail(binary, "did not start again");
            QThread::sleep(2);
            const double cpuBefore = kavla.cpuSeconds();
            const double interfaceCpuBefore = kavla.cpuSeconds(true);
            QProcess key;
            key.setProcessEnvironment(baseEnvironment(display.name));
            key.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+shift+v")});
            if (!kavla.waitForOutput("history popup shown", 1, 60000))
                return fail(binary, "showed no popup");
            key.waitForFinished(5000);
            // Closed again at once: what is copied while it has the keyboard is Kavla's own.
            key.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
            if (!kavla.waitForOutput("history popup closed", 1, 60000))
                return fail(binary, "did not close its popup");
            key.waitForFinished(5000);
            // With no window manager the keyboard stays with Kavla a moment after the popup closes,
            // and what is copied while it has it is Kavla's own.
            QThread::sleep(1);
            for (int i = 0; i < 20; ++i) {
                const qint64 rows = kavla.rows();
                // A new text each time: one copied again would refresh its row rather than add one.
                const QString path = owner.prepare("durante as miniaturas " + QByteArray::number(&round - rounds) + '.'
                                                   + QByteArray::number(i));
                QElapsedTimer clock;
                clock.start();
                owner.offer(QStringLiteral("text/plain"), path);
                if (kavla.waitForRows(rows + 1, 60000) < 0)
                    return fail(binary, "did not record a text within a minute");
                round << double(clock.nsecsElapsed()) / 1e6;
                QThread::msleep(100);
            }
            // Until the thumbnails are done: a second with almost no CPU.
            for (QDeadlineTimer idle(300000); !idle.hasExpired();) {
                const double before = kavla.cpuSeconds();
                QThread::sleep(1);
                if (kavla.cpuSeconds() - before < 0.05)
                    break;
            }
            cpu = kavla.cpuSeconds() - cpuBefore;
            interfaceCpu = kavla.cpuSeconds(true) - interfaceCpuBefore;
            kavla.stop();
        }
        std::printf("  %-44s %8.1f %8.1f %8.1f   %8.1f %8.1f %8.1f   %8.2f %8.2f\n", qPrintable(binary),
                    percentile(rounds[0], 0.5), percentile(rounds[0], 0.95), percentile(rounds[0], 1.0),
                    percentile(rounds[1], 0.5), percentile(rounds[1], 0.95), percentile(rounds[1], 1.0), cpu,
                    interfaceCpu);
        std::fflush(stdout);
    }

    std::printf("a 16000x16000 PNG copied: the popup opened right after the copy (ms), Kavla's line, peak MB\n");
    const QByteArray huge = gradientPng(16000, 16000);
    for (const QString &binary : binaries) {
        s_kavlaBinary = binary;
        Kavla kavla;
        Owner owner;
        if (!kavla.start(display) || !owner.start(display))
            return fail(binary, "or the clipboard helper did not start");
        const QString path = owner.prepare(huge);
        QThread::sleep(1);
        owner.offer(QStringLiteral("image/png"), path);
        QThread::msleep(300); // the read has the image; Kavla is processing it
        const double popup = popupOpenMs(display, kavla, 1);
        QDeadlineTimer settled(60000);
        while (!settled.hasExpired() && kavla.rows() < 1 && !kavla.output.contains("Erro ao salvar imagem"))
            kavla.waitForOutput("Erro ao salvar imagem", 1, 200);
        const qsizetype at = kavla.output.indexOf("Erro ao salvar imagem");
        const QByteArray line = at < 0 ? QByteArray(kavla.rows() > 0 ? "(recorded)" : "(none)")
                                       : kavla.output.mid(at, kavla.output.indexOf('\n', at) - at);
        std::printf("  %-44s %8.1f  %s  %.0f\n", qPrintable(binary), popup, line.constData(), kavla.memoryMegabytes("VmHWM:"));
        std::fflush(stdout);
    }

    std::printf("a 200 MB text whose owner quit, put back by Kavla: resident MB once recorded, and once put back\n");
    const QByteArray text = largeText(200'000'000);
    for (const QString &binary : binaries) {
        s_kavlaBinary = binary;
        Kavla kavla;
        Owner owner;
        if (!kavla.start(display) || !owner.start(display))
            return fail(binary, "or the clipboard helper did not start");
        owner.offer(QStringLiteral("text/plain"), owner.prepare(text));
        if (kavla.waitForRows(1, 300000) < 0)
            return fail(binary, "did not record the 200 MB text");
        const auto settle = [&kavla] { return kavla.settledMegabytes(60000); };
        QDeadlineTimer folded(120000);
        while (kavla.foldedRows() <= 0 && !folded.hasExpired())
            QThread::msleep(100);
        const double recorded = settle();
        owner.process.write("quit\n");
        owner.process.waitForFinished(10000);
        if (!kavla.waitForOutput("clipboard kept after its owner quit", 1, 60000))
            return fail(binary, "did not put the 200 MB text back");
        std::printf("  %-44s %8.1f %8.1f\n", qPrintable(binary), recorded, settle());
        std::fflush(stdout);
    }
    return 0;
}

// A photograph-like 4K image: smooth gradients with sensor noise, so the PNG is large (about
// 20 MB) like a real screenshot of a photo, not a few hundred kilobytes of flat colour.
QByteArray photo4k()
{
    QImage image(3840, 2160, QImage::Format_RGB32);
    quint32 state = 2463534242u;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int noise = int(state & 0x3f) - 32;
            line[x] = qRgb(qBound(0, (x * 255) / 3840 + noise, 255), qBound(0, (y * 255) / 2160 + noise, 255),
                           qBound(0, 128 + noise, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const bool quick = arguments.contains(QStringLiteral("--quick"));
    QStringList binaries;
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QStringLiteral("--kavla"))
            binaries << QFileInfo(arguments.at(i + 1)).absoluteFilePath();
    }
    if (binaries.isEmpty())
        binaries << buildRoot() + QStringLiteral("/kavla");
    s_kavlaBinary = binaries.first();
    Display display;
    if (!display.start()) {
        std::fprintf(stderr, "bench_capture: Xvfb did not start\n");
        return 1;
    }
    if (arguments.contains(QStringLiteral("--memory")))
        return compareTextMemory(display, binaries);
    if (arguments.contains(QStringLiteral("--hostile")))
        return compareHostile(display, binaries);
    std::printf("kavla: %s\n", qPrintable(s_kavlaBinary));

    {
        Kavla kavla;
        Owner owner;
        if (!kavla.start(display, R"({"maxHistoryCount": {"type": "integer", "value": 200}})") || !owner.start(display)) {
            std::fprintf(stderr, "bench_capture: kavla or the clipboard helper did not start\n");
            return 1;
        }
        // Latency: from the helper owning the clipboard to the row being in the database.
        constexpr int LatencyCopies = 50;
        QList<double> latencies;
        for (int i = 0; i < LatencyCopies; ++i) {
            const QString path = owner.prepare("latência " + QByteArray::number(i));
            QElapsedTimer clock;
            clock.start();
            owner.offer(QStringLiteral("text/plain"), path);
            if (kavla.waitForRows(i + 1) < 0) {
                std::fprintf(stderr, "bench_capture: copy %d was not recorded\n", i);
                return 1;
            }
            latencies << double(clock.nsecsElapsed()) / 1e6;
            QThread::msleep(50);
        }
        report("capture latency, median", percentile(latencies, 0.5), "ms", 20);
        report("capture latency, 95th percentile", percentile(latencies, 0.95), "ms");
        if (const QList<double> wayland = waylandLatencies(LatencyCopies); !wayland.isEmpty()) {
            report("Wayland capture latency, median", percentile(wayland, 0.5), "ms", 30);
            report("Wayland capture latency, 95th percentile", percentile(wayland, 0.95), "ms");
        }

        // CPU per capture over 200 copies (the history holds 200, so each also trims one).
        constexpr int CpuCopies = 200;
        const double cpuBefore = kavla.cpuSeconds();
        const qint64 start = kavla.rows();
        for (int i = 0; i < CpuCopies; ++i) {
            const QString path = owner.prepare("cópia para medir a CPU número " + QByteArray::number(i));
            owner.offer(QStringLiteral("text/plain"), path);
            if (kavla.waitForRows(qMin<qint64>(200, start + i + 1)) < 0)
                return 1;
        }
        QThread::msleep(400); // the last capture's history trim
        report("CPU per text capture", (kavla.cpuSeconds() - cpuBefore) * 1000.0 / CpuCopies, "ms", 5);

        // Idle: nothing changes for a minute, from a few seconds after the last capture.
        QThread::sleep(3);
        const int idleSeconds = quick ? 10 : 60;
        const double idleBefore = kavla.cpuSeconds();
        const qint64 wakeUpsBefore = kavla.wakeUps();
        QThread::sleep(idleSeconds);
        report("CPU idle per minute", (kavla.cpuSeconds() - idleBefore) * 60.0 / idleSeconds, "s", 0.01);
        report("wake-ups idle per second", double(kavla.wakeUps() - wakeUpsBefore) / idleSeconds, "/s", 1);
        report("resident memory idle", kavla.memoryMegabytes("VmRSS:"), "MB", 45);

        // The popup with a clipboard owner that takes the clipboard and never answers.
        const int opens = quick ? 5 : 15;
        const double normal = popupOpenMs(display, kavla, opens);
        Owner stuck;
        if (!stuck.start(display) || !stuck.hang(QStringLiteral("text/plain"), stuck.prepare("nunca lido"), 120000))
            return 1;
        QThread::msleep(300);
        const double hung = popupOpenMs(display, kavla, opens);
        report("popup open after the hot key, median", normal, "ms");
        report("  the same with a hung clipboard owner", hung, "ms", qMax(normal * 1.5, normal + 20));
    }

    {
        // CPU per capture with an empty history, then with one 10 MB text stored, and the memory
        // that text leaves once recorded.
        Kavla kavla;
        Owner owner;
        if (!kavla.start(display, R"({"maxHistoryCount": {"type": "integer", "value": 200}})") || !owner.start(display))
            return 1;
        constexpr int Copies = 100;
        QThread::sleep(2);
        const double emptyCpu = cpuPerCapture(kavla, owner, Copies, "cópia numa história vazia ");
        QThread::sleep(1);
        const double idleMegabytes = kavla.memoryMegabytes("VmRSS:");
        owner.offer(QStringLiteral("text/plain"), owner.prepare(largeText()));
        if (kavla.waitForRows(Copies + 1, 30000) < 0) {
            std::fprintf(stderr, "bench_capture: the 10 MB text was not recorded\n");
            return 1;
        }
        QThread::sleep(1);
        const double afterMegabytes = kavla.memoryMegabytes("VmRSS:");
        const double storedCpu = cpuPerCapture(kavla, owner, Copies, "cópia depois de 10 MB ");
        report("CPU per text capture, empty history", emptyCpu, "ms", 1);
        report("CPU per text capture, 10 MB text stored", storedCpu, "ms", 1.5 * emptyCpu);
        report("  ratio to the empty history", storedCpu / emptyCpu, "x", 1.5);
        report("resident memory before the 10 MB text", idleMegabytes, "MB");
        report("resident memory once it is recorded", afterMegabytes, "MB");
        report("  growth", afterMegabytes - idleMegabytes, "MB", 5);
    }

    struct Large
    {
        const char *name;
        QString type;
        QByteArray bytes;
        double seconds;
        double megabytes;
    };
    const QList<Large> larges = {{"10 MB text", QStringLiteral("text/plain"), largeText(), 0.5, 80},
                                 {"64 MB text", QStringLiteral("text/plain"), largeText(64'000'000), 4, 2 * 64 + 40},
                                 {"200 MB text", QStringLiteral("text/plain"), largeText(200'000'000), 15, 2 * 200 + 40},
                                 {"3840x2160 PNG", QStringLiteral("image/png"), photo4k(), 1.0, 150}};
    for (const Large &large : larges) {
        Kavla kavla;
        Owner owner;
        if (!kavla.start(display) || !owner.start(display))
            return 1;
        const QString path = owner.prepare(large.bytes);
        QElapsedTimer clock;
        clock.start();
        owner.offer(large.type, path);
        if (kavla.waitForRows(1, 300000) < 0) {
            std::fprintf(stderr, "bench_capture: %s was not recorded\n", large.name);
            return 1;
        }
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        std::printf("%s: %.1f MB copied\n", large.name, double(large.bytes.size()) / 1e6);
        report(qPrintable(QStringLiteral("%1, copy to row").arg(QString::fromLatin1(large.name))), seconds, "s", large.seconds);
        report(qPrintable(QStringLiteral("%1, peak resident memory").arg(QString::fromLatin1(large.name))),
               kavla.memoryMegabytes("VmHWM:"), "MB", large.megabytes);
        QThread::msleep(300);
        report(qPrintable(QStringLiteral("%1, resident memory after").arg(QString::fromLatin1(large.name))),
               kavla.memoryMegabytes("VmRSS:"), "MB", large.megabytes);
    }
    return 0;
}
