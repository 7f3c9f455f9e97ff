// The remote call: its driver (the timed topic sets), the recent request set and the call base.
#include <QtTest>

#include <future>
#include <list>
#include <memory>
#include <string>
#include <tuple>

#include "framework/RecentRequestSet.h"
#include "framework/RemoteApiCallBase.h"
#include "framework/RemoteApiCallDriver.h"
#include "framework/RequestParamsBuilder.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "tests/services/CallTestSupport.h"

namespace {

constexpr qint64 kStart = 1700000000000;  // ms since the epoch
using Topic = std::string;
using TopicList = std::list<Topic>;

QString Join(const TopicList& list) {
    QStringList texts;
    for (const Topic& topic : list)
        texts << QString::fromStdString(topic);
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

// A tiny service over a made-up function: the request names a stock, so does the answer.
constexpr int kFuncId = 19999;
int g_deletedTopics = 0;  // topics the test call saw lose their last subscriber

struct TestTraits {
    using Topic = std::string;
    using Package = QSharedPointer<QuoteData>;
    using CacheKey = Topic;
    using CacheValue = Package;
    static Topic TopicOf(const ScopeTreeNode& node) {
        return node.stock_list.GetStockCode().toStdString();
    }
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package; }
};

// Requests on its topic listeners, or (withDriver) requested until answered, then polled.
class TestCall : public RemoteApiCallBase<TestTraits> {
public:
    TestCall(QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor,
             bool withDriver = false)
        : RemoteApiCallBase(configuration, accessor, 10), withDriver_(withDriver) {
        QMutexLocker locker(&callLock_);
        RegisterSerial(kFuncId);
        RegisterReceiver(kFuncId, [this](const Resp_s& resp) {
            const std::string code = resp.body.toStdString();  // the answer is just the code
            StoreAndPublish(code, QSharedPointer<QuoteData>::create());
            if (GetDriver() != nullptr)
                GetDriver()->MarkAnswered(code);
        });
    }

    void Init() override {
        QMutexLocker locker(&callLock_);
        supportedTypes_.Insert("19999");
        RegisterReplayListener();
        auto request = [this](const Topic& topic) {
            accessor_->AppendTaskByParams(
                kFuncId, 0, {}, RequestParamsBuilder().String(QString::fromStdString(topic)));
        };
        if (!withDriver_) {
            SetTopicListeners(request, [](const Topic&) { ++g_deletedTopics; });
            return;
        }
        Driver& driver = EnableDriver();
        driver.SetRequestListener(3000, request);
        driver.SetPollListener(3000, request);
    }

private:
    const bool withDriver_;
};

ScopeTreeNode NodeFor(const QString& code) {
    ScopeTreeNode node("qz_test_19999");
    node.api_type = "19999";
    node.stock_list = StockListExpression::FromStockCode(code);
    return node;
}

}  // namespace

class TestRemoteApiCall : public QObject {
    Q_OBJECT

private slots:
    void init() {
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
        driver_->SetPushRefreshListener(25000,
                                        [e](const TopicList& l) { *e << "refresh " + Join(l); });
        driver_->SetPushStartedListener(topicEvent("started"));
        driver_->SetPushRefreshedListener(topicEvent("refreshed"));
        h_.Start("test-quote");
        call_ = h_.Make<TestCall>();
    }

    void cleanup() {
        driver_.reset();
        call_.reset();
        h_.Stop();
    }

    void cleanupTestCase() { HostClock::UseSystemClock(); }

    void recentRequestsSuppressRepeatsForTheWindow() {
        RecentRequestSet<TestKey> set;  // "now" from HostClock
        QVERIFY(set.TrimAndInsert(TestKey{"SH600000", kStart}));
        QVERIFY(set.TrimAndInsert(TestKey{"SZ000001", kStart}));
        HostClock::AdvanceForTest(2500);
        QVERIFY(!set.TrimAndInsert(TestKey{"SH600000", kStart + 2500}));
        QVERIFY(!set.TrimAndInsert(TestKey{"SH600000", kStart + 3000}, kStart + 3000));
        QCOMPARE(set.Size(), 2);
        QVERIFY(set.TrimAndInsert(TestKey{"SH600000", kStart + 3001}, kStart + 3001));
    }

