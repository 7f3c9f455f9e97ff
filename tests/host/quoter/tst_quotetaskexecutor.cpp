#include <QtTest>

#include <atomic>
#include <thread>

#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteTaskExecutor.h"

namespace {

const int kBoardType = 2;
const int kSplit = 8;
const char kChildType[] = "qz_Lv2_quoter_10002";

// A join like the stock-board one: folds each child answer into the parent's own data (here:
// sums the counts). Refuses data that is not a table.
JoinMethodValue SummingJoin(const JoinMethodKey& key) {
    return JoinMethodValue(key, [](ScopeTreeNode& target, const ScopeTreeNode& source) {
        const auto answer = source.quote_data.dynamicCast<DealsQuoteData>();
        if (!answer) {
            return JoinMethodResult(false);
        }
        const auto before = target.quote_data.dynamicCast<DealsQuoteData>();
        auto sum = QSharedPointer<DealsQuoteData>::create();
        sum->total_count = (before ? before->total_count : 0) + answer->total_count;
        target.quote_data = sum;
        return JoinMethodResult(true);
    });
}

JoinMethodValue Tagging(const JoinMethodKey& key, const QString& tag) {
    return JoinMethodValue(key, [tag](ScopeTreeNode& target, const ScopeTreeNode&) {
        target.variant = tag;
        return JoinMethodResult(true);
    });
}

QSharedPointer<QuoteData> Answer(int count) {
    auto data = QSharedPointer<DealsQuoteData>::create();
    data->total_count = count;
    return data;
}

// A board root resolved with split 8 and one fetched child.
struct Fixture {
    QuoteContext context{16};
    QuoteContext::MidResultQueue& queue = context.GetQuoteTaskExecMidResultQueue();
    QSharedPointer<ScopeTree> tree = QSharedPointer<ScopeTree>::create();
    ScopeTreeNode parent{ScopeTypeVariant(kBoardType)};
    ScopeTreeNode child;

    Fixture() {
        tree->AddRoot(parent);
        ScopeResolveResult result;
        ScopeTreeNode replaced = parent;
        replaced.split_type = ScopeSplitTypeVariant(kSplit);
        child = ScopeTreeNode::FromParentNode(parent);
        child.scope_type = kChildType;
        result.replacement_nodes << replaced;
        result.fetch_nodes << child;
        tree->AdjustBy(result);
    }
    void RegisterJoin() {
        context.OwnJoinMethodManager().RegisterJoinMethod(
            SummingJoin(JoinMethodKey(kBoardType, ScopeSplitTypeVariant(kSplit), kChildType)));
    }
    QSharedPointer<DealsQuoteData> ParentData() const {
        return tree->FindNode(parent.scope_id)->quote_data.dynamicCast<DealsQuoteData>();
    }
};

}  // namespace

