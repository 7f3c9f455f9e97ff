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

// The quote context: its intent holder's redispatches, and the executor that drains the
// mid-result queue into the parents of scope trees.
class TstQuoteContext : public QObject {
    Q_OBJECT
private slots:

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
