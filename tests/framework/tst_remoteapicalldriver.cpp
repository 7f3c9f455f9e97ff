#include <QtTest>

#include <future>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "framework/RemoteApiCallDriver.h"
#include "host/core/HostClock.h"

namespace {

constexpr qint64 kStart = 1700000000000;  // ms since the epoch
using Topic = std::string;
using TopicList = std::list<Topic>;

// Records every event the driver fires, in order, as text.
struct Recorder {
    std::vector<std::string> events;

    static std::string Join(const TopicList& list) {
        std::string text;
        for (const Topic& topic : list) {
            text += (text.empty() ? "" : ",") + topic;
        }
        return text;
    }
    std::vector<std::string> Take() { return std::exchange(events, {}); }
};

}  // namespace

class TestRemoteApiCallDriver : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cleanupTestCase() { HostClock::UseSystemClock(); }

    void settersStartTimers();
    void activateUncachedRequestsAndLingersPush();
    void activateCachedRejoinsPolling();
    void activateCachedRejoinsPushWithoutListRequest();
    void activateCachedReportsPushListWhenOthersExpired();
    void activateCachedInNoSetRequests();
    void deactivateLingersThenPurges();
    void markAnsweredMovesToPolling();
    void startPushAnnouncesOnce();
    void reloadRequestsAgain();
    void awaitingTickRepeatsUntilAnswered();
    void pollingTickPollsAnswered();
    void pushRefreshTickRefreshesOrReportsChange();
    void pushRefreshTickWithEmptyList();
    void pushPurgeTickReportsOnlyChanges();
    void listenersRunUnderCallLock();
    void timerDrivesTick();

private:
    void Wire(RemoteApiCallDriver<Topic>& driver);

    QMutex callLock_{QMutex::Recursive};
    Recorder recorder_;
    std::unique_ptr<RemoteApiCallDriver<Topic>> driver_;
};

void TestRemoteApiCallDriver::Wire(RemoteApiCallDriver<Topic>& driver) {
    Recorder* r = &recorder_;
    driver.SetRequestListener(3000, [r](const Topic& t) { r->events.push_back("request " + t); });
    driver.SetPollListener(3000, [r](const Topic& t) { r->events.push_back("poll " + t); });
    driver.SetPushListListener(
        [r](const TopicList& l) { r->events.push_back("changed [" + Recorder::Join(l) + "]"); });
    driver.SetPushRefreshListener(25000, [r](const TopicList& l) {
        r->events.push_back("refresh [" + Recorder::Join(l) + "]");
    });
    driver.SetPushStartedListener([r](const Topic& t) { r->events.push_back("started " + t); });
    driver.SetPushRefreshedListener([r](const Topic& t) { r->events.push_back("refreshed " + t); });
}

void TestRemoteApiCallDriver::init() {
    HostClock::SetForTest(kStart);
    recorder_.events.clear();
    driver_ = std::make_unique<RemoteApiCallDriver<Topic>>(&callLock_);
    Wire(*driver_);
}

void TestRemoteApiCallDriver::cleanup() {
    driver_.reset();
}

void TestRemoteApiCallDriver::settersStartTimers() {
    RemoteApiCallDriver<Topic> bare(&callLock_);
    QCOMPARE(bare.AwaitingIntervalMs(), -1);
    QCOMPARE(bare.PushPurgeIntervalMs(), -1);
    QCOMPARE(driver_->AwaitingIntervalMs(), 3000);
    QCOMPARE(driver_->PollingIntervalMs(), 3000);
    QCOMPARE(driver_->PushRefreshIntervalMs(), 25000);
    QCOMPARE(driver_->PushPurgeIntervalMs(), 2000);
    QCOMPARE(driver_->findChildren<QTimer*>().size(), 4);
}

void TestRemoteApiCallDriver::activateUncachedRequestsAndLingersPush() {
    driver_->Activate("A", false);
    driver_->StartPush("A");
    driver_->Deactivate("A");
    recorder_.Take();
    HostClock::AdvanceForTest(500);
    driver_->Activate("A", false);
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"request A"}));
    QVERIFY(driver_->IsActive("A"));
    QCOMPARE(driver_->AwaitingSet().ExpiryOf("A"), qint64(0));
    // Not cached: the push entry is put on a fresh 2000 ms linger until an answer renews it.
    QCOMPARE(driver_->PushSet().ExpiryOf("A"), kStart + 500 + 2000);
}