    void activateRejoinsOrRequests_data() {
        QTest::addColumn<int>("answer");  // 0: none yet, 1: a snapshot answer, 2: a push answer
        QTest::addColumn<bool>("cached");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("awaiting: requested again") << 0 << true << QStringList{"request A"};
        QTest::newRow("polled: no request") << 1 << true << QStringList{};
        QTest::newRow("pushed: no list change") << 2 << true << QStringList{};
        QTest::newRow("pushed, not cached: requested") << 2 << false << QStringList{"request A"};
    }

    void activateRejoinsOrRequests() {
        QFETCH(int, answer);
        QFETCH(bool, cached);
        QFETCH(QStringList, events);
        driver_->Activate("A", false);
        if (answer == 1)
            driver_->MarkAnswered("A");
        else if (answer == 2)
            driver_->StartPush("A");
        driver_->Deactivate("A");
        HostClock::AdvanceForTest(1999);
        Take();
        driver_->Activate("A", cached);
        QCOMPARE(Take(), events);
        QVERIFY(driver_->IsActive("A"));
        const TimedTopicSet<Topic>* sets[] = {&driver_->AwaitingSet(), &driver_->PollingSet(),
                                              &driver_->PushSet()};
        QCOMPARE(sets[cached ? answer : 0]->ExpiryOf("A"), qint64(0));
        if (!cached)  // the push entry lingers afresh until an answer renews it
            QCOMPARE(driver_->PushSet().ExpiryOf("A"), kStart + 1999 + 2000);
    }

    void startPushAnnouncesOnceReloadAsksAgain() {
        for (const char* t : {"C", "B", "A"})
            driver_->Activate(t, false);
        driver_->MarkAnswered("C");
        Take();
        driver_->StartPush("B");
        driver_->StartPush("A");
        driver_->StartPush("A");  // already pushed: nothing new
        driver_->StartPush("X");  // not active: ignored
        QCOMPARE(Take(), (QStringList{"changed [B]", "started B", "changed [A,B]", "started A"}));
        QVERIFY(!driver_->AwaitingSet().Contains("A"));
        driver_->Reload("C");
        driver_->Reload("X");  // not active: ignored
        driver_->Reload("B");
        QCOMPARE(Take(), (QStringList{"request C", "request B"}));
        QVERIFY(!driver_->PollingSet().Contains("C"));
        QVERIFY(driver_->AwaitingSet().Contains("C"));
        QCOMPARE(driver_->PushSet().ExpiryOf("B"), kStart + 2000);  // lingers until answered
    }

    void ticksFollowTheSetsAndLingerAfterDeactivate() {
        for (const char* t : {"B", "A", "C"})
            driver_->Activate(t, false);
        driver_->MarkAnswered("C");
        driver_->MarkAnswered("X");  // not active: ignored
        Take();
        QCOMPARE(Ticks(), (QStringList{"request A", "request B", "poll C"}));
        driver_->MarkAnswered("A");  // repeated until answered, then polled
        const QStringList asked{"request B", "poll A", "poll C"};
        QCOMPARE(Ticks(), asked);
        for (const char* t : {"A", "B", "C"})
            driver_->Deactivate(t);
        QCOMPARE(driver_->AwaitingSet().ExpiryOf("B"), kStart + 2000);
        QCOMPARE(driver_->PollingSet().ExpiryOf("A"), kStart + 2000);
        HostClock::AdvanceForTest(1999);
        QCOMPARE(Ticks(), asked);  // still lingering: asked as before
        HostClock::AdvanceForTest(1);
        QVERIFY(Ticks().isEmpty());
    }

