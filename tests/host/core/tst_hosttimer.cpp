// HostTimer and HostTimerQueue: timers on a frozen clock fire as the clock is driven, in due-time
// order with ties in start order, on their owner's thread, with the clock at their due time;
// stopped and restarted timers; timers moved between the system clock and a frozen one.
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

#include "host/core/HostClock.h"
#include "host/core/HostTimer.h"
#include "host/core/HostTimerQueue.h"

namespace {

constexpr qint64 kStartMs = 1700000000000;  // ms since the epoch, the frozen start
constexpr int kWaitMs = 5000;               // ms, bound on a real QTimer's first fire

// Named timers that log every fire, in order, as "name@ms" (ms from kStartMs) and its thread.
class FireLog {
public:
    HostTimer* Add(const QString& name) {
        timers_.push_back(std::make_unique<HostTimer>());
        QObject::connect(timers_.back().get(), &HostTimer::Timeout, [this, name] {
            seen << QStringLiteral("%1@%2").arg(name).arg(HostClock::NowMs() - kStartMs);
            threads << QThread::currentThread();
        });
        return timers_.back().get();
    }
    QStringList seen;
    QList<QThread*> threads;

private:
    std::vector<std::unique_ptr<HostTimer>> timers_;
};

}  // namespace

class TstHostTimer : public QObject {
    Q_OBJECT

private slots:
    void init() { HostClock::SetForTest(kStartMs); }
    void cleanup() { HostClock::UseSystemClock(); }

    // Timers started in the order given ("name:interval"); the clock driven `advanceMs` in
    // `steps` equal steps.
    void firesInDueOrderWithTiesInStartOrder_data() {
        QTest::addColumn<QStringList>("timers");
        QTest::addColumn<int>("advanceMs");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QStringList>("seen");
        QTest::newRow("due order, not start order")
            << QStringList{"slow:500", "fast:200", "mid:300"} << 1000 << 1
            << QStringList{"fast@200", "mid@300",  "fast@400", "slow@500",  "fast@600",
                           "mid@600",  "fast@800", "mid@900",  "slow@1000", "fast@1000"};
        QTest::newRow("ties in start order, every round")
            << QStringList{"b:1000", "a:1000", "c:500"} << 2000 << 1
            << QStringList{"c@500",  "b@1000", "a@1000", "c@1000",
                           "c@1500", "b@2000", "a@2000", "c@2000"};
        QTest::newRow("nothing due before the first interval")
            << QStringList{"a:3000"} << 2999 << 1 << QStringList{};
        QTest::newRow("due exactly at the target fires")
            << QStringList{"a:3000"} << 3000 << 1 << QStringList{"a@3000"};
        QTest::newRow("steps add up to one advance")
            << QStringList{"a:700", "b:300"} << 2000 << 20
            << QStringList{"b@300",  "b@600",  "a@700",  "b@900",
                           "b@1200", "a@1400", "b@1500", "b@1800"};
    }
    void firesInDueOrderWithTiesInStartOrder() {
        QFETCH(QStringList, timers);
        QFETCH(int, advanceMs);
        QFETCH(int, steps);
        QFETCH(QStringList, seen);
        FireLog log;
        for (const QString& t : timers) {
            log.Add(t.section(':', 0, 0))->Start(t.section(':', 1).toInt());
        }
        for (int i = 0; i < steps; ++i) {
            HostTimerQueue::AdvanceClockBy(advanceMs / steps);
        }
        QCOMPARE(log.seen, seen);
        QCOMPARE(HostClock::NowMs(), kStartMs + advanceMs);
    }

    // A timer owned by another thread fires there, the clock standing at its due time, and
    // AdvanceClockTo returns only after it has run.
    void firesOnTheOwnersThread() {
        QThread worker;
        worker.start();
        FireLog log;
        HostTimer* remote = log.Add("remote");
        HostTimer* local = log.Add("local");
        remote->moveToThread(&worker);
        QMetaObject::invokeMethod(
            remote, [remote] { remote->Start(250); }, Qt::BlockingQueuedConnection);
        local->Start(400);
        HostTimerQueue::AdvanceClockBy(600);
        QCOMPARE(log.seen, (QStringList{"remote@250", "local@400", "remote@500"}));
        QCOMPARE(log.threads, (QList<QThread*>{&worker, QThread::currentThread(), &worker}));
        QMetaObject::invokeMethod(
            remote, [remote] { remote->Stop(); }, Qt::BlockingQueuedConnection);
        worker.quit();
        worker.wait();
    }