void TestRemoteApiCallDriver::activateCachedRejoinsPolling() {
    driver_->Activate("A", false);
    driver_->MarkAnswered("A");
    driver_->Deactivate("A");
    recorder_.Take();
    HostClock::AdvanceForTest(1999);
    driver_->Activate("A", true);
    QVERIFY(recorder_.Take().empty());
    QCOMPARE(driver_->PollingSet().ExpiryOf("A"), qint64(0));
    QVERIFY(!driver_->AwaitingSet().Contains("A"));
}

void TestRemoteApiCallDriver::activateCachedRejoinsPushWithoutListRequest() {
    driver_->Activate("A", false);
    driver_->StartPush("A");
    driver_->Deactivate("A");
    recorder_.Take();
    HostClock::AdvanceForTest(1000);
    driver_->Activate("A", true);
    QVERIFY(recorder_.Take().empty());
    QCOMPARE(driver_->PushSet().ExpiryOf("A"), qint64(0));
}

void TestRemoteApiCallDriver::activateCachedReportsPushListWhenOthersExpired() {
    for (const char* t : {"A", "B"}) {
        driver_->Activate(t, false);
        driver_->StartPush(t);
    }
    driver_->Deactivate("B");
    HostClock::AdvanceForTest(100);
    driver_->Deactivate("A");
    HostClock::AdvanceForTest(1950);  // B expired, A still lingers
    recorder_.Take();
    driver_->Activate("A", true);
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"changed [A]"}));
}

void TestRemoteApiCallDriver::activateCachedInNoSetRequests() {
    driver_->Activate("A", true);
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"request A"}));
    QVERIFY(driver_->AwaitingSet().Contains("A"));
}

void TestRemoteApiCallDriver::deactivateLingersThenPurges() {
    driver_->Activate("A", false);
    driver_->Activate("P", false);
    driver_->MarkAnswered("P");
    driver_->Activate("S", false);
    driver_->StartPush("S");
    for (const char* t : {"A", "P", "S"}) {
        driver_->Deactivate(t);
    }
    QVERIFY(driver_->ActiveTopics().empty());
    QCOMPARE(driver_->AwaitingSet().ExpiryOf("A"), kStart + 2000);
    QCOMPARE(driver_->PollingSet().ExpiryOf("P"), kStart + 2000);
    QCOMPARE(driver_->PushSet().ExpiryOf("S"), kStart + 2000);
    recorder_.Take();
    HostClock::AdvanceForTest(1999);
    driver_->OnAwaitingTick();  // still lingering: re-requested
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"request A"}));
    HostClock::AdvanceForTest(1);
    driver_->OnAwaitingTick();
    driver_->OnPollingTick();
    QVERIFY(recorder_.Take().empty());
    QCOMPARE(driver_->AwaitingSet().Size(), 0);
    QCOMPARE(driver_->PollingSet().Size(), 0);
}

void TestRemoteApiCallDriver::markAnsweredMovesToPolling() {
    driver_->MarkAnswered("X");  // not active: no change
    QCOMPARE(driver_->PollingSet().Size(), 0);
    driver_->Activate("A", false);
    driver_->MarkAnswered("A");
    QVERIFY(!driver_->AwaitingSet().Contains("A"));
    QVERIFY(driver_->PollingSet().Contains("A"));
}

void TestRemoteApiCallDriver::startPushAnnouncesOnce() {
    driver_->StartPush("X");  // not active: no change, no event
    QVERIFY(recorder_.Take().empty());
    driver_->Activate("B", false);
    driver_->Activate("A", false);
    recorder_.Take();
    driver_->StartPush("B");
    driver_->StartPush("A");
    QCOMPARE(recorder_.Take(),
             (std::vector<std::string>{"changed [B]", "started B", "changed [A,B]", "started A"}));
    driver_->StartPush("A");  // already pushed: nothing new
    QVERIFY(recorder_.Take().empty());
    QVERIFY(!driver_->AwaitingSet().Contains("A"));
}

