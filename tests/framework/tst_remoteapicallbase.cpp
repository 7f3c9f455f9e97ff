#include <QtTest>

#include <QElapsedTimer>

#include <memory>
#include <set>
#include <string>

#include "framework/RemoteApiCallBase.h"
#include "framework/RequestParamsBuilder.h"
#include "framework/WireReader.h"
#include "framework/WireWriter.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/core/CMemArchive.h"
#include "host/core/HostClock.h"

namespace {

// A tiny service over a made-up function: the request names a stock, the answer carries the
// code (u16 length + bytes) and one i32 value.
constexpr int kFuncId = 19999;
const QString kService = QStringLiteral("test-quote");
int g_deletedTopics = 0;  // topics the test call saw lose their last subscriber

struct TestEntity : QuoteData {
    int value = 0;
    TestEntity* Clone() const override { return new TestEntity(*this); }
};

struct TestTraits {
    using Topic = std::string;
    using Package = QSharedPointer<TestEntity>;
    using CacheKey = Topic;
    using CacheValue = Package;
    static Topic TopicOf(const ScopeTreeNode& node) {
        return node.stock_list.GetStockCode().toStdString();
    }
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package; }
};

class TestCall : public RemoteApiCallBase<TestTraits> {
public:
    TestCall(QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
        : RemoteApiCallBase(configuration, accessor, 10) {
        QMutexLocker locker(&callLock_);
        RegisterSerial(kFuncId);
        RegisterReceiver(kFuncId, [this](const Resp_s& resp) { OnResponse(resp); });
    }

    void Init() override {
        QMutexLocker locker(&callLock_);
        supportedTypes_.Insert("19999");
        RegisterReplayListener();
        SetTopicListeners([this](const Topic& topic) { Request(topic); },
                          [](const Topic&) { ++g_deletedTopics; });
    }

protected:
    void Request(const Topic& topic) {
        accessor_->AppendTaskByParams(kFuncId, 0, QSharedPointer<ProcessContext_s>(),
                                      RequestParamsBuilder().String(QString::fromStdString(topic)));
    }

    void OnResponse(const Resp_s& resp) {
        CMemArchive archive(resp.body);
        const QString code = wire::ReadString(archive);
        auto package = QSharedPointer<TestEntity>::create();
        package->value = archive.Read<qint32>();
        StoreAndPublish(code.toStdString(), package);
        if (GetDriver() != nullptr) {
            GetDriver()->MarkAnswered(code.toStdString());
        }
    }
};

// The same service scheduled by a driver: requested until answered, then polled.
class DriverCall : public TestCall {
public:
    using TestCall::TestCall;

    void Init() override {
        QMutexLocker locker(&callLock_);
        supportedTypes_.Insert("19999");
        RegisterReplayListener();
        Driver& driver = EnableDriver();
        driver.SetRequestListener(3000, [this](const Topic& topic) { Request(topic); });
        driver.SetPollListener(3000, [this](const Topic& topic) { Request(topic); });
    }
};

QByteArray AnswerBody(const QString& code, qint32 value) {
    MemoryArchiveWriter writer;
    wire::WriteString(writer, code);
    writer.Write<qint32>(value);
    return writer.Data();
}

ScopeTreeNode NodeFor(const QString& code) {
    ScopeTreeNode node("qz_test_19999");
    node.api_type = "19999";
    node.stock_list = StockListExpression::FromStockCode(code);
    return node;
}

QuoteTaskExecMidResult PopNow(QuoteContext& context) {
    QuoteTaskExecMidResult result;
    context.GetQuoteTaskExecMidResultQueue().Pop(result, 0);
    return result;
}

int ValueOf(const QuoteTaskExecMidResult& result) {
    auto entity = result.data.dynamicCast<TestEntity>();
    return entity ? entity->value : -1;
}

}  // namespace

class TestRemoteApiCallBase : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void supportedTypesAfterInit();
    void twoNodesOnOneTopicShareOneRequest();
    void lateSubscriberReplayReachesOnlyItself();
    void uncachedTopicReplaysNothing();
    void detachUndoesAttach();
    void attachingSameScopeIdReplaces();
    void fullQueueDropsAfterTenMs();
    void answersAfterDestructionAreDropped();
    void driverFollowsSubscriptions();
    void accessorGoneBeforeCall();
    void destructionCallsNoListener();

