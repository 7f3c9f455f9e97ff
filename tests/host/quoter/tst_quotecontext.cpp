#include <QtTest>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFeatureDAO.h"

using kestrov::tolk::cor::Handler;
using kestrov::tolk::cor::Intent;

namespace {

const int kBoardType = 2;
const int kSplit = 8;
const char kChildType[] = "qz_Lv2_quoter_10002";

// A chain link that logs "name:task", runs an optional hook and passes the intent on (the base
// Handle: false at the end of the chain).
class RecordingHandler : public QuoteDataSourceHandler {
public:
    RecordingHandler(QuoteContext& context, const QString& name, QStringList* log)
        : QuoteDataSourceHandler(context, name), log_(log) {}
    bool Handle(QSharedPointer<Intent> intent) override {
        const int task = QuoteDataSourceIntent::FromIntent(intent)->GetTaskId();
        *log_ << QString("%1:%2").arg(GetHandlerName()).arg(task);
        if (hook) {
            hook();
        }
        return Handler::Handle(intent);
    }
    std::function<void()> hook;

private:
    QStringList* log_;
};

QSharedPointer<QuoteData> Answer(int count) {
    auto data = QSharedPointer<DealsQuoteData>::create();
    data->total_count = count;
    return data;
}

// Like the stock-board join: folds each child answer into the parent's data (sums the counts);
// refuses data that is not a deals table.
JoinMethodValue SummingJoin() {
    const JoinMethodKey key(kBoardType, ScopeSplitTypeVariant(kSplit), kChildType);
    return JoinMethodValue(key, [](ScopeTreeNode& target, const ScopeTreeNode& source) {
        const auto answer = source.quote_data.dynamicCast<DealsQuoteData>();
        const auto before = target.quote_data.dynamicCast<DealsQuoteData>();
        if (answer) {
            target.quote_data = Answer((before ? before->total_count : 0) + answer->total_count);
        }
        return JoinMethodResult(bool(answer));
    });
}

// A board root with split 8 and one child, tracked by an executor.
struct Fixture {
    explicit Fixture(bool withJoin) {
        if (withJoin) {
            context.OwnJoinMethodManager().RegisterJoinMethod(SummingJoin());
        }
        parent.split_type = ScopeSplitTypeVariant(kSplit);
        child.scope_type = kChildType;
        ScopeTreeNode root = parent;
        root.children << child;
        tree->AddRoot(root);
        executor.Track(tree);
    }
    QSharedPointer<DealsQuoteData> ParentData() const {
        return tree->FindNode(parent.scope_id)->quote_data.dynamicCast<DealsQuoteData>();
    }
    QuoteContext context{16};
    QuoteContext::MidResultQueue& queue = context.GetQuoteTaskExecMidResultQueue();
    QSharedPointer<ScopeTree> tree = QSharedPointer<ScopeTree>::create();
    ScopeTreeNode parent{ScopeTypeVariant(kBoardType)};
    ScopeTreeNode child = ScopeTreeNode::FromParentNode(parent);
    QuoteTaskExecutor executor{context};
};

QList<int> Ids(const ScopeTreeNodeList& nodes) {
    QList<int> ids;
    for (const ScopeTreeNode& node : nodes) {
        ids << node.scope_id;
    }
    return ids;
}

}  // namespace

