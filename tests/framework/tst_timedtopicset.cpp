#include <QtTest>

#include <string>

#include "framework/TimedTopicSet.h"
#include "host/core/HostClock.h"

namespace {

constexpr qint64 kStart = 1700000000000;  // ms since the epoch

}  // namespace

class TestTimedTopicSet : public QObject {
    Q_OBJECT

private slots:
    void init() { HostClock::SetForTest(kStart); }
    void cleanupTestCase() { HostClock::UseSystemClock(); }

    void addCountsNewTopicAndPurgedEntries();
    void expireKeepLingersTwoSeconds();
    void expireWithoutKeepErases();
    void addClearsExpiry();
    void snapshotIsInKeyOrder();
};

void TestTimedTopicSet::addCountsNewTopicAndPurgedEntries() {
    TimedTopicSet<std::string> set;
    QCOMPARE(set.Add("b"), 1);
    QCOMPARE(set.Add("b"), 0);  // already present
    QCOMPARE(set.Add("a"), 1);
    set.Expire("a", true);
    set.Expire("b", true);
    HostClock::AdvanceForTest(2000);
    QCOMPARE(set.Add("c"), 3);  // a and b purged, c new
    QCOMPARE(set.Snapshot(), (std::list<std::string>{"c"}));
}

void TestTimedTopicSet::expireKeepLingersTwoSeconds() {
    TimedTopicSet<std::string> set;
    set.Add("a");
    QCOMPARE(set.Expire("a", true), 0);
    QCOMPARE(set.ExpiryOf("a"), kStart + 2000);
    HostClock::AdvanceForTest(1999);
    QCOMPARE(set.Purge(), 0);
    QVERIFY(set.Contains("a"));
    HostClock::AdvanceForTest(1);
    QCOMPARE(set.Purge(), 1);  // expiry not later than now
    QVERIFY(!set.Contains("a"));
    QCOMPARE(set.Expire("absent", true), 0);
    QCOMPARE(set.Size(), 0);
}

void TestTimedTopicSet::expireWithoutKeepErases() {
    TimedTopicSet<std::string> set;
    set.Add("a");
    QCOMPARE(set.Expire("a", false), 1);
    QCOMPARE(set.Expire("a", false), 0);
    QCOMPARE(set.ExpiryOf("a"), qint64(-1));
}

void TestTimedTopicSet::addClearsExpiry() {
    TimedTopicSet<std::string> set;
    set.Add("a");
    set.Expire("a", true);
    HostClock::AdvanceForTest(1000);
    QCOMPARE(set.Add("a"), 0);
    QCOMPARE(set.ExpiryOf("a"), qint64(0));
    HostClock::AdvanceForTest(5000);
    QCOMPARE(set.Purge(), 0);
    QVERIFY(set.Erase("a"));
    QVERIFY(!set.Erase("a"));
}

void TestTimedTopicSet::snapshotIsInKeyOrder() {
    TimedTopicSet<std::string> set;
    for (const char* topic : {"SZ000001", "HK00700", "SH600000"}) {
        set.Add(topic);
    }
    QCOMPARE(set.Snapshot(), (std::list<std::string>{"HK00700", "SH600000", "SZ000001"}));
}

QTEST_GUILESS_MAIN(TestTimedTopicSet)
#include "tst_timedtopicset.moc"
