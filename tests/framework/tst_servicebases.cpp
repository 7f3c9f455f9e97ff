// The two bases every service family builds on: the remote call (subscriptions, replay, delivery
// to the host's queue, its driver, shutdown order) and the scope resolver (the split it answers).
#include <QtTest>

#include <QElapsedTimer>

#include <memory>
#include <set>
#include <string>

#include "framework/RemoteApiCallBase.h"
#include "framework/RequestParamsBuilder.h"
#include "framework/ScopeResolverBase.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/core/HostClock.h"

namespace {

// A tiny service over a made-up function: the request names a stock, the answer is "code:value".
constexpr int kFuncId = 19999;
constexpr qint64 kStart = 1700000000000;  // ms since the epoch
const QString kService = QStringLiteral("test-quote");
int g_deletedTopics = 0;  // topics the test call saw lose their last subscriber

struct TestTraits {
    using Topic = std::string;
    using Package = QSharedPointer<QuoteData>;  // the value in row "value"
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
        RegisterReceiver(kFuncId, [this](const Resp_s& resp) { OnResponse(resp); });
    }

    void Init() override {
        QMutexLocker locker(&callLock_);
        supportedTypes_.Insert("19999");
        RegisterReplayListener();
        auto request = [this](const Topic& topic) { Request(topic); };
        if (!withDriver_) {
            SetTopicListeners(request, [](const Topic&) { ++g_deletedTopics; });
            return;
        }
        Driver& driver = EnableDriver();
        driver.SetRequestListener(3000, request);
        driver.SetPollListener(3000, request);
    }

private:
    void Request(const Topic& topic) {
        accessor_->AppendTaskByParams(kFuncId, 0, QSharedPointer<ProcessContext_s>(),
                                      RequestParamsBuilder().String(QString::fromStdString(topic)));
    }

    void OnResponse(const Resp_s& resp) {
        const std::string code = resp.body.split(':').value(0).toStdString();
        auto package = QSharedPointer<QuoteData>::create();
        package->row.Set(
            "value", nscell::UnsharedDataCell::FromInteger(resp.body.split(':').value(1).toInt()));
        StoreAndPublish(code, package);
        if (GetDriver() != nullptr) {
            GetDriver()->MarkAnswered(code);
        }
    }

    const bool withDriver_;
};

ScopeTreeNode NodeFor(const QString& code) {
    ScopeTreeNode node("qz_test_19999");
    node.api_type = "19999";
    node.stock_list = StockListExpression::FromStockCode(code);
    return node;
}

// Accepts "test_scope" and splits it into one remote-call child "qz_test_19999" (API type
// "19999").
class TestResolver : public ScopeResolverBase {
public:
    using ScopeResolverBase::ResetTables;
    using ScopeResolverBase::ScopeResolverBase;

    void Init() override {
        ResetTables({"test_scope"});
        AddJoinMethod(JoinMethodKey("test_scope", ScopeSplitTypeVariant(8), "qz_test_19999"),
                      [](ScopeTreeNode&, const ScopeTreeNode&) { return JoinMethodResult(true); });
    }

    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override {
        const bool mine = node.scope_type == ScopeTypeVariant("test_scope");
        if (mine) {
            FillResult(result, SplitCopy(node), {MakeChild(node, "qz_test_19999", "19999")});
        }
        return mine;
    }
};

}  // namespace

class TestServiceBases : public QObject {
    Q_OBJECT

private slots:
    void init() { Start(QuoteContext::kDefaultMidResultCapacity); }
    void cleanup();

    void nodesShareOneRequestLateOnesGetReplay();
    void detachAndReplaceUndoSubscriptions();
    void fullQueueDropsAfterTenMs();
    void driverFollowsSubscriptions();
    void shutdownInEitherOrder();

    void resolverSplitsIntoChildren();

private:
    void Start(int queueCapacity);
    void AnswerFirstRequest(const QString& code, qint32 value);
    QPair<int, int> PopNow();  // (scope id, value) of the next delivery
    int QueueSize() { return context_->GetQuoteTaskExecMidResultQueue().Size(); }

    std::shared_ptr<ScriptedServerBackend> backend_;
    std::unique_ptr<QuoteContext> context_;
    QuoteDataSourceHandlerConfiguration configuration_;
    std::unique_ptr<CHQOWNServerAccesser> accessor_;
    std::unique_ptr<TestCall> call_;
};

void TestServiceBases::Start(int queueCapacity) {
    call_.reset();
    accessor_.reset();
    backend_ = std::make_shared<ScriptedServerBackend>();
    ServerBackendRegistry::Install(kService, backend_);
    context_ = std::make_unique<QuoteContext>(queueCapacity);
    configuration_.context = context_.get();
    accessor_ = std::make_unique<CHQOWNServerAccesser>(kService, nullptr, 0);
    call_ = std::make_unique<TestCall>(&configuration_, accessor_.get());
    call_->Init();
}

void TestServiceBases::cleanup() {
    call_.reset();
    accessor_.reset();
    ServerBackendRegistry::Clear();
    HostClock::UseSystemClock();
}

void TestServiceBases::AnswerFirstRequest(const QString& code, qint32 value) {
    QVERIFY(backend_->WaitForRequests(1, 5000));
    const ServerRequest request = backend_->Requests().first();
    QVERIFY(backend_->Answer(request, (code + ':' + QString::number(value)).toUtf8()));
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(code.toStdString()), 5000);
}