// The quote context and what it owns: the intent holder, the bounded mid-result queue, the join
// registry, the executor that drains the queue into the parents of scope trees, and the trees
// themselves; and the default feature store.
class TstQuoteContext : public QObject {
    Q_OBJECT
private slots:
    void redispatchRerunsLiveIntentsThroughChain() {
        QuoteContext context;
        QStringList log;
        RecordingHandler first(context, "first", &log);
        RecordingHandler second(context, "second", &log);
        first.GetLastSuccessor()->SetSuccessor(&second);  // appends
        IntentHolder& holder = context.OwnIntentHolder();
        holder.SetChainHead(&first);
        const auto intent = [](int task) {
            return QSharedPointer<Intent>(new QuoteDataSourceIntent(task, 0x01, {}));
        };
        const QSharedPointer<Intent> one = intent(1);
        const QSharedPointer<Intent> two = intent(2);
        QVERIFY(!holder.Dispatch(one));  // nobody accepted it
        holder.AddLive(two);
        holder.AddLive(one);  // already live: not twice
        QCOMPARE(holder.LiveCount(), 2);
        context.GetIntentHolder()->Redispatch();
        QCOMPARE(log, (QStringList{"first:1", "second:1", "first:1", "second:1", "first:2",
                                   "second:2"}));

        log.clear();
        holder.RemoveLive(one);
        // A handler may ask for a redispatch from inside the chain: it runs once the running one
        // has handed every intent down, never inside it.
        bool again = true;
        first.hook = [&] {
            if (std::exchange(again, false)) {
                holder.Redispatch();
            }
        };
        holder.Redispatch();
        QCOMPARE(log, (QStringList{"first:2", "second:2", "first:2", "second:2"}));
        log.clear();
        holder.SetChainHead(nullptr);
        holder.Redispatch();  // no chain: counted, nothing runs
        QVERIFY(log.isEmpty());
        QCOMPARE(holder.RedispatchCount(), 4);
    }

    // A data source that became able to serve asks for a redispatch from its own thread while the
    // host is handing an intent down: the redispatch does not wait (the source may hold its own
    // locks) and does not run beside the dispatch; it runs when the dispatch is done, so the
    // intent is handed down again after its first pass and never twice at once.
    void redispatchAskedDuringADispatchRunsAfterIt() {
        QuoteContext context;
        QStringList log;
        RecordingHandler first(context, "first", &log);
        IntentHolder& holder = context.OwnIntentHolder();
        holder.SetChainHead(&first);
        bool once = true;
        first.hook = [&] {
            if (std::exchange(once, false)) {
                std::thread source([&holder] { holder.Redispatch(); });
                source.join();
                log << "asked";
            }
        };
        holder.Dispatch(QSharedPointer<Intent>(new QuoteDataSourceIntent(7, 0x01, {})));
        QCOMPARE(log, (QStringList{"first:7", "asked", "first:7"}));
        QCOMPARE(holder.RedispatchCount(), 1);
    }

    void defaultFeatures() {
        const auto* dict = QuoterFeatureDAO::Default()->GetStockDict();
        const PatternFeatureStatement lv2 = dict->GetFeatureStatement("LV2");
        QVERIFY(lv2.Support("SH600000") && lv2.Support("SZ000001"));
        // Too short, too long (the whole code must match), lower-case market, a transfer code.
        for (const char* code : {"SH60000", "SZ0000011", "sh600000", "NQ430001"}) {
            QVERIFY2(!lv2.Support(code), code);
        }
        QVERIFY(dict->GetFeatureStatement("Transfer").Support("NQ430001"));
        QVERIFY(!dict->GetFeatureStatement("NoSuch").Support("SH600000"));
    }

    // The mid-result queue: a push into a full queue waits its timeout and is dropped and counted;
    // the queued items keep their order; a waiting push goes in once there is room.
    void queueDropsAfterTimeoutAndKeepsOrder() {
        BlockingQueue<int> q(2);
        int v = 42;
        QVERIFY(!q.Pop(v, 1) && v == 42);  // empty: times out
        QVERIFY(q.Push(1, 1) && q.Push(2, 1));
        QVERIFY(!q.Push(3, 1) && !q.Push(4, 0));
        QCOMPARE(q.DroppedCount(), qint64(2));
        std::atomic<bool> pushed{false};
        std::thread producer([&] { pushed = q.Push(5, 5000); });  // waits for room
        QVERIFY(q.Pop(v, 0) && v == 1);
        producer.join();
        QVERIFY(pushed);
        QVERIFY(q.Pop(v, 0) && v == 2 && q.Pop(v, 0) && v == 5);
        QCOMPARE(q.DroppedCount(), qint64(2));
    }

    void joinLookup_data() {
        QTest::addColumn<QString>("child");
        QTest::addColumn<int>("split");
        QTest::addColumn<QString>("expected");  // empty: no join
        QTest::newRow("exact split wins") << "c10002" << 8 << "split";
        QTest::newRow("other split falls back") << "c10002" << 3 << "any";
        QTest::newRow("split 0 is not any split") << "c12755" << 0 << "zero";
        QTest::newRow("no split entry falls back") << "c12755" << 8 << "later";
        QTest::newRow("unknown child") << "c99999" << 8 << "";
    }