private:
    void Start(int queueCapacity);
    void AnswerFirstRequest(const QString& code, qint32 value);

    std::shared_ptr<ScriptedServerBackend> backend_;
    std::unique_ptr<QuoteContext> context_;
    QuoteDataSourceHandlerConfiguration configuration_;
    std::unique_ptr<CHQOWNServerAccesser> accessor_;
    std::unique_ptr<TestCall> call_;
};

void TestRemoteApiCallBase::init() {
    Start(QuoteContext::kDefaultMidResultCapacity);
}

void TestRemoteApiCallBase::Start(int queueCapacity) {
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

void TestRemoteApiCallBase::cleanup() {
    call_.reset();
    accessor_.reset();
    ServerBackendRegistry::Clear();
}

void TestRemoteApiCallBase::AnswerFirstRequest(const QString& code, qint32 value) {
    QVERIFY(backend_->WaitForRequests(1, 5000));
    const ServerRequest request = backend_->Requests().first();
    QCOMPARE(request.params.first().second.toString(), code);
    QVERIFY(backend_->Answer(request, AnswerBody(code, value)));
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(code.toStdString()), 5000);
}

void TestRemoteApiCallBase::supportedTypesAfterInit() {
    QCOMPARE(call_->GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{"19999"}));
}

void TestRemoteApiCallBase::twoNodesOnOneTopicShareOneRequest() {
    const ScopeTreeNode first = NodeFor("SH600000");
    const ScopeTreeNode second = NodeFor("SH600000");
    call_->AttachNode(first);
    call_->AttachNode(second);
    AnswerFirstRequest("SH600000", 7);
    auto& queue = context_->GetQuoteTaskExecMidResultQueue();
    QTRY_COMPARE_WITH_TIMEOUT(queue.Size(), 2, 5000);
    const QuoteTaskExecMidResult a = PopNow(*context_);
    const QuoteTaskExecMidResult b = PopNow(*context_);
    QCOMPARE((std::set<int>{a.scope_id, b.scope_id}),
             (std::set<int>{first.scope_id, second.scope_id}));
    QCOMPARE(ValueOf(a), 7);
    QCOMPARE(ValueOf(b), 7);
    QCOMPARE(backend_->Requests().size(), 1);
    QCOMPARE(call_->GetPublisher().SubscriberCount("SH600000"), 2);
}

void TestRemoteApiCallBase::lateSubscriberReplayReachesOnlyItself() {
    call_->AttachNode(NodeFor("SH600000"));
    AnswerFirstRequest("SH600000", 7);
    auto& queue = context_->GetQuoteTaskExecMidResultQueue();
    QTRY_COMPARE_WITH_TIMEOUT(queue.Size(), 1, 5000);
    PopNow(*context_);

    const ScopeTreeNode late = NodeFor("SH600000");
    call_->AttachNode(late);  // the replay happens inside the attach
    QCOMPARE(queue.Size(), 1);
    const QuoteTaskExecMidResult replayed = PopNow(*context_);
    QCOMPARE(replayed.scope_id, late.scope_id);
    QCOMPARE(ValueOf(replayed), 7);
    QCOMPARE(backend_->Requests().size(), 1);  // the topic was already requested
}

void TestRemoteApiCallBase::uncachedTopicReplaysNothing() {
    call_->AttachNode(NodeFor("SZ000001"));
    QVERIFY(backend_->WaitForRequests(1, 5000));
    QCOMPARE(context_->GetQuoteTaskExecMidResultQueue().Size(), 0);
}

void TestRemoteApiCallBase::detachUndoesAttach() {
    const ScopeTreeNode first = NodeFor("SH600000");
    const ScopeTreeNode second = NodeFor("SH600000");
    call_->AttachNode(first);
    call_->AttachNode(second);
    call_->DetachNode(NodeFor("SH600000"));  // never attached: ignored
    QCOMPARE(call_->AttachedNodeCount(), 2);
    call_->DetachNode(first);
    QCOMPARE(call_->GetPublisher().SubscriberCount("SH600000"), 1);
    call_->DetachNode(second);
    QCOMPARE(call_->AttachedNodeCount(), 0);
    QVERIFY(!call_->GetPublisher().HasTopic("SH600000"));
    auto package = QSharedPointer<TestEntity>::create();
    call_->GetPublisher().Publish("SH600000", package);
    QCOMPARE(context_->GetQuoteTaskExecMidResultQueue().Size(), 0);
}

