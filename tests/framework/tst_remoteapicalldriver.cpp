// The request scheduling of a remote call: the driver (whose timed topic sets are checked through
// it) and the recent request set. Time comes from HostClock; ticks are called directly.
#include <QtTest>

#include <future>
#include <list>
#include <memory>
#include <string>
#include <tuple>

#include "framework/RecentRequestSet.h"
#include "framework/RemoteApiCallDriver.h"
#include "host/core/HostClock.h"

namespace {

constexpr qint64 kStart = 1700000000000;  // ms since the epoch
using Topic = std::string;
using TopicList = std::list<Topic>;

QString Join(const TopicList& list) {
    QStringList texts;
    for (const Topic& topic : list) {
        texts << QString::fromStdString(topic);
    }
    return "[" + texts.join(',') + "]";
}

// A request key: equal on the code, ordered by the code and then the time it was made.
struct TestKey {
    std::string code;
    qint64 timestamp;
    qint64 Timestamp() const { return timestamp; }
    bool operator==(const TestKey& o) const { return code == o.code; }
    bool operator<(const TestKey& o) const {
        return std::tie(code, timestamp) < std::tie(o.code, o.timestamp);
    }
};

}  // namespace

class TestRemoteApiCallDriver : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { driver_.reset(); }
    void cleanupTestCase() { HostClock::UseSystemClock(); }

    void recentRequestsSuppressRepeatsForTheWindow();

    void activateRejoinsOrRequests_data();
    void activateRejoinsOrRequests();
    void startPushAnnouncesOnce();
    void reloadRequestsAgain();
    void ticksFollowTheSetsAndLingerAfterDeactivate();
    void pushTicksRefreshOrAnnounceChanges();
    void listenersRunUnderCallLock();
    void settersStartTimersThatDriveTicks();

private:
    QStringList Take() { return std::exchange(events_, {}); }

    QMutex callLock_{QMutex::Recursive};
    QStringList events_;  // every event the driver fired, in order
    std::unique_ptr<RemoteApiCallDriver<Topic>> driver_;
};

void TestRemoteApiCallDriver::init() {
    HostClock::SetForTest(kStart);
    events_.clear();
    driver_ = std::make_unique<RemoteApiCallDriver<Topic>>(&callLock_);
    QStringList* e = &events_;
    auto topicEvent = [e](const char* name) {
        return [e, name](const Topic& t) { *e << name + (" " + QString::fromStdString(t)); };
    };
    driver_->SetRequestListener(3000, topicEvent("request"));
    driver_->SetPollListener(3000, topicEvent("poll"));
    driver_->SetPushListListener([e](const TopicList& l) { *e << "changed " + Join(l); });
    driver_->SetPushRefreshListener(25000, [e](const TopicList& l) { *e << "refresh " + Join(l); });
    driver_->SetPushStartedListener(topicEvent("started"));
    driver_->SetPushRefreshedListener(topicEvent("refreshed"));
}

void TestRemoteApiCallDriver::recentRequestsSuppressRepeatsForTheWindow() {
    RecentRequestSet<TestKey> set;  // "now" from HostClock
    QVERIFY(set.TrimAndInsert(TestKey{"SH600000", kStart}));
    QVERIFY(set.TrimAndInsert(TestKey{"SZ000001", kStart}));
    HostClock::AdvanceForTest(2500);
    // Suppressed, and not remembered: the window still runs from the first request.
    QVERIFY(!set.TrimAndInsert(TestKey{"SH600000", kStart + 2500}));
    QVERIFY(!set.TrimAndInsert(TestKey{"SH600000", kStart + 3000}, kStart + 3000));
    QCOMPARE(set.Size(), 2);
    QVERIFY(set.TrimAndInsert(TestKey{"SH600000", kStart + 3001}, kStart + 3001));
    QCOMPARE(set.Size(), 1);  // both older ones trimmed
}

void TestRemoteApiCallDriver::activateRejoinsOrRequests_data() {
    QTest::addColumn<int>("answer");  // 0: none yet, 1: a snapshot answer, 2: a push answer
    QTest::addColumn<bool>("cached");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("awaiting: requested again") << 0 << true << QStringList{"request A"};
    QTest::newRow("polled: no request") << 1 << true << QStringList{};
    QTest::newRow("pushed: no list change") << 2 << true << QStringList{};
    QTest::newRow("pushed, not cached: requested") << 2 << false << QStringList{"request A"};
}

void TestRemoteApiCallDriver::activateRejoinsOrRequests() {
    QFETCH(int, answer);
    QFETCH(bool, cached);
    QFETCH(QStringList, events);
    driver_->Activate("A", false);
    if (answer == 1) {
        driver_->MarkAnswered("A");
    } else if (answer == 2) {
        driver_->StartPush("A");
    }
    driver_->Deactivate("A");
    HostClock::AdvanceForTest(1999);
    Take();
    driver_->Activate("A", cached);
    QCOMPARE(Take(), events);
    QVERIFY(driver_->IsActive("A"));
    const TimedTopicSet<Topic>* sets[] = {&driver_->AwaitingSet(), &driver_->PollingSet(),
                                          &driver_->PushSet()};
    QCOMPARE(sets[cached ? answer : 0]->ExpiryOf("A"), qint64(0));
    if (!cached) {  // the push entry lingers afresh until an answer renews it
        QCOMPARE(driver_->PushSet().ExpiryOf("A"), kStart + 1999 + 2000);
    }
}

