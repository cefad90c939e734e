// Search benchmark: the popup's list model over a history of 200 entries of which five are 10 MB
// texts, searched key by key as a person types. Reports, per keystroke, the time the interface
// thread spends (the list narrowed to what is known at once) and the time until every match is
// listed (long texts are matched in the store off the interface thread). Runs without a display.
#include "store/HistoryQueryModel.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "views/popup/HistoryFilterModel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Entries = 200;
constexpr int LongTexts = 5;

QString longText(int variant)
{
    QString text;
    text.reserve(10'000'000);
    while (text.size() < 10'000'000)
        text += QStringLiteral("Linha %1 do texto longo %2, com acentuação e\ttabulação.\n").arg(text.size()).arg(variant);
    text.truncate(10'000'000);
    return text;
}

double percentile(QList<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    if (values.isEmpty())
        return 0;
    return values.at(qMin(values.size() - 1, qsizetype(fraction * double(values.size() - 1) + 0.5)));
}

void report(const char *what, const QList<double> &values, double target = -1)
{
    const double p95 = percentile(values, 0.95);
    std::printf("%-44s median %8.3f ms  p95 %8.3f ms  max %8.3f ms", what, percentile(values, 0.5), p95,
                *std::max_element(values.cbegin(), values.cend()));
    if (target >= 0)
        std::printf("  (target p95 <= %g ms) %s", target, p95 <= target ? "ok" : "MISSED");
    std::printf("\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    QString error;
    auto store = ModelContainer::open(dir.filePath(QStringLiteral("history.sqlite")), &error);
    if (!store) {
        std::fprintf(stderr, "bench_search: %s\n", qPrintable(error));
        return 1;
    }
    ModelContext *context = store->mainContext();
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-1);
    for (int i = 0; i < Entries; ++i) {
        const bool isLong = i % (Entries / LongTexts) == 0;
        const QString text = isLong ? longText(i)
                                    : QStringLiteral("Entrada %1: reunião de planejamento às %2h, sala %3").arg(i).arg(i % 24).arg(i * 7);
        const QDateTime when = start.addSecs(i);
        context->insert(std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, ClipboardItem::TextType, text,
                                                        std::nullopt, std::nullopt, QString(), QString(), 0, 0, 0, 0,
                                                        false));
        if (!context->save(&error)) {
            std::fprintf(stderr, "bench_search: %s\n", qPrintable(error));
            return 1;
        }
    }

    // Folded copies are stored right after each capture, off the interface thread: a steady
    // history has them all.
    QDeadlineTimer folded(120000);
    while (!folded.hasExpired()) {
        QSqlQuery query(store->database());
        if (query.exec(QStringLiteral("SELECT count(DISTINCT itemId) FROM ClipboardItemSearchText")) && query.next()
            && query.value(0).toInt() == LongTexts)
            break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }

    HistoryQueryModel history(context);
    HistoryFilterModel filter(&history);
    filter.setMaxCount(Entries);
    // Words found early in the long texts, late in them, nowhere, and in the short entries only.
    const QStringList words = {QStringLiteral("tabulação"), QStringLiteral("linha 9999"), QStringLiteral("zebra"),
                               QStringLiteral("reunião"), QStringLiteral("ACENTUAÇÃO")};
    int rows = 0;
    QList<double> interface;
    QList<double> complete;
    for (int round = 0; round < 3; ++round) {
        for (const QString &word : words) {
            for (qsizetype length = 1; length <= word.size(); ++length) {
                QElapsedTimer clock;
                clock.start();
                filter.setSearchText(word.left(length));
                // What the list view asks at once: the proxy filters when it is first asked.
                rows = filter.rowCount();
                interface << double(clock.nsecsElapsed()) / 1e6;
                QDeadlineTimer deadline(30000);
                while (filter.isSearchPending() && !deadline.hasExpired())
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
                rows = filter.rowCount();
                complete << double(clock.nsecsElapsed()) / 1e6;
            }
            filter.setSearchText(QString());
        }
    }
    std::printf("search keystrokes over %d entries (%d of 10 MB), %lld keystrokes\n", Entries, LongTexts,
                qlonglong(interface.size()));
    report("interface thread per keystroke", interface, 16);
    report("until every match is listed", complete);
    std::printf("(rows listed for the last word: %d)\n", rows);
    return 0;
}
