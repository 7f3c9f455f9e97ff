#pragma once

#include <QHash>
#include <QMap>
#include <QMetaObject>
#include <QSet>
#include <QSharedPointer>
#include <QStringList>

#include <memory>
#include <mutex>
#include <random>
#include <tuple>
#include <vector>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/core/DetachedCopy.h"
#include "host/quoter/CompositeRemoteApiCall.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/ScopeTree.h"
#include "plugin/QzLv2Quoter.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"
#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"
#include "sim/wire/stockboard/StockBoardEncoders.h"

// The world of a stress run: the host's requests, a real quoter set up as a client does, and the
// quote server played from test threads.
namespace stress {

constexpr int kFastPool = 16;   // codes asked for by fast-quote nodes (12989 cache: 10)
constexpr int kBoardPool = 24;  // codes asked for by board rows
constexpr int kPushPool = 150;  // codes the server pushes (10002 cache: 100)
constexpr quint32 kServeFlags = 0x01;
constexpr qint64 kStartMs = 1700000000000;  // ms since the epoch, a fixed test "now"
using IntentPtr = QSharedPointer<QuoteDataSourceIntent>;

// SH600000, SZ000001, SH600001, SZ000002, ...
inline QString CodeAt(int index) {
    return index % 2 == 0 ? QStringLiteral("SH%1").arg(600000 + index / 2, 6, 10, QChar('0'))
                          : QStringLiteral("SZ%1").arg(1 + index / 2, 6, 10, QChar('0'));
}

// Fast-quote nodes ("l2_fast_quote": a 10001 child and a 12989 child each) and stock-board rows
// (scope type 2 asking for a key that only 10002 serves).
inline QSharedPointer<QuoteDataSourceIntent> MakeIntent(int taskId, quint32 flags,
                                                        const QStringList& fastCodes,
                                                        const QStringList& boardCodes) {
    auto tree = QSharedPointer<ScopeTree>::create();
    for (const QString& code : fastCodes) {
        ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant("l2_fast_quote"));
        node.stock_list = StockListExpression::FromStockCode(code);
        tree->AddRoot(node);
    }
    for (const QString& code : boardCodes) {
        ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(2));
        node.stock_list = StockListExpression::FromStockCode(code);
        node.key_list = KeyListExpression::FromKeyList(QStringList{"money_flow_today"});
        tree->AddRoot(node);
    }
    return QSharedPointer<QuoteDataSourceIntent>::create(taskId, flags, tree);
}

// The nodes the quoter took to fetch for the tree: its roots' children, in order.
inline ScopeTreeNodeList FetchedNodes(const ScopeTree& tree) {
    ScopeTreeNodeList nodes;
    for (const ScopeTreeNode& root : tree.GetRootNodeList()) {
        nodes << tree.ChildrenOf(root.scope_id);
    }
    return nodes;
}

// Every node the quoter took to fetch, as seen by the handler after it in the chain: intents pass
// on resolved, so the nodes of every resolution (first dispatch and redispatches alike) are here.
// Threads: Handle runs on host and accessor threads; one mutex guards the record.
class IssuedNodeLog : public kestrov::tolk::cor::Handler {
public:
    IssuedNodeLog() : Handler(QStringLiteral("issued-node-log")) {}
    bool Handle(QSharedPointer<kestrov::tolk::cor::Intent> intent) override {
        const QuoteDataSourceIntent* request = QuoteDataSourceIntent::FromIntent(intent);
        if (request != nullptr && request->GetScopeTree()) {
            const ScopeTreeNodeList nodes = FetchedNodes(*request->GetScopeTree());
            std::lock_guard<std::mutex> lock(mutex_);
            for (const ScopeTreeNode& node : nodes) {
                issued_.insert(node.scope_id, node);
            }
        }
        return Handler::Handle(intent);
    }
    QHash<int, ScopeTreeNode> Issued() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return DetachedCopy(issued_);
    }

private:
    mutable std::mutex mutex_;
    QHash<int, ScopeTreeNode> issued_;
};