void TestRemoteApiCallDriver::reloadRequestsAgain() {
    driver_->Reload("X");
    QVERIFY(recorder_.Take().empty());
    driver_->Activate("A", false);
    driver_->MarkAnswered("A");
    driver_->Activate("B", false);
    driver_->StartPush("B");
    recorder_.Take();
    driver_->Reload("A");
    driver_->Reload("B");
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"request A", "request B"}));
    QVERIFY(!driver_->PollingSet().Contains("A"));
    QVERIFY(driver_->AwaitingSet().Contains("A"));
    QCOMPARE(driver_->PushSet().ExpiryOf("B"), kStart + 2000);
}

void TestRemoteApiCallDriver::awaitingTickRepeatsUntilAnswered() {
    driver_->Activate("B", false);
    driver_->Activate("A", false);
    recorder_.Take();
    driver_->OnAwaitingTick();
    driver_->OnAwaitingTick();
    QCOMPARE(recorder_.Take(),
             (std::vector<std::string>{"request A", "request B", "request A", "request B"}));
    driver_->MarkAnswered("A");
    driver_->OnAwaitingTick();
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"request B"}));
}

void TestRemoteApiCallDriver::pollingTickPollsAnswered() {
    driver_->Activate("A", false);
    driver_->Activate("B", false);
    driver_->MarkAnswered("B");
    recorder_.Take();
    driver_->OnPollingTick();
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"poll B"}));
}

void TestRemoteApiCallDriver::pushRefreshTickRefreshesOrReportsChange() {
    for (const char* t : {"A", "B"}) {
        driver_->Activate(t, false);
        driver_->StartPush(t);
    }
    recorder_.Take();
    driver_->OnPushRefreshTick();
    QCOMPARE(recorder_.Take(),
             (std::vector<std::string>{"refresh [A,B]", "refreshed A", "refreshed B"}));
    driver_->Deactivate("A");
    HostClock::AdvanceForTest(2000);
    driver_->OnPushRefreshTick();
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"changed [B]", "refreshed B"}));
}

void TestRemoteApiCallDriver::pushRefreshTickWithEmptyList() {
    driver_->OnPushRefreshTick();
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"refresh []"}));
    driver_->Activate("A", false);
    driver_->StartPush("A");
    driver_->Deactivate("A");
    HostClock::AdvanceForTest(2000);
    recorder_.Take();
    driver_->OnPushRefreshTick();  // the last push topic expired: an empty changed list
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"changed []"}));
}

void TestRemoteApiCallDriver::pushPurgeTickReportsOnlyChanges() {
    driver_->Activate("A", false);
    driver_->StartPush("A");
    driver_->Activate("B", false);
    driver_->StartPush("B");
    recorder_.Take();
    driver_->OnPushPurgeTick();
    QVERIFY(recorder_.Take().empty());
    driver_->Deactivate("B");
    HostClock::AdvanceForTest(1999);
    driver_->OnPushPurgeTick();
    QVERIFY(recorder_.Take().empty());
    HostClock::AdvanceForTest(1);
    driver_->OnPushPurgeTick();
    QCOMPARE(recorder_.Take(), (std::vector<std::string>{"changed [A]"}));
}

void TestRemoteApiCallDriver::listenersRunUnderCallLock() {
    std::vector<bool> lockFreeElsewhere;
    auto probe = [this, &lockFreeElsewhere](const Topic&) {
        // Another thread must not get the call lock while a listener runs.
        auto other = std::async(std::launch::async, [this] {
            const bool got = callLock_.tryLock();
            if (got) {
                callLock_.unlock();
            }
            return got;
        });
        lockFreeElsewhere.push_back(other.get());
    };
    driver_->SetRequestListener(3000, probe);
    driver_->SetPollListener(3000, probe);
    driver_->Activate("A", false);
    driver_->OnAwaitingTick();
    driver_->MarkAnswered("A");
    driver_->OnPollingTick();
    QCOMPARE(lockFreeElsewhere, (std::vector<bool>{false, false, false}));
}

void TestRemoteApiCallDriver::timerDrivesTick() {
    int requests = 0;
    driver_->SetRequestListener(5, [&requests](const Topic&) { ++requests; });
    driver_->Activate("A", false);
    QTRY_VERIFY_WITH_TIMEOUT(requests >= 3, 5000);
}

QTEST_GUILESS_MAIN(TestRemoteApiCallDriver)
#include "tst_remoteapicalldriver.moc"