void TestRemoteApiCallDriver::startPushAnnouncesOnce() {
    driver_->Activate("B", false);
    driver_->Activate("A", false);
    Take();
    driver_->StartPush("B");
    driver_->StartPush("A");
    QCOMPARE(Take(), (QStringList{"changed [B]", "started B", "changed [A,B]", "started A"}));
    driver_->StartPush("A");  // already pushed: nothing new
    driver_->StartPush("X");  // not active: ignored
    QVERIFY(Take().isEmpty());
    QVERIFY(!driver_->AwaitingSet().Contains("A"));
}

void TestRemoteApiCallDriver::reloadRequestsAgain() {
    driver_->Activate("A", false);
    driver_->MarkAnswered("A");
    driver_->Activate("B", false);
    driver_->StartPush("B");
    Take();
    driver_->Reload("A");
    driver_->Reload("X");  // not active: ignored
    driver_->Reload("B");
    QCOMPARE(Take(), (QStringList{"request A", "request B"}));
    QVERIFY(!driver_->PollingSet().Contains("A"));
    QVERIFY(driver_->AwaitingSet().Contains("A"));
    QCOMPARE(driver_->PushSet().ExpiryOf("B"), kStart + 2000);
}

void TestRemoteApiCallDriver::ticksFollowTheSetsAndLingerAfterDeactivate() {
    for (const char* t : {"B", "A", "C"}) {
        driver_->Activate(t, false);
    }
    driver_->MarkAnswered("C");
    driver_->MarkAnswered("X");  // not active: ignored
    Take();
    driver_->OnAwaitingTick();
    driver_->OnPollingTick();
    QCOMPARE(Take(), (QStringList{"request A", "request B", "poll C"}));
    driver_->MarkAnswered("A");  // repeated until answered, then polled
    driver_->OnAwaitingTick();
    driver_->OnPollingTick();
    const QStringList asked{"request B", "poll A", "poll C"};
    QCOMPARE(Take(), asked);
    for (const char* t : {"A", "B", "C"}) {
        driver_->Deactivate(t);
    }
    QCOMPARE(driver_->AwaitingSet().ExpiryOf("B"), kStart + 2000);
    QCOMPARE(driver_->PollingSet().ExpiryOf("A"), kStart + 2000);
    HostClock::AdvanceForTest(1999);
    driver_->OnAwaitingTick();
    driver_->OnPollingTick();
    QCOMPARE(Take(), asked);  // still lingering: asked as before
    HostClock::AdvanceForTest(1);
    driver_->OnAwaitingTick();
    driver_->OnPollingTick();
    QVERIFY(Take().isEmpty());
}

void TestRemoteApiCallDriver::pushTicksRefreshOrAnnounceChanges() {
    driver_->OnPushRefreshTick();
    QCOMPARE(Take(), QStringList{"refresh []"});
    for (const char* t : {"A", "B", "C"}) {
        driver_->Activate(t, false);
        driver_->StartPush(t);
    }
    driver_->Deactivate("C");
    Take();
    driver_->OnPushRefreshTick();
    QCOMPARE(Take(), (QStringList{"refresh [A,B,C]", "refreshed A", "refreshed B", "refreshed C"}));
    HostClock::AdvanceForTest(2000);
    driver_->OnPushRefreshTick();  // an entry expired: sent as a changed list
    QCOMPARE(Take(), (QStringList{"changed [A,B]", "refreshed A", "refreshed B"}));
    driver_->Deactivate("B");
    HostClock::AdvanceForTest(1999);
    driver_->OnPushPurgeTick();
    QVERIFY(Take().isEmpty());  // B still lingers
    driver_->Deactivate("A");
    HostClock::AdvanceForTest(1);
    driver_->Activate("A", true);  // rejoins; the purge of B on the way is announced
    QCOMPARE(Take(), QStringList{"changed [A]"});
    driver_->OnPushPurgeTick();
    QVERIFY(Take().isEmpty());  // nothing else expired
    driver_->Deactivate("A");
    HostClock::AdvanceForTest(2000);
    driver_->OnPushPurgeTick();
    QCOMPARE(Take(), QStringList{"changed []"});
}

void TestRemoteApiCallDriver::listenersRunUnderCallLock() {
    QList<bool> lockFreeElsewhere;
    auto probe = [this, &lockFreeElsewhere](const Topic&) {
        // Another thread must not get the call lock while a listener runs.
        auto other = std::async(std::launch::async, [this] {
            const bool got = callLock_.tryLock();
            if (got) {
                callLock_.unlock();
            }
            return got;
        });
        lockFreeElsewhere << other.get();
    };
    driver_->SetRequestListener(3000, probe);
    driver_->SetPollListener(3000, probe);
    driver_->Activate("A", false);
    driver_->OnAwaitingTick();
    driver_->MarkAnswered("A");
    driver_->OnPollingTick();
    QCOMPARE(lockFreeElsewhere, (QList<bool>{false, false, false}));
}

void TestRemoteApiCallDriver::settersStartTimersThatDriveTicks() {
    QCOMPARE(RemoteApiCallDriver<Topic>(&callLock_).AwaitingIntervalMs(), -1);
    QCOMPARE(driver_->AwaitingIntervalMs(), 3000);
    QCOMPARE(driver_->PollingIntervalMs(), 3000);
    QCOMPARE(driver_->PushRefreshIntervalMs(), 25000);
    QCOMPARE(driver_->PushPurgeIntervalMs(), 2000);
    int requests = 0;
    driver_->SetRequestListener(5, [&requests](const Topic&) { ++requests; });
    driver_->Activate("A", false);
    QTRY_VERIFY_WITH_TIMEOUT(requests >= 3, 5000);
}

QTEST_GUILESS_MAIN(TestRemoteApiCallDriver)
#include "tst_remoteapicalldriver.moc"