// A real quoter with its real calls: backends on both services (scripted ones unless given), a
// context with a mid-result queue of the given capacity, the context's intent holder pointing at
// the quoter as the head of the handler chain (so that a Redispatch re-runs the live intents
// through it), and an IssuedNodeLog after the quoter.
// Threads: built and destroyed on the test's thread; the accessors are reached from any thread.
struct QuoterRig {
    explicit QuoterRig(int midResultCapacity)
        : QuoterRig(midResultCapacity, std::make_shared<ScriptedServerBackend>(),
                    std::make_shared<ScriptedServerBackend>()) {}
    // Without logIssued no IssuedNodeLog joins the chain (long runs: it grows with the run).
    QuoterRig(int midResultCapacity, std::shared_ptr<IServerBackend> mainService,
              std::shared_ptr<IServerBackend> fastService, bool logIssued = true)
        : main_backend(std::dynamic_pointer_cast<ScriptedServerBackend>(mainService)),
          fast_backend(std::dynamic_pointer_cast<ScriptedServerBackend>(fastService)) {
        ServerBackendRegistry::Install("l2quote", mainService);
        ServerBackendRegistry::Install("pcl2xtquote", fastService);
        context = std::make_unique<QuoteContext>(midResultCapacity);
        quoter = std::make_unique<QzLv2Quoter>(*context, "lv2");
        if (logIssued) {
            quoter->SetSuccessor(&issued);
        }
        context->OwnIntentHolder().SetChainHead(quoter.get());
        for (int i = 0; i < quoter->Calls()->Count(); ++i) {
            if (auto* found = dynamic_cast<QzLv2RemoteApiCall_10002*>(quoter->Calls()->At(i))) {
                board = found;
            }
            if (auto* found = dynamic_cast<QzLv2RemoteApiCall_12989*>(quoter->Calls()->At(i))) {
                fast_quote = found;
            }
        }
    }
    // Takes the quoter out of the chain and deletes it (as the client does at shutdown).
    ~QuoterRig() {
        context->OwnIntentHolder().SetChainHead(nullptr);
        quoter.reset();
        context.reset();
        ServerBackendRegistry::Clear();
    }

    QuoteContext::MidResultQueue& Queue() { return context->GetQuoteTaskExecMidResultQueue(); }
    IQuoteDataSourceController* Controller() const {
        return context->FindQuoteDataSourceController("lv2");
    }

    // Runs an empty job on each accessor's thread and waits for it: every answer, push and state
    // report posted before has been handled.
    void FlushAccessors() {
        for (CHQOWNServerAccesser* accessor :
             {quoter->MainAccessor(), quoter->FastQuoteAccessor()}) {
            QMetaObject::invokeMethod(
                accessor, [] {}, Qt::BlockingQueuedConnection);
        }
    }

    // The scripted backends of "l2quote" and "pcl2xtquote"; null when others were given.
    const std::shared_ptr<ScriptedServerBackend> main_backend;
    const std::shared_ptr<ScriptedServerBackend> fast_backend;
    IssuedNodeLog issued;  // before the quoter: it outlives the chain
    std::unique_ptr<QuoteContext> context;
    std::unique_ptr<QzLv2Quoter> quoter;
    QzLv2RemoteApiCall_10002* board = nullptr;
    QzLv2RemoteApiCall_12989* fast_quote = nullptr;
};

// Tasks 1..count.
inline QList<int> TaskIds(int count) {
    QList<int> tasks;
    for (int task = 1; task <= count; ++task)
        tasks << task;
    return tasks;
}