    void joinLookup() {
        QFETCH(QString, child);
        QFETCH(int, split);
        QFETCH(QString, expected);
        JoinMethodManager manager;
        const auto tagging = [&manager](const JoinMethodKey& key, const QString& tag) {
            manager.RegisterJoinMethod(
                JoinMethodValue(key, [tag](ScopeTreeNode& target, const ScopeTreeNode&) {
                    target.variant = tag;
                    return JoinMethodResult(true);
                }));
        };
        tagging(JoinMethodKey(2, ScopeSplitTypeVariant(8), "c10002"), "split");
        tagging(JoinMethodKey(2, "c10002"), "any");
        tagging(JoinMethodKey(2, ScopeSplitTypeVariant(0), "c12755"), "zero");
        tagging(JoinMethodKey(2, "c12755"), "earlier");
        tagging(JoinMethodKey(2, "c12755"), "later");  // replaces
        // The parent type must match exactly: the text "2" is not the number 2.
        QVERIFY(!manager.Find("2", ScopeSplitTypeVariant(split), child));
        const auto join = manager.Find(2, ScopeSplitTypeVariant(split), child);
        ScopeTreeNode target, source;
        QVERIFY(join ? join->Run(target, source).IsSuccess() : expected.isEmpty());
        QCOMPARE(target.variant.toString(), expected);
    }