void TestRemoteApiCallBase::attachingSameScopeIdReplaces() {
    ScopeTreeNode node = NodeFor("SH600000");
    call_->AttachNode(node);
    ScopeTreeNode moved = node;  // same scope id, another stock
    moved.stock_list = StockListExpression::FromStockCode("SZ000001");
    call_->AttachNode(moved);
    QCOMPARE(call_->AttachedNodeCount(), 1);
    QVERIFY(!call_->GetPublisher().HasTopic("SH600000"));
    QCOMPARE(call_->GetPublisher().SubscriberCount("SZ000001"), 1);
    call_->DetachNode(moved);
    QVERIFY(call_->GetPublisher().Topics().empty());
}

void TestRemoteApiCallBase::fullQueueDropsAfterTenMs() {
    Start(1);
    const ScopeTreeNode node = NodeFor("SH600000");
    call_->AttachNode(node);
    auto package = QSharedPointer<TestEntity>::create();
    call_->GetPublisher().Publish("SH600000", package);
    QElapsedTimer elapsed;
    elapsed.start();
    call_->GetPublisher().Publish("SH600000", package);  // no room: waits, then drops
    QVERIFY2(elapsed.elapsed() >= 9, qPrintable(QString::number(elapsed.elapsed())));
    auto& queue = context_->GetQuoteTaskExecMidResultQueue();
    QCOMPARE(queue.Size(), 1);
    QCOMPARE(queue.DroppedCount(), qint64(1));
    PopNow(*context_);
    call_->GetPublisher().Publish("SH600000", package);  // the next one gets through again
    QCOMPARE(queue.Size(), 1);
}

void TestRemoteApiCallBase::answersAfterDestructionAreDropped() {
    call_->AttachNode(NodeFor("SH600000"));
    QVERIFY(backend_->WaitForRequests(1, 5000));
    const ServerRequest request = backend_->Requests().first();
    call_.reset();
    backend_->Answer(request, AnswerBody("SH600000", 1));
    accessor_.reset();  // joins the accessor's thread after whatever it still delivers
    QCOMPARE(context_->GetQuoteTaskExecMidResultQueue().Size(), 0);
}

void TestRemoteApiCallBase::driverFollowsSubscriptions() {
    HostClock::SetForTest(1700000000000);
    call_ = std::make_unique<DriverCall>(&configuration_, accessor_.get());
    call_->Init();
    const ScopeTreeNode node = NodeFor("SH600000");
    call_->AttachNode(node);
    auto* driver = call_->GetDriver();
    QVERIFY(driver->IsActive("SH600000"));
    QVERIFY(driver->AwaitingSet().Contains("SH600000"));
    AnswerFirstRequest("SH600000", 3);
    QTRY_VERIFY_WITH_TIMEOUT(driver->PollingSet().Contains("SH600000"), 5000);
    driver->OnPollingTick();
    QVERIFY(backend_->WaitForRequests(2, 5000));
    call_->DetachNode(node);
    QVERIFY(!driver->IsActive("SH600000"));
    QCOMPARE(driver->PollingSet().ExpiryOf("SH600000"), qint64(1700000000000 + 2000));
    // Subscribed again while cached: it rejoins polling without a new request.
    call_->AttachNode(NodeFor("SH600000"));
    QCOMPARE(driver->PollingSet().ExpiryOf("SH600000"), qint64(0));
    QCOMPARE(backend_->Requests().size(), 2);
    HostClock::UseSystemClock();
}

void TestRemoteApiCallBase::accessorGoneBeforeCall() {
    const ScopeTreeNode node = NodeFor("SH600000");
    call_->AttachNode(node);
    accessor_.reset();  // the call must not reach a deleted accessor when it goes
    call_->DetachNode(node);
    QCOMPARE(call_->AttachedNodeCount(), 0);
    call_.reset();
}

void TestRemoteApiCallBase::destructionCallsNoListener() {
    g_deletedTopics = 0;
    const ScopeTreeNode node = NodeFor("SH600000");
    call_->AttachNode(node);
    call_->DetachNode(node);
    QCOMPARE(g_deletedTopics, 1);
    call_->AttachNode(NodeFor("SZ000001"));
    call_.reset();  // undoes the subscription without reaching the (derived) listeners
    QCOMPARE(g_deletedTopics, 1);
}

QTEST_GUILESS_MAIN(TestRemoteApiCallBase)
#include "tst_remoteapicallbase.moc"
