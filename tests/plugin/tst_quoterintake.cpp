// The quoter's request intake: which nodes it resolves, in which order attach and detach reach
// the calls, and when it blocks and asks the client to redispatch.
#include <QMutex>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

#include "framework/ScopeResolverBase.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/quoter/CompositeRemoteApiCall.h"
#include "host/quoter/CompositeScopeResolver.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/RemoteApiCall.h"
#include "plugin/QzLv2Quoter.h"

namespace {

const char* const kServedType = "served_type";
const char* const kChildType = "served_child";
const char* const kChildApi = "9999";

// Accepts kServedType: the node comes back split, with one child for kChildApi.
class ServingResolver final : public ScopeResolverBase {
public:
    ServingResolver() : ScopeResolverBase(nullptr) { Init(); }
    static JoinMethodKey JoinKey() {
        return JoinMethodKey(kServedType, ScopeSplitTypeVariant(8), kChildType);
    }
    void Init() override {
        ResetTables({kServedType});
        AddJoinMethod(JoinKey(),
                      [](ScopeTreeNode&, const ScopeTreeNode&) { return JoinMethodResult(true); });
    }
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override {
        ++resolved;
        if (!(node.scope_type == ScopeTypeVariant(kServedType)))
            return false;
        ScopeTreeNode copy = SplitCopy(node);
        copy.children << MakeChild(node, kChildType, kChildApi);
        FillResult(result, copy, {copy.children.at(0)});
        return true;
    }
    int resolved = 0;
};

struct CallEvent {
    const char* what;  // "attach" or "detach"
    int scope_id;
    QThread* thread;
};

// Plain values: a copy taken under the lock shares nothing with the worker's later appends.
class RecordingCall : public RemoteApiCall {
public:
    std::set<ScopeTypeVariant> GetSupportedTypeSet() const override {
        return {ScopeTypeVariant(kChildApi)};
    }
    void AttachNode(const ScopeTreeNode& node) override { Record("attach", node); }
    void DetachNode(const ScopeTreeNode& node) override { Record("detach", node); }
    std::vector<CallEvent> Events() const {
        QMutexLocker lock(&mutex_);
        return events_;
    }

private:
    void Record(const char* what, const ScopeTreeNode& node) {
        QMutexLocker lock(&mutex_);
        events_.push_back({what, node.scope_id, QThread::currentThread()});
    }
    mutable QMutex mutex_;
    std::vector<CallEvent> events_;
};

class RecordingJoinManager : public IJoinMethodManager {
public:
    void RegisterJoinMethod(const JoinMethodValue& value) override { keys << value.Key(); }
    QList<JoinMethodKey> keys;
};

// The handler after the quoter: records what reaches it and answers a fixed result.
class NextHandler : public kestrov::tolk::cor::Handler {
public:
    NextHandler() : Handler("next") {}
    bool Handle(QSharedPointer<kestrov::tolk::cor::Intent>) override {
        ++handled;
        return answer;
    }
    int handled = 0;
    bool answer = true;
};

QSharedPointer<kestrov::tolk::cor::Intent> MakeIntent(
    int taskId, quint32 flags, const QList<ScopeTypeVariant>& types,
    QSharedPointer<ScopeTree>* treeOut = nullptr) {
    auto tree = QSharedPointer<ScopeTree>::create();
    for (const ScopeTypeVariant& type : types)
        tree->AddRoot(ScopeTreeNode::NewRoot(type));
    if (treeOut != nullptr)
        *treeOut = tree;
    return QSharedPointer<QuoteDataSourceIntent>::create(taskId, flags, tree);
}

}  // namespace

class TestQuoterIntake : public QObject {
    Q_OBJECT

private slots:
    void init() {
        backend_ = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install("l2quote", backend_);
        context_ = std::make_unique<QuoteContext>();
        quoter_ = std::make_unique<QzLv2Quoter>(*context_, "lv2");
        resolver_ = new ServingResolver;
        quoter_->Resolvers()->Add(resolver_);
        call_ = new RecordingCall;
        quoter_->Calls()->Add(call_);
        next_ = std::make_unique<NextHandler>();
        quoter_->SetSuccessor(next_.get());
    }
    void cleanup() {
        quoter_.reset();
        context_.reset();
        ServerBackendRegistry::Clear();
    }

    void flagWordDecidesWhetherNodesAreServed_data() {
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<bool>("served");
        QTest::addColumn<bool>("answer");  // the next handler's, which Handle returns either way
        QTest::newRow("no flag") << quint32(0) << false << false;
        QTest::newRow("other bits only") << quint32(0x2 | 0x4 | 0x8 | 0x20) << false << true;
        QTest::newRow("bit 0x01") << quint32(0x01) << true << true;
        QTest::newRow("bit 0x10") << quint32(0x10) << true << false;
    }