// The way back of delivered data: the bounded mid-result queue, the join registry and the
// executor that drains the queue and joins children into their parents.
class TstQuoteTaskExecutor : public QObject {
    Q_OBJECT
private slots:
    void fullQueueDropsAfterTimeoutAndKeepsOrder() {
        BlockingQueue<int> q(2);
        int v = 42;
        QVERIFY(!q.Pop(v, 1));  // empty: times out
        QCOMPARE(v, 42);
        QVERIFY(q.Push(1, 1));
        QVERIFY(q.Push(2, 1));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!q.Push(3, 1));
        QVERIFY(!q.Push(4, 0));
        QVERIFY(timer.elapsed() < 1000);  // a drop never waits long
        QCOMPARE(q.DroppedCount(), qint64(2));
        QVERIFY(q.Pop(v, 0));
        QCOMPARE(v, 1);  // the queued items survive, the dropped ones are gone
        QVERIFY(q.Push(5, 0));
        QVERIFY(q.Pop(v, 0));
        QCOMPARE(v, 2);
        QVERIFY(q.Pop(v, 0));
        QCOMPARE(v, 5);
        QCOMPARE(q.Size(), 0);
    }

    void producerWaitsForRoom() {
        BlockingQueue<int> q(1);
        QVERIFY(q.Push(1));
        std::atomic<bool> started{false};
        std::atomic<bool> pushed{false};
        std::thread producer([&] {
            started = true;
            pushed = q.Push(2, 5000);  // waits for room
        });
        QTRY_VERIFY_WITH_TIMEOUT(started.load(), 5000);
        int v = 0;
        QVERIFY(q.Pop(v, 5000));
        QCOMPARE(v, 1);
        producer.join();
        QVERIFY(pushed.load());
        QVERIFY(q.Pop(v, 0));
        QCOMPARE(v, 2);
        QCOMPARE(q.DroppedCount(), qint64(0));
    }

    void manyProducersOneConsumerLoseNothingWithRoom() {
        const int kProducers = 4;
        const int kEach = 500;
        BlockingQueue<int> q(8);
        QVector<int> seen(kProducers, -1);
        bool ordered = true;
        int received = 0;
        std::thread consumer([&] {
            int v = 0;
            while (received < kProducers * kEach && q.Pop(v, 5000)) {
                const int producer = v / kEach;
                ordered = ordered && v % kEach == seen[producer] + 1;  // per-producer FIFO
                seen[producer] = v % kEach;
                ++received;
            }
        });
        std::vector<std::thread> producers;
        for (int p = 0; p < kProducers; ++p) {
            producers.emplace_back([&q, p] {
                for (int i = 0; i < kEach; ++i) {
                    q.Push(p * kEach + i, 5000);
                }
            });
        }
        for (auto& t : producers) {
            t.join();
        }
        consumer.join();
        QCOMPARE(received, kProducers * kEach);
        QVERIFY(ordered);
        QCOMPARE(q.DroppedCount(), qint64(0));
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
        manager.RegisterJoinMethod(
            Tagging(JoinMethodKey(2, ScopeSplitTypeVariant(8), "c10002"), "split"));
        manager.RegisterJoinMethod(Tagging(JoinMethodKey(2, "c10002"), "any"));
        manager.RegisterJoinMethod(
            Tagging(JoinMethodKey(2, ScopeSplitTypeVariant(0), "c12755"), "zero"));
        manager.RegisterJoinMethod(Tagging(JoinMethodKey(2, "c12755"), "earlier"));
        manager.RegisterJoinMethod(Tagging(JoinMethodKey(2, "c12755"), "later"));  // replaces
        QCOMPARE(manager.Count(), 4);
        // The parent type must match exactly: the text "2" is not the number 2.
        QVERIFY(!manager.Find("2", ScopeSplitTypeVariant(split), child));
        const auto join = manager.Find(2, ScopeSplitTypeVariant(split), child);
        ScopeTreeNode target, source;
        QVERIFY(join ? join->Run(target, source).IsSuccess() : expected.isEmpty());
        QCOMPARE(target.variant.toString(), expected);
    }

    void mergesChildIntoParentAndSignals() {
        Fixture f;
        f.RegisterJoin();
        QuoteTaskExecutor executor(f.context);
        executor.Track(f.tree);
        QSignalSpy spy(&executor, &QuoteTaskExecutor::parentDataChanged);

        QVERIFY(f.queue.Push({f.child.scope_id, Answer(5)}));
        QVERIFY(f.queue.Push({f.child.scope_id, Answer(6)}));
        QCOMPARE(executor.ProcessPending(), 2);

        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), f.parent.scope_id);
        QVERIFY(f.ParentData());
        QCOMPARE(f.ParentData()->total_count, 11);
        QCOMPARE(executor.JoinedCount(), 2);
        QCOMPARE(executor.IgnoredCount(), 0);
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
        Fixture f;
        if (situation != "no join") {
            f.RegisterJoin();
        }
        QuoteTaskExecutor executor(f.context);
        executor.Track(f.tree);
        if (situation == "untracked") {
            executor.Untrack(f.tree);
        }
        QSignalSpy spy(&executor, &QuoteTaskExecutor::parentDataChanged);
        const int id =
            situation == "unknown" ? ScopeTreeNode::NextScopeId() + 1000 : f.child.scope_id;
        // Plain QuoteData is not the table the join wants.
        f.queue.Push(
            {id, situation == "refused" ? QSharedPointer<QuoteData>(new QuoteData) : Answer(1)});
        QCOMPARE(executor.ProcessPending(), 1);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(executor.IgnoredCount(), ignored);
        QCOMPARE(bool(f.tree->FindNode(f.child.scope_id)->quote_data), childKeepsData);
        QVERIFY(!f.tree->FindNode(f.parent.scope_id)->quote_data);
    }

    void threadedLoopDeliversAndStops() {
        Fixture f;
        f.RegisterJoin();
        QuoteTaskExecutor executor(f.context);
        executor.Track(f.tree);
        // The signal comes from the executor's thread: count it through a queued connection to this
        // thread (QSignalSpy's direct append would race with the reads below).
        std::atomic<int> queued{0};
        std::atomic<int> observed{0};
        QObject receiver;
        connect(
            &executor, &QuoteTaskExecutor::parentDataChanged, &receiver,
            [&queued](int) { ++queued; }, Qt::QueuedConnection);
        executor.SetObserver([&observed](int) { ++observed; });
        executor.Start();
        executor.Start();  // a second Start is harmless
        for (int i = 0; i < 3; ++i) {
            QVERIFY(f.queue.Push({f.child.scope_id, Answer(i + 1)}, 1000));
        }
        QTRY_COMPARE_WITH_TIMEOUT(queued.load(), 3, 5000);
        QCOMPARE(observed.load(), 3);
        executor.Stop();
        QVERIFY(!executor.IsRunning());
        f.queue.Push({f.child.scope_id, Answer(9)});
        QCOMPARE(f.queue.Size(), 1);  // nobody takes it any more
        QCOMPARE(f.ParentData()->total_count, 6);
    }
};

QTEST_GUILESS_MAIN(TstQuoteTaskExecutor)
#include "tst_quotetaskexecutor.moc"
