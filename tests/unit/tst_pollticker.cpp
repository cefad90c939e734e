// The clipboard poll's tick: regular calls on a thread of its own, none after stop.
#include "services/PollTicker.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>

using namespace std::chrono_literals;

class PollTickerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ticksAtItsInterval_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("runMs");
        QTest::newRow("fast") << 20 << 300;
        QTest::newRow("the poll interval") << 350 << 1500;
    }

    void ticksAtItsInterval()
    {
        QFETCH(int, intervalMs);
        QFETCH(int, runMs);
        std::atomic<int> ticks = 0;
        PollTicker ticker;
        ticker.start(std::chrono::milliseconds(intervalMs), [&] { ++ticks; });
        QVERIFY(ticker.isActive());
        QTest::qSleep(runMs);
        ticker.stop();
        // Never more often than the interval; a loaded machine may delay some ticks.
        const int expected = runMs / intervalMs;
        QVERIFY2(ticks >= expected / 2 && ticks <= expected + 1, qPrintable(QString::number(ticks)));
    }

    void noTickAfterStop()
    {
        std::atomic<int> ticks = 0;
        PollTicker ticker;
        ticker.start(5ms, [&] { ++ticks; });
        QTRY_VERIFY(ticks > 2);
        ticker.stop();
        QVERIFY(!ticker.isActive());
        const int stopped = ticks;
        QTest::qSleep(50);
        QCOMPARE(int(ticks), stopped);
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

    void destructionStopsIt()
    {
        std::atomic<int> ticks = 0;
        {
            PollTicker ticker;
            ticker.start(5ms, [&] { ++ticks; });
            QTRY_VERIFY(ticks > 0);
        }
        const int after = ticks;
        QTest::qSleep(30);
        QCOMPARE(int(ticks), after);
    }
};

QTEST_GUILESS_MAIN(PollTickerTest)
#include "tst_pollticker.moc"
