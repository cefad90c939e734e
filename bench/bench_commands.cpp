// Command benchmark: each `kavla` command against a running Kavla holding 200 entries, timed from
// the command's process start to its exit (the answer read), on a private Xvfb display and a
// private session bus. Reports the median and the 95th percentile of each. Run through
// scripts/bench.sh (it uses the end-to-end tests' support, built with the tests).
#include "support/KavlaProcess.h"
#include "support/SessionBus.h"
#include "support/VirtualDisplay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Entries = 200;
constexpr int Rounds = 40;

// Milliseconds from start to exit, or -1 when the command failed.
double timed(const QProcessEnvironment &environment, const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    process.start(kavlaBinary(), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

void report(const char *name, QList<double> times)
{
    if (times.contains(-1)) {
        std::printf("%-28s failed\n", name);
        return;
    }
    std::sort(times.begin(), times.end());
    const double median = times.at(times.size() / 2);
    const double p95 = times.at(std::min<qsizetype>(times.size() - 1, (times.size() * 95 + 99) / 100 - 1));
    std::printf("%-28s median %6.1f ms   p95 %6.1f ms   (%lld runs)\n", name, median, p95,
                static_cast<long long>(times.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    VirtualDisplay display;
    SessionBus bus;
    QString error;
    if (!display.start() || !bus.start(&error)) {
        std::fprintf(stderr, "bench_commands: no display or session bus %s\n", qPrintable(error));
        return 1;
    }
    KavlaProcess kavla(bus.environment(display.environment()));
    // A first run makes the history; then 200 entries, all of them listed.
    if (!kavla.start() || !kavla.waitForOutput(QStringLiteral("ready"), 30000) || kavla.terminate() != 0) {
        std::fprintf(stderr, "bench_commands: Kavla did not start: %s\n", qPrintable(kavla.errors()));
        return 1;
    }
    QStringList texts;
    for (int i = 0; i < Entries; ++i)
        texts.append(QStringLiteral("Entrada %1 do histórico com um texto copiado de exemplo").arg(i));
    QFile preferences(kavla.preferencesPath());
    if (!kavla.seedHistory(texts) || !preferences.open(QIODevice::WriteOnly)
        || preferences.write(QByteArrayLiteral("{\"maxHistoryCount\": 200}")) < 0) {
        std::fprintf(stderr, "bench_commands: the history could not be filled\n");
        return 1;
    }
    preferences.close();
    if (!kavla.start() || !kavla.waitForOutput(QStringLiteral("on the session bus as"), 30000)) {
        std::fprintf(stderr, "bench_commands: Kavla is not on the bus: %s\n", qPrintable(kavla.errors()));
        return 1;
    }

    // The commands as a script over ssh runs them: no display.
    QProcessEnvironment environment = kavla.environment();
    environment.remove(QStringLiteral("DISPLAY"));
    QProcess lister;
    lister.setProcessEnvironment(environment);
    lister.start(kavlaBinary(), {QStringLiteral("list"), QStringLiteral("--dmenu")});
    lister.waitForFinished(10000);
    const QList<QByteArray> lines = lister.readAllStandardOutput().split('\n');
    if (lines.size() < Entries) {
        std::fprintf(stderr, "bench_commands: kavla list --dmenu gave %lld lines\n",
                     static_cast<long long>(lines.size()));
        return 1;
    }

    struct Case
    {
        const char *name;
        QStringList arguments;
        QByteArray input;
    };
    const QList<Case> cases{
        {"--version (process only)", {QStringLiteral("--version")}, {}},
        {"list", {QStringLiteral("list")}, {}},
        {"list --json", {QStringLiteral("list"), QStringLiteral("--json")}, {}},
        {"list --dmenu", {QStringLiteral("list"), QStringLiteral("--dmenu")}, {}},
        {"search TEXT", {QStringLiteral("search"), QStringLiteral("Entrada 1")}, {}},
        {"get 1", {QStringLiteral("get"), QStringLiteral("1")}, {}},
        {"copy 2", {QStringLiteral("copy"), QStringLiteral("2")}, {}},
        {"copy --from-line", {QStringLiteral("copy"), QStringLiteral("--from-line")}, lines.at(Entries / 2) + '\n'},
        {"pin 1", {QStringLiteral("pin"), QStringLiteral("1")}, {}},
        {"unpin 1", {QStringLiteral("unpin"), QStringLiteral("1")}, {}},
        {"delete 150", {QStringLiteral("delete"), QStringLiteral("150")}, {}},
    };
    std::printf("kavla commands with %d entries stored, from process start to exit\n", Entries);
    for (const Case &c : cases) {
        QList<double> times;
        for (int round = 0; round < Rounds; ++round)
            times.append(timed(environment, c.arguments, c.input));
        report(c.name, times);
    }
    report("clear", {timed(environment, {QStringLiteral("clear")}, {})});
    return kavla.terminate() == 0 ? 0 : 1;
}
