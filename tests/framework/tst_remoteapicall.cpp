// The remote call: its driver's events and locking, and the call base. The driver's timing, as
// each call runs it on the host timer queue, is tests/services/tst_callschedules.
#include <QtTest>

#include <list>
#include <memory>
#include <string>

#include "framework/RemoteApiCallBase.h"
#include "framework/RemoteApiCallDriver.h"
#include "framework/RequestParamsBuilder.h"
#include "host/core/HostClock.h"
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

// Requests on its topic listeners.
class TestCall : public RemoteApiCallBase<TestTraits> {
public:
    TestCall(QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
        : RemoteApiCallBase(configuration, accessor, 10) {
        QMutexLocker locker(&callLock_);
        RegisterSerial(kFuncId);
        RegisterReceiver(kFuncId, [this](const Resp_s& resp) {
            const std::string code = resp.body.toStdString();  // the answer is just the code
            StoreAndPublish(code, QSharedPointer<QuoteData>::create());
        });
    }

    void Init() override {
        QMutexLocker locker(&callLock_);
        supportedTypes_.Insert("19999");
        RegisterReplayListener();
        SetTopicListeners(
            [this](const Topic& topic) {
                accessor_->AppendTaskByParams(
                    kFuncId, 0, {}, RequestParamsBuilder().String(QString::fromStdString(topic)));
            },
            [](const Topic&) { ++g_deletedTopics; });
    }
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
    QMutex callLock_{QMutex::Recursive};
    QStringList events_;
    std::unique_ptr<RemoteApiCallDriver<Topic>> driver_;
    calltest::Harness h_;
    std::unique_ptr<TestCall> call_;
};

QTEST_GUILESS_MAIN(TestRemoteApiCall)
#include "tst_remoteapicall.moc"