    void resultWithoutJoin_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("ignored");
        QTest::addColumn<bool>("childKeepsData");
        QTest::newRow("unknown scope id") << "unknown" << 1 << false;
        QTest::newRow("untracked tree") << "untracked" << 1 << false;
        QTest::newRow("no join registered") << "no join" << 0 << true;
        QTest::newRow("join refuses the data") << "refused" << 0 << true;
    }

    void resultWithoutJoin() {
        QFETCH(QString, situation);
        QFETCH(int, ignored);
        QFETCH(bool, childKeepsData);
        Fixture f(situation != "no join");
        if (situation == "untracked") {
            f.executor.Untrack(f.tree);
        }
        QSignalSpy spy(&f.executor, &QuoteTaskExecutor::parentDataChanged);
        const int id =
            situation == "unknown" ? ScopeTreeNode::NextScopeId() + 1000 : f.child.scope_id;
        // Plain QuoteData is not the table the join wants.
        f.queue.Push(
            {id, situation == "refused" ? QSharedPointer<QuoteData>(new QuoteData) : Answer(1)});
        QCOMPARE(f.executor.ProcessPending(), 1);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(f.executor.IgnoredCount(), ignored);
        QCOMPARE(bool(f.tree->FindNode(f.child.scope_id)->quote_data), childKeepsData);
        QVERIFY(!f.ParentData());
    }

    void executorThreadJoinsIntoParentAndStops() {
        Fixture f(true);
        // The signal comes from the executor's thread: count it through a queued connection to
        // this thread (QSignalSpy's direct append would race with the reads below).
        QVector<int> parents;
        std::atomic<int> observed{0};
        QObject receiver;
        connect(
            &f.executor, &QuoteTaskExecutor::parentDataChanged, &receiver,
            [&parents](int id) { parents << id; }, Qt::QueuedConnection);
        f.executor.SetObserver([&observed](int) { ++observed; });
        f.executor.Start();
        f.executor.Start();  // a second Start is harmless
        for (int i = 0; i < 3; ++i) {
            QVERIFY(f.queue.Push({f.child.scope_id, Answer(i + 1)}, 1000));
        }
        QTRY_COMPARE_WITH_TIMEOUT(parents.size(), 3, 5000);
        QCOMPARE(parents, QVector<int>(3, f.parent.scope_id));
        f.executor.Stop();
        QCOMPARE(observed.load(), 3);  // called after the signal: read once the thread is gone
        QCOMPARE(f.executor.JoinedCount(), 3);
        f.queue.Push({f.child.scope_id, Answer(9)});
        QCOMPARE(f.queue.Size(), 1);  // nobody takes it any more
        QCOMPARE(f.ParentData()->total_count, 6);
    }

    void adjustBy() {
        ScopeTreeNode board(ScopeTypeVariant(2));
        ScopeTreeNode blocked("l2_fast_quote");
        ScopeTree tree(ScopeTreeNodeList() << board << blocked);
        ScopeResolveResult result;
        result.replacement_nodes << board;
        result.replacement_nodes[0].split_type = ScopeSplitTypeVariant(8);
        const ScopeTreeNode fetch = ScopeTreeNode::FromParentNode(board);
        const ScopeTreeNode remainder = ScopeTreeNode::FromParentNode(board);
        ScopeTreeNode orphan("orphan");
        orphan.parent_scope_id = 987654;
        result.fetch_nodes << fetch;
        result.unhandled_nodes << remainder << blocked << orphan;  // new, stored, unknown parent
        tree.AdjustBy(result);

        // Remained in entry order; the replaced root keeps its place among the roots.
        const QList<int> remained{blocked.scope_id, remainder.scope_id, orphan.scope_id};
        QCOMPARE(Ids(tree.GetRemainedNodeList()), remained);
        QCOMPARE(Ids(tree.GetRootNodeList()),
                 (QList<int>{board.scope_id, blocked.scope_id, orphan.scope_id}));
        QCOMPARE(tree.FindNode(board.scope_id)->split_type, ScopeSplitTypeVariant(8));
        QCOMPARE(Ids(tree.ChildrenOf(board.scope_id)),
                 (QList<int>{fetch.scope_id, remainder.scope_id}));
        QCOMPARE(tree.FindParent(remainder.scope_id)->scope_id, board.scope_id);
        QVERIFY(!tree.FindParent(orphan.scope_id).has_value());

        ScopeResolveResult later;  // a later handler serving the remainder
        later.replacement_nodes << remainder;
        tree.AdjustBy(later);
        QCOMPARE(Ids(tree.GetRemainedNodeList()), (QList<int>{blocked.scope_id, orphan.scope_id}));
        QCOMPARE(tree.Size(), 5);
    }

    // A redispatch hands live trees down as the host built them: resolved copies and fetched
    // children are gone, every node is remained again, the data joined into a kept node stays;
    // an intent withdrawn while the redispatch runs is not handed down.
    void redispatchHandsLiveTreesDownUnresolved() {
        Fixture f(false);
        QuoteContext& context = f.context;
        QStringList log;
        RecordingHandler head(context, "head", &log);
        IntentHolder& holder = context.OwnIntentHolder();
        holder.SetChainHead(&head);
        const QSharedPointer<Intent> live(new QuoteDataSourceIntent(1, 0x01, f.tree));
        const QSharedPointer<Intent> withdrawn(new QuoteDataSourceIntent(2, 0x01, {}));
        holder.AddLive(live);
        holder.AddLive(withdrawn);

        ScopeResolveResult served;  // a handler served the child with a resolved copy and a fetch
        ScopeTreeNode resolved = f.child;
        resolved.split_type = ScopeSplitTypeVariant(kSplit);
        ScopeTreeNode fetched = ScopeTreeNode::FromParentNode(resolved);
        served.replacement_nodes << resolved;
        served.fetch_nodes << fetched;
        f.tree->AdjustBy(served);
        QVERIFY(f.tree->SetQuoteData(f.parent.scope_id, Answer(7)));
        QVERIFY(!f.tree->IsRemained(f.child.scope_id));

        QList<int> remainedAtHandle;
        head.hook = [&] {
            remainedAtHandle = Ids(f.tree->GetRemainedNodeList());
            holder.RemoveLive(withdrawn);
        };
        holder.Redispatch();
        QCOMPARE(log, QStringList{"head:1"});
        QCOMPARE(remainedAtHandle, (QList<int>{f.parent.scope_id, f.child.scope_id}));
        QVERIFY(!f.tree->Contains(fetched.scope_id));
        QCOMPARE(f.tree->FindNode(f.child.scope_id)->split_type.Value(), 0);
        QCOMPARE(f.ParentData()->total_count, 7);
        QVERIFY(!f.tree->SetQuoteData(fetched.scope_id, Answer(1)));  // a late answer: no node
    }
};

QTEST_GUILESS_MAIN(TstQuoteContext)
#include "tst_quotecontext.moc"