    void flagWordDecidesWhetherNodesAreServed() {
        QFETCH(quint32, flags);
        QFETCH(bool, served);
        QFETCH(bool, answer);
        // The task attached a node earlier: every intent of the task detaches it, served or not.
        quoter_->Handle(MakeIntent(7, 0x01, {kServedType}));
        quoter_->WaitForWorkThread();
        QCOMPARE(call_->Events().size(), std::size_t(1));

        QSharedPointer<ScopeTree> tree;
        auto intent = MakeIntent(7, flags, {kServedType}, &tree);
        next_->answer = answer;
        QCOMPARE(quoter_->Handle(intent), answer);
        quoter_->WaitForWorkThread();

        const std::vector<CallEvent> events = call_->Events();
        QCOMPARE(events.size(), std::size_t(served ? 3 : 2));
        QCOMPARE(QString(events.at(1).what), QString("detach"));
        QCOMPARE(tree->GetRemainedNodeList().size(), served ? 0 : 1);
        QCOMPARE(QuoteDataSourceIntent::FromIntent(intent)->HasHandler(quoter_.get()), served);
        QCOMPARE(quoter_->AttachedNodes(7).size(), served ? 1 : 0);
        QCOMPARE(next_->handled, 2);
    }

    void laterIntentDetachesBeforeAttachingOnWorkThread() {
        // A node no resolver accepts passes on untouched and reaches no call.
        QSharedPointer<ScopeTree> tree;
        quoter_->Handle(
            MakeIntent(3, 0x01, {kServedType, ScopeTypeVariant(2), kServedType}, &tree));
        quoter_->Handle(MakeIntent(3, 0x10, {kServedType}));
        quoter_->WaitForWorkThread();
        const ScopeTreeNodeList remained = tree->GetRemainedNodeList();
        QCOMPARE(remained.size(), 1);
        QVERIFY(remained.at(0).scope_type == ScopeTypeVariant(2));
        QCOMPARE(remained.at(0).split_type.Value(), 0);

        const std::vector<CallEvent> events = call_->Events();
        QStringList order;
        for (const CallEvent& e : events) {
            order << e.what;
            QVERIFY(e.thread != QThread::currentThread());
        }
        QCOMPARE(order, QStringList({"attach", "attach", "detach", "detach", "attach"}));
        // The detached nodes are exactly the first intent's, in list order.
        QCOMPARE(events.at(2).scope_id, events.at(0).scope_id);
        QCOMPARE(events.at(3).scope_id, events.at(1).scope_id);
        QCOMPARE(quoter_->AttachedNodes(3).size(), 1);
        QCOMPARE(quoter_->AttachedNodes(3).at(0).scope_id, events.at(4).scope_id);
    }

    void pauseAndLinkStateBlockAndRedispatchOncePerChange() {
        IntentHolder& holder = context_->OwnIntentHolder();
        IQuoteDataSourceController* controller = context_->FindQuoteDataSourceController("lv2");
        controller->Pause();
        quoter_->Pause();  // already paused: no change, no redispatch
        QCOMPARE(holder.RedispatchCount(), 1);
        QSharedPointer<ScopeTree> tree;
        auto intent = MakeIntent(5, 0x01, {kServedType}, &tree);
        quoter_->Handle(intent);
        quoter_->WaitForWorkThread();
        QCOMPARE(resolver_->resolved, 0);
        QCOMPARE(tree->GetRemainedNodeList().size(), 1);
        QVERIFY(!QuoteDataSourceIntent::FromIntent(intent)->HasHandler(quoter_.get()));
        QCOMPARE(next_->handled, 1);
        QVERIFY(controller->Resume());
        QCOMPARE(holder.RedispatchCount(), 2);
        QVERIFY(controller->Resume());  // not paused any more: no change, no redispatch
        QCOMPARE(holder.RedispatchCount(), 2);

        backend_->SetAccessState(eAccessState_Connected);  // not blocked before either
        backend_->SetAccessState(eAccessState_Disconnected);
        QTRY_COMPARE(holder.RedispatchCount(), 3);
        QVERIFY(quoter_->IsBlocked());
        quoter_->Pause();  // already blocked by the link: no change, no redispatch
        QCOMPARE(holder.RedispatchCount(), 3);
        quoter_->Resume();  // does not lift the link's block
        quoter_->Handle(MakeIntent(6, 0x01, {kServedType}, &tree));
        QCOMPARE(tree->GetRemainedNodeList().size(), 1);
        backend_->SetAccessState(eAccessState_Connecting);  // still down
        backend_->SetAccessState(eAccessState_Connected);
        QTRY_VERIFY(!quoter_->IsBlocked());
        QCOMPARE(holder.RedispatchCount(), 4);
        backend_->SetAccessState(eAccessState_Connected);
        // Reports are handled in order: once the drop is counted, the repeat was ignored.
        backend_->SetAccessState(eAccessState_Disconnected);
        QTRY_COMPARE(holder.RedispatchCount(), 5);
    }

private:
    std::unique_ptr<QuoteContext> context_;
    std::shared_ptr<ScriptedServerBackend> backend_;
    std::unique_ptr<QzLv2Quoter> quoter_;
    ServingResolver* resolver_ = nullptr;
    RecordingCall* call_ = nullptr;
    std::unique_ptr<NextHandler> next_;
};

QTEST_GUILESS_MAIN(TestQuoterIntake)
#include "tst_quoterintake.moc"