// The scope ids that left the quoter's table since the last look (`present`, task -> ids, brought
// up to date). The table changes only under the quoter's mutex, together with the calls'
// subscriptions, and every intent resolves into fresh scope ids: such an id is detached for good.
// `current`, when given, receives the nodes in the table now.
inline QList<int> Departed(QuoterRig& rig, const QList<int>& tasks, QMap<int, QSet<int>>& present,
                           QHash<int, ScopeTreeNode>* current = nullptr) {
    QList<int> gone;
    for (int task : tasks) {
        QSet<int> now;
        for (const ScopeTreeNode& node : rig.quoter->AttachedNodes(task)) {
            now.insert(node.scope_id);
            if (current != nullptr)
                current->insert(node.scope_id, node);
        }
        for (int id : qAsConst(present[task]))
            if (!now.contains(id))
                gone << id;
        present[task] = now;
    }
    return gone;
}

inline QList<int> Ids(const ScopeTreeNodeList& nodes) {
    QList<int> ids;
    for (const ScopeTreeNode& node : nodes)
        ids << node.scope_id;
    return ids;
}

inline bool IsFastQuoteNode(const ScopeTreeNode& node) {
    return node.api_type == ScopeTypeVariant("12989");
}

// A node of the snapshot call: a basic quote (push kind) or a board row (snapshot kind).
inline bool IsBoardNode(const ScopeTreeNode& node) {
    return node.api_type == ScopeTypeVariant("10001") || node.api_type == ScopeTypeVariant("10002");
}

// "n nodes on [sorted topics]", with the active driver topics when given.
inline QString Holding(int nodes, const QSet<QString>& topics, int active = -1) {
    QStringList sorted = topics.values();
    sorted.sort();
    const QString text = QStringLiteral("%1 nodes on [%2]").arg(nodes).arg(sorted.join(','));
    return active < 0 ? text : text + QStringLiteral(" (%1 active)").arg(active);
}

// After the last intents: the quoter's table holds exactly their nodes per task, and the 12989 and
// 10002 calls hold exactly those subscriptions (no node leaked by a race) on exactly their topics.
inline QStringList CheckFinalState(QuoterRig& rig,
                                   const QMap<int, QSharedPointer<QuoteDataSourceIntent>>& finals) {
    QStringList problems;
    int fastNodes = 0;
    int boardNodes = 0;
    QSet<QString> fastTopics;
    QSet<QString> boardTopics;
    for (auto it = finals.cbegin(); it != finals.cend(); ++it) {
        const ScopeTreeNodeList expected = FetchedNodes(*it.value()->GetScopeTree());
        if (Ids(rig.quoter->AttachedNodes(it.key())) != Ids(expected))
            problems
                << QStringLiteral("task %1 does not hold its last intent's nodes").arg(it.key());
        for (const ScopeTreeNode& node : expected) {
            const QString code = node.stock_list.GetStockCode();
            if (IsFastQuoteNode(node)) {
                ++fastNodes;
                fastTopics.insert(code);
            } else if (IsBoardNode(node)) {
                ++boardNodes;
                boardTopics.insert(code + "/" + node.api_type.ToQString());
            }
        }
    }
    QSet<QString> heldFast;
    for (const auto& topic : rig.fast_quote->GetPublisher().Topics())
        heldFast.insert(topic.Code());
    QSet<QString> heldBoard;
    for (const auto& topic : rig.board->GetPublisher().Topics())
        heldBoard.insert(topic.Code() + "/" + topic.Kind());
    const QString fast[] = {Holding(rig.fast_quote->AttachedNodeCount(), heldFast),
                            Holding(fastNodes, fastTopics)};
    const QString board[] = {Holding(rig.board->AttachedNodeCount(), heldBoard,
                                     int(rig.board->GetDriver()->ActiveTopics().size())),
                             Holding(boardNodes, boardTopics, boardTopics.size())};
    if (fast[0] != fast[1])
        problems << "12989 holds " + fast[0] + ", expected " + fast[1];
    if (board[0] != board[1])
        problems << "10002 holds " + board[0] + ", expected " + board[1];
    return problems;
}

