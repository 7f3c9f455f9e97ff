#include <QtTest>

#include <string>
#include <tuple>

#include "framework/RecentRequestSet.h"
#include "host/core/HostClock.h"

namespace {

constexpr qint64 kStart = 1700000000000;  // ms since the epoch

// A request key shaped like the fast quote's: equal on (code, index, count), ordered by those and
// then by the time it was made.
struct TestKey {
    std::string code;
    int index = 0;
    int count = 10;
    qint64 timestamp = 0;

    qint64 Timestamp() const { return timestamp; }
    bool operator==(const TestKey& o) const {
        return code == o.code && index == o.index && count == o.count;
    }
    bool operator<(const TestKey& o) const {
        return std::tie(code, index, count, timestamp) <
               std::tie(o.code, o.index, o.count, o.timestamp);
    }
};

TestKey KeyAt(const std::string& code, qint64 at) {
    return TestKey{code, 0, 10, at};
}

}  // namespace

class TestRecentRequestSet : public QObject {
    Q_OBJECT

private slots:
    void repeatWithinWindow_data();
    void repeatWithinWindow();
    void otherRequestsAreIndependent();
    void suppressedRepeatDoesNotExtendWindow();
    void usesHostClockByDefault();
};

void TestRecentRequestSet::repeatWithinWindow_data() {
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<bool>("sends");
    QTest::newRow("0 ms") << qint64(0) << false;
    QTest::newRow("2999 ms") << qint64(2999) << false;
    QTest::newRow("3000 ms, exactly the window") << qint64(3000) << false;
    QTest::newRow("3001 ms") << qint64(3001) << true;
}

void TestRecentRequestSet::repeatWithinWindow() {
    QFETCH(qint64, elapsedMs);
    QFETCH(bool, sends);
    RecentRequestSet<TestKey> set;
    QVERIFY(set.TrimAndInsert(KeyAt("SH600000", kStart), kStart));
    const qint64 now = kStart + elapsedMs;
    QCOMPARE(set.TrimAndInsert(KeyAt("SH600000", now), now), sends);
    QCOMPARE(set.Size(), 1);
}

void TestRecentRequestSet::otherRequestsAreIndependent() {
    RecentRequestSet<TestKey> set;
    QVERIFY(set.TrimAndInsert(KeyAt("SH600000", kStart), kStart));
    QVERIFY(set.TrimAndInsert(KeyAt("SZ000001", kStart), kStart));
    TestKey otherCount = KeyAt("SH600000", kStart + 1);
    otherCount.count = 5;
    QVERIFY(set.TrimAndInsert(otherCount, kStart + 1));
    QCOMPARE(set.Size(), 3);
    // All three are older than the window 3001 ms after the last: trimmed oldest first.
    QVERIFY(set.TrimAndInsert(KeyAt("SZ000001", kStart + 3002), kStart + 3002));
    QCOMPARE(set.Size(), 1);
}

void TestRecentRequestSet::suppressedRepeatDoesNotExtendWindow() {
    RecentRequestSet<TestKey> set;
    QVERIFY(set.TrimAndInsert(KeyAt("SH600000", kStart), kStart));
    QVERIFY(!set.TrimAndInsert(KeyAt("SH600000", kStart + 2500), kStart + 2500));
    QVERIFY(set.TrimAndInsert(KeyAt("SH600000", kStart + 3001), kStart + 3001));
}

void TestRecentRequestSet::usesHostClockByDefault() {
    HostClock::SetForTest(kStart);
    RecentRequestSet<TestKey> set;
    QVERIFY(set.TrimAndInsert(KeyAt("SH600000", HostClock::NowMs())));
    HostClock::AdvanceForTest(3000);
    QVERIFY(!set.TrimAndInsert(KeyAt("SH600000", HostClock::NowMs())));
    HostClock::AdvanceForTest(1);
    QVERIFY(set.TrimAndInsert(KeyAt("SH600000", HostClock::NowMs())));
    HostClock::UseSystemClock();
}

QTEST_GUILESS_MAIN(TestRecentRequestSet)
#include "tst_recentrequestset.moc"