    void pushTicksRefreshOrAnnounceChanges() {
        driver_->OnPushRefreshTick();
        QCOMPARE(Take(), QStringList{"refresh []"});
        for (const char* t : {"A", "B", "C"}) {
            driver_->Activate(t, false);
            driver_->StartPush(t);
        }
        driver_->Deactivate("C");
        Take();
        driver_->OnPushRefreshTick();
        QCOMPARE(Take(),
                 (QStringList{"refresh [A,B,C]", "refreshed A", "refreshed B", "refreshed C"}));
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

    void listenersRunUnderCallLock() {
        QList<bool> lockFreeElsewhere;
        auto probe = [this, &lockFreeElsewhere](const Topic&) {  // may another thread get the lock?
            lockFreeElsewhere << std::async(std::launch::async, [this] {
                                     return callLock_.tryLock() ? (callLock_.unlock(), true)
                                                                : false;
                                 }).get();
        };
        driver_->SetRequestListener(3000, probe);
        driver_->SetPollListener(3000, probe);
        driver_->Activate("A", false);
        driver_->OnAwaitingTick();
        driver_->MarkAnswered("A");
        driver_->OnPollingTick();
        QCOMPARE(lockFreeElsewhere, (QList<bool>{false, false, false}));
    }

    void settersStartTimersThatDriveTicks() {
        int requests = 0;
        driver_->SetRequestListener(5, [&requests](const Topic&) { ++requests; });
        driver_->Activate("A", false);
        const int first = requests;
        HostTimerQueue::AdvanceClockBy(4);
        QCOMPARE(requests, first);
        HostTimerQueue::AdvanceClockBy(11);
        QCOMPARE(requests - first, 3);  // at 5, 10 and 15 ms
    }

    void detachAndReplaceUndoSubscriptions() {
        g_deletedTopics = 0;
        const ScopeTreeNode first = NodeFor("SH600000");
        const ScopeTreeNode second = NodeFor("SH600000");
        call_->AttachNode(first);
        call_->AttachNode(second);
        call_->DetachNode(NodeFor("SH600000"));  // never attached: ignored
        QCOMPARE(call_->AttachedNodeCount(), 2);
        call_->DetachNode(first);
        QCOMPARE(call_->GetPublisher().SubscriberCount("SH600000"), 1);
        ScopeTreeNode moved = second;  // the same scope id again, on another stock, replaces
        moved.stock_list = StockListExpression::FromStockCode("SZ000001");
        call_->AttachNode(moved);
        QCOMPARE(call_->AttachedNodeCount(), 1);
        QVERIFY(!call_->GetPublisher().HasTopic("SH600000"));
        call_->DetachNode(moved);
        QVERIFY(call_->GetPublisher().Topics().empty());
        QCOMPARE(g_deletedTopics, 2);  // each topic once, when its last subscriber left
    }

    void callDriverFollowsSubscriptions() {
        call_ = std::make_unique<TestCall>(&h_.configuration, h_.accessor.get(), true);
        call_->Init();
        const ScopeTreeNode node = NodeFor("SH600000");
        call_->AttachNode(node);
        auto* driver = call_->GetDriver();
        QVERIFY(h_.backend->WaitForRequests(1, 5000));
        QVERIFY(h_.backend->Answer(h_.backend->Requests().first(), "SH600000"));
        QTRY_VERIFY_WITH_TIMEOUT(driver->PollingSet().Contains("SH600000"), 5000);
        call_->DetachNode(node);
        QCOMPARE(driver->PollingSet().ExpiryOf("SH600000"), kStart + 2000);
        call_->AttachNode(NodeFor("SH600000"));
        QCOMPARE(driver->PollingSet().ExpiryOf("SH600000"), qint64(0));
        QCOMPARE(h_.backend->Requests().size(), 1);
    }

    void shutdownInEitherOrder() {
        g_deletedTopics = 0;
        auto other = h_.Make<TestCall>();
        other->AttachNode(NodeFor("SZ000001"));
        call_->AttachNode(NodeFor("SH600000"));
        QVERIFY(h_.backend->WaitForRequests(2, 5000));
        call_.reset();  // undoes its subscription without reaching the (derived) listeners
        for (const ServerRequest& request : h_.backend->Requests())  // too late for call_
            h_.backend->Answer(request, "SH600000");
        h_.accessor.reset();  // joins the accessor's thread after whatever it still delivers
        other.reset();        // its accessor went first: it must not reach it when it goes
        QCOMPARE(g_deletedTopics, 0);
        QCOMPARE(h_.Queued(), 0);
    }

private:
    QStringList Take() { return std::exchange(events_, {}); }
    QStringList Ticks() {  // the awaiting then the polling tick
        driver_->OnAwaitingTick();
        driver_->OnPollingTick();
        return Take();
    }

    QMutex callLock_{QMutex::Recursive};
    QStringList events_;
    std::unique_ptr<RemoteApiCallDriver<Topic>> driver_;
    calltest::Harness h_;
    std::unique_ptr<TestCall> call_;
};

QTEST_GUILESS_MAIN(TestRemoteApiCall)
#include "tst_remoteapicall.moc"
