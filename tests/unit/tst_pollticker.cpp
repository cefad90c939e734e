// The clipboard poll's tick: regular calls on a thread of its own, none after stop.
#include "services/PollTicker.h"

#include <QTest>

#include <atomic>
#include <optional>

using namespace std::chrono_literals;

class PollTickerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ticksAtItsInterval()
    {
        std::atomic<int> ticks = 0;
        PollTicker ticker;
        ticker.start(20ms, [&] { ++ticks; });
        QVERIFY(ticker.isActive());
        QTest::qSleep(300);
        ticker.stop();
        // Never more often than the interval; a loaded machine may delay some ticks.
        QVERIFY2(ticks >= 7 && ticks <= 16, qPrintable(QString::number(ticks)));
    }

    void noTickOnceEnded_data()
    {
        QTest::addColumn<bool>("destroyed"); // else stopped
        QTest::newRow("stopped") << false;
        QTest::newRow("destroyed") << true;
    }

    void noTickOnceEnded()
    {
        QFETCH(bool, destroyed);
        std::atomic<int> ticks = 0;
        std::optional<PollTicker> ticker(std::in_place);
        ticker->start(5ms, [&] { ++ticks; });
        QTRY_VERIFY(ticks > 2);
        if (destroyed)
            ticker.reset();
        else
            ticker->stop();
        QVERIFY(!ticker || !ticker->isActive());
        const int ended = ticks;
        QTest::qSleep(50);
        QCOMPARE(int(ticks), ended);
    }

    void stopWaitsForARunningTick()
    {
        std::atomic<bool> inside = false;
        std::atomic<bool> finished = false;
        PollTicker ticker;
        ticker.start(1ms, [&] {
            inside = true;
            QTest::qSleep(100);
            finished = true;
        });
        QTRY_VERIFY(inside.load());
        ticker.stop();
        QVERIFY(finished.load());
    }

    void restartReplacesTheTick()
    {
        std::atomic<int> first = 0;
        std::atomic<int> second = 0;
        PollTicker ticker;
        ticker.start(5ms, [&] { ++first; });
        QTRY_VERIFY(first > 0);
        ticker.start(5ms, [&] { ++second; });
        const int firstAtRestart = first;
        QTRY_VERIFY(second > 2);
        QCOMPARE(int(first), firstAtRestart);
    }
};

QTEST_GUILESS_MAIN(PollTickerTest)
#include "tst_pollticker.moc"