    // Stop silences a timer; Start restarts it a whole interval from the clock's now; a timer
    // stopped by another one's fire at the same due time does not fire; a deleted one is gone.
    void stopsAndRestarts() {
        FireLog log;
        HostTimer* a = log.Add("a");
        HostTimer* b = log.Add("b");
        a->Start(1000);
        b->Start(1000);
        QCOMPARE(a->IntervalMs(), 1000);
        QObject::connect(a, &HostTimer::Timeout, b, &HostTimer::Stop);
        HostTimerQueue::AdvanceClockBy(1000);
        QCOMPARE(log.seen, QStringList{"a@1000"});
        QVERIFY(!b->IsActive());
        QCOMPARE(b->IntervalMs(), 1000);  // kept, as a stopped QTimer keeps it

        HostTimerQueue::AdvanceClockBy(200);
        b->Start(500);  // due at 1700
        a->Stop();
        HostTimerQueue::AdvanceClockBy(800);
        QCOMPARE(log.seen, (QStringList{"a@1000", "b@1700"}));
        QCOMPARE(HostTimerQueue::NextDueMs(), kStartMs + 2200);

        {
            HostTimer gone;
            gone.Start(100);
        }
        QCOMPARE(HostTimerQueue::NextDueMs(), kStartMs + 2200);
        HostTimer never;
        QCOMPARE(never.IntervalMs(), -1);
        QVERIFY(!never.IsActive());
    }

    // HostClock's own setters move the clock without firing; an overdue timer fires once, at the
    // clock's time, on the next drive, and is due an interval later.
    void rawClockMovesDoNotFire() {
        FireLog log;
        log.Add("a")->Start(1000);
        HostClock::AdvanceForTest(2500);
        HostClock::SetForTest(kStartMs + 3500);
        QVERIFY(log.seen.isEmpty());
        HostTimerQueue::AdvanceClockBy(0);
        QCOMPARE(log.seen, QStringList{"a@3500"});
        HostTimerQueue::AdvanceClockBy(1000);
        QCOMPARE(log.seen, (QStringList{"a@3500", "a@4500"}));
    }

    // A timer started on the system clock is a QTimer; freezing the clock moves it to the queue
    // (due one interval after the frozen now, its QTimer silenced); thawing moves it back.
    void switchesClockModes() {
        HostClock::UseSystemClock();
        FireLog log;
        HostTimer* a = log.Add("a");
        a->Start(5);  // ms: short, so the real timer's fires are quick to see
        QSignalSpy spy(a, &HostTimer::Timeout);
        QVERIFY(spy.wait(kWaitMs));
        QCOMPARE(HostTimerQueue::NextDueMs(), qint64(-1));

        HostClock::SetForTest(kStartMs);
        QCOMPARE(HostTimerQueue::NextDueMs(), kStartMs + 5);
        spy.clear();
        QTest::qWait(50);  // its QTimer's next timeouts are swallowed
        QCOMPARE(spy.count(), 0);
        HostTimerQueue::AdvanceClockBy(12);
        QCOMPARE(spy.count(), 2);

        HostClock::UseSystemClock();
        QCOMPARE(HostTimerQueue::NextDueMs(), qint64(-1));
        QVERIFY(spy.wait(kWaitMs));  // a QTimer again
        QVERIFY(a->IsActive());

        // Driving a clock that follows the system clock freezes it first.
        HostTimerQueue::AdvanceClockBy(5);
        QVERIFY(HostClock::IsFrozen());
        QVERIFY(HostTimerQueue::NextDueMs() > HostClock::NowMs());
    }
};

QTEST_GUILESS_MAIN(TstHostTimer)
#include "tst_hosttimer.moc"