// Plays the quote server on a backend: each step answers the requests recorded since the last one
// (10000, 10002 and 12989, with bodies from the wire encoders) and adds unsolicited traffic: 10001
// pushes for random stocks of a wide pool (most of them subscribed by nobody) and repeated 12989
// answers to old requests (their stocks possibly unsubscribed since), plus a 12989 push without
// context that the call must ignore.
// Threads: one thread steps an instance; the backend is thread-safe.
class StressServer {
public:
    StressServer(ScriptedServerBackend& backend, quint32 seed) : backend_(backend), random_(seed) {}

    // Waits at most waitMs for a request, answers every recorded one, then sends `unsolicited`
    // messages.
    void Step(int waitMs, int unsolicited) {
        backend_.WaitForRequests(1, waitMs);
        // A request recorded between these two calls is lost, as if the server missed it: the
        // driver asks again at its next tick.
        const QList<ServerRequest> requests = backend_.Requests();
        backend_.ClearRequests();
        for (const ServerRequest& request : requests) {
            Answer(request);
        }
        for (int i = 0; i < unsolicited; ++i) {
            SendUnsolicited();
        }
    }
    int AnsweredCount() const { return answered_; }

private:
    // 10002 sends (u16, u16, codes, mask1, mask2, mask3); 12989 starts with the code.
    static QString Param(const ServerRequest& request, int index) {
        return request.params.value(index).second.toString();
    }
    static quint32 Mask(const ServerRequest& request, int index) {
        return quint32(request.params.value(3 + index).second.toLongLong());
    }

    void Answer(const ServerRequest& request) {
        if (request.funcId == 10000) {
            backend_.Answer(request, simwire::EncodeEmptyStockSnapshotBody());
        } else if (request.funcId == 10002) {
            const QString code = request.params.value(2).second.toStringList().value(0);
            backend_.Answer(
                request, SnapshotBody(code, Mask(request, 0), Mask(request, 1), Mask(request, 2)));
        } else if (request.funcId == 12989) {
            backend_.Answer(request, FastQuoteBody(Param(request, 0)));
            if (fast_history_.size() == 64) {  // requests kept for repeated answers
                fast_history_.erase(fast_history_.begin());
            }
            fast_history_.push_back(request);
        } else {
            return;  // 10012 / 12755 are not asked for by these tests
        }
        ++answered_;
    }

    void SendUnsolicited() {
        const int pick = int(random_() % 8);
        if (pick == 0) {
            // No process context: the fast-quote receiver has to drop it.
            backend_.Push(12989, FastQuoteBody(CodeAt(0)));
        } else if (pick < 4 && !fast_history_.empty()) {
            const ServerRequest& old = fast_history_.at(random_() % fast_history_.size());
            backend_.Answer(old, FastQuoteBody(Param(old, 0)));
        } else {  // a 10001 push refreshes no snapshot-kind bit
            const QString code = CodeAt(int(random_() % kPushPool));
            backend_.Push(10001, SnapshotBody(code, 0x19600FDF, 0x60400415, 0x4000));
        }
    }

    static QByteArray SnapshotBody(const QString& code, quint32 mask1, quint32 mask2,
                                   quint32 mask3) {
        StockSnapshot snapshot = simwire::MakeFullStockSnapshot(code);
        std::tie(snapshot.mask1, snapshot.mask2, snapshot.mask3) = std::tie(mask1, mask2, mask3);
        return simwire::EncodeStockSnapshotBody(snapshot);
    }

    QByteArray FastQuoteBody(const QString& code) {
        auto found = fast_bodies_.constFind(code);
        if (found == fast_bodies_.constEnd()) {  // ten levels, three queued orders each
            const qint32 midPrice = 1000 + 10 * int(fast_bodies_.size());
            found = fast_bodies_.insert(code,
                                        simwire::EncodeFastQuoteBody(
                                            simwire::MakeFullFastQuoteBook(code, midPrice, 10, 3)));
        }
        return found.value();
    }

    ScriptedServerBackend& backend_;
    std::mt19937 random_;
    std::vector<ServerRequest> fast_history_;  // recent 12989 requests, bounded
    QHash<QString, QByteArray> fast_bodies_;   // code -> 12989 body
    int answered_ = 0;
};

}  // namespace stress