QPair<int, int> TestServiceBases::PopNow() {
    QuoteTaskExecMidResult result;
    context_->GetQuoteTaskExecMidResultQueue().Pop(result, 0);
    return qMakePair(result.scope_id,
                     result.data ? int(result.data->row.Get("value").ToInt64()) : -1);
}

void TestServiceBases::nodesShareOneRequestLateOnesGetReplay() {
    QCOMPARE(call_->GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{"19999"}));
    const ScopeTreeNode first = NodeFor("SH600000");
    const ScopeTreeNode second = NodeFor("SH600000");
    call_->AttachNode(first);
    call_->AttachNode(second);
    QVERIFY(backend_->WaitForRequests(1, 5000));
    QCOMPARE(QueueSize(), 0);  // nothing cached: nothing replayed
    AnswerFirstRequest("SH600000", 7);
    QTRY_COMPARE_WITH_TIMEOUT(QueueSize(), 2, 5000);
    QCOMPARE((std::set<QPair<int, int>>{PopNow(), PopNow()}),
             (std::set<QPair<int, int>>{{first.scope_id, 7}, {second.scope_id, 7}}));
    const ScopeTreeNode late = NodeFor("SH600000");
    call_->AttachNode(late);  // the cached package is replayed inside the attach, to it alone
    QCOMPARE(QueueSize(), 1);
    QCOMPARE(PopNow(), qMakePair(late.scope_id, 7));
    QCOMPARE(backend_->Requests().size(), 1);
}

void TestServiceBases::detachAndReplaceUndoSubscriptions() {
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

void TestServiceBases::fullQueueDropsAfterTenMs() {
    Start(1);
    call_->AttachNode(NodeFor("SH600000"));
    auto package = QSharedPointer<QuoteData>::create();
    call_->GetPublisher().Publish("SH600000", package);
    QElapsedTimer elapsed;
    elapsed.start();
    call_->GetPublisher().Publish("SH600000", package);  // no room: waits, then drops
    QVERIFY2(elapsed.elapsed() >= 9, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(QueueSize(), 1);
    QCOMPARE(context_->GetQuoteTaskExecMidResultQueue().DroppedCount(), qint64(1));
}

void TestServiceBases::driverFollowsSubscriptions() {
    HostClock::SetForTest(kStart);
    call_ = std::make_unique<TestCall>(&configuration_, accessor_.get(), true);
    call_->Init();
    const ScopeTreeNode node = NodeFor("SH600000");
    call_->AttachNode(node);
    auto* driver = call_->GetDriver();
    QVERIFY(driver->AwaitingSet().Contains("SH600000"));
    AnswerFirstRequest("SH600000", 3);
    QTRY_VERIFY_WITH_TIMEOUT(driver->PollingSet().Contains("SH600000"), 5000);
    driver->OnPollingTick();
    QVERIFY(backend_->WaitForRequests(2, 5000));
    call_->DetachNode(node);
    QCOMPARE(driver->PollingSet().ExpiryOf("SH600000"), kStart + 2000);
    // Subscribed again while cached: it rejoins polling without a new request.
    call_->AttachNode(NodeFor("SH600000"));
    QCOMPARE(driver->PollingSet().ExpiryOf("SH600000"), qint64(0));
    QCOMPARE(backend_->Requests().size(), 2);
}

void TestServiceBases::shutdownInEitherOrder() {
    g_deletedTopics = 0;
    auto other = std::make_unique<TestCall>(&configuration_, accessor_.get());
    other->Init();
    other->AttachNode(NodeFor("SZ000001"));
    call_->AttachNode(NodeFor("SH600000"));
    QVERIFY(backend_->WaitForRequests(2, 5000));
    call_.reset();  // undoes its subscription without reaching the (derived) listeners
    for (const ServerRequest& request : backend_->Requests()) {  // too late for call_: dropped
        backend_->Answer(request, "SH600000:1");
    }
    accessor_.reset();  // joins the accessor's thread after whatever it still delivers
    other.reset();      // its accessor went first: it must not reach it when it goes
    QCOMPARE(g_deletedTopics, 0);
    QCOMPARE(QueueSize(), 0);
}

void TestServiceBases::resolverSplitsIntoChildren() {
    HandlerConfiguration configuration;
    TestResolver resolver(&configuration);
    resolver.ResetTables({"old_scope"});
    resolver.Init();
    resolver.Init();  // Init again starts over: no duplicate joins, no stale types
    QCOMPARE(resolver.GetJoinMethodList().size(), 1);
    QCOMPARE(resolver.GetSupportedTypeSet(), std::set<ScopeTypeVariant>{"test_scope"});
    ScopeResolveResult result;
    QVERIFY(!resolver.Resolve(result, ScopeTreeNode(2)));
    QVERIFY(result.IsEmpty());
    ScopeTreeNode node("test_scope");
    node.shared_block = {{11, 22}};
    QVERIFY(resolver.Resolve(result, node));
    QCOMPARE(result.replacement_nodes.size(), 1);
    QCOMPARE(result.replacement_nodes.at(0).split_type.Value(), 8);
    QCOMPARE(result.fetch_nodes.size(), 1);
    const ScopeTreeNode& child = result.fetch_nodes.at(0);
    QCOMPARE(child.parent_scope_id, node.scope_id);
    QCOMPARE(child.scope_type, ScopeTypeVariant("qz_test_19999"));
    QCOMPARE(child.api_type, ScopeTypeVariant("19999"));
    QCOMPARE(child.shared_block, node.shared_block);
}

QTEST_GUILESS_MAIN(TestServiceBases)
#include "tst_servicebases.moc"
