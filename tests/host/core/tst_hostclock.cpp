#include <QtTest>
#include <thread>
#include <vector>

#include "host/core/HostClock.h"

class TstHostClock : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { HostClock::UseSystemClock(); }
    void followsSystemClockByDefault();
    void setAndAdvanceForTest();
    void advancingTheSystemClockFreezesIt();
    void concurrentAdvancesAllCount();
};

void TstHostClock::followsSystemClockByDefault() {
    QVERIFY(!HostClock::IsFrozen());
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const qint64 now = HostClock::NowMs();
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(before <= now && now <= after);
}

void TstHostClock::setAndAdvanceForTest() {
    const QDateTime start(QDate(2024, 3, 1), QTime(9, 30), Qt::UTC);
    HostClock::SetForTest(start.toMSecsSinceEpoch());
    QVERIFY(HostClock::IsFrozen());
    QCOMPARE(HostClock::NowMs(), start.toMSecsSinceEpoch());
    QCOMPARE(HostClock::Now(), start);
    HostClock::AdvanceForTest(2000);
    HostClock::AdvanceForTest(1);
    QCOMPARE(HostClock::NowMs(), start.toMSecsSinceEpoch() + 2001);
    HostClock::UseSystemClock();
    QVERIFY(HostClock::NowMs() > start.toMSecsSinceEpoch() + 86400000);  // back to today
}

void TstHostClock::advancingTheSystemClockFreezesIt() {
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    HostClock::AdvanceForTest(10000);
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(HostClock::IsFrozen());
    const qint64 now = HostClock::NowMs();
    QVERIFY(before + 10000 <= now && now <= after + 10000);
    QCOMPARE(HostClock::NowMs(), now);  // frozen: reading twice gives the same time
}

void TstHostClock::concurrentAdvancesAllCount() {
    HostClock::SetForTest(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 1000; ++i) {
                HostClock::AdvanceForTest(3);
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    QCOMPARE(HostClock::NowMs(), qint64(4 * 1000 * 3));
}

QTEST_GUILESS_MAIN(TstHostClock)
#include "tst_hostclock.moc"
