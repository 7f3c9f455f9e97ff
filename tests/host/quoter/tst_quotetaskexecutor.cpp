#include <QtTest>

#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteTaskExecutor.h"

namespace {

const int kBoardType = 2;
const int kSplit = 8;

// A join like the stock-board one: keeps the child's rows under a source name on the parent's
// own table and counts the merges in the parent's header.
JoinMethodValue CopyRowsJoin(const ScopeTypeVariant& childType) {
    return JoinMethodValue(JoinMethodKey(kBoardType, ScopeSplitTypeVariant(kSplit), childType),
                           [](ScopeTreeNode& target, const ScopeTreeNode& source) {
                               auto deals = source.quote_data.dynamicCast<DealsQuoteData>();
                               if (!deals) {
                                   return JoinMethodResult(false);
                               }
                               QSharedPointer<DealsQuoteData> merged(
                                   target.quote_data
                                       ? static_cast<DealsQuoteData*>(target.quote_data->Clone())
                                       : new DealsQuoteData);
                               merged->rows << deals->rows;
                               merged->total_count += 1;
                               target.quote_data = merged;
                               return JoinMethodResult(true);
                           });
}

QSharedPointer<QuoteData> OneRow(const QString& column, qint64 value) {
    auto data = QSharedPointer<DealsQuoteData>::create();
    nscell::DataRow row;
    row.Set(column, nscell::UnsharedDataCell::FromBigInteger(value));
    data->rows << row;
    return data;
}

struct Fixture {
    QuoteContext context{16};
    QSharedPointer<ScopeTree> tree = QSharedPointer<ScopeTree>::create();
    ScopeTreeNode parent{ScopeTypeVariant(kBoardType)};
    ScopeTreeNode child;

    Fixture() {
        tree->AddRoot(parent);
        ScopeResolveResult result;
        ScopeTreeNode replaced = parent;
        replaced.split_type = ScopeSplitTypeVariant(kSplit);
        child = ScopeTreeNode::FromParentNode(parent);
        child.scope_type = "qz_Lv2_quoter_10002";
        child.api_type = "10002";
        result.replacement_nodes << replaced;
        result.fetch_nodes << child;
        tree->AdjustBy(result);
    }
};

}  // namespace

class TstQuoteTaskExecutor : public QObject {
    Q_OBJECT
private slots:
    void mergesChildIntoParentAndSignals();
    void ignoresUnknownScopeIds();
    void withoutJoinOnlyStoresChildData();
    void failedJoinLeavesParentAndStaysSilent();
    void fallsBackToJoinWithoutSplit();
    void processPendingHonoursLimit();
    void untrackedTreesAreIgnored();
    void threadedLoopDeliversAndStops();
};

void TstQuoteTaskExecutor::mergesChildIntoParentAndSignals() {
    Fixture f;
    f.context.OwnJoinMethodManager().RegisterJoinMethod(CopyRowsJoin("qz_Lv2_quoter_10002"));
    QuoteTaskExecutor executor(f.context);
    executor.Track(f.tree);
    QList<int> observed;
    executor.SetObserver([&observed](int id) { observed << id; });
    QSignalSpy spy(&executor, &QuoteTaskExecutor::parentDataChanged);

    QVERIFY(f.context.GetQuoteTaskExecMidResultQueue().Push(
        {f.child.scope_id, OneRow("money_flow_today", 5)}));
    QVERIFY(f.context.GetQuoteTaskExecMidResultQueue().Push(
        {f.child.scope_id, OneRow("money_flow_today", 6)}));
    QCOMPARE(executor.ProcessPending(), 2);

    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), f.parent.scope_id);
    QCOMPARE(observed, (QList<int>{f.parent.scope_id, f.parent.scope_id}));
    const auto parentData =
        f.tree->FindNode(f.parent.scope_id)->quote_data.dynamicCast<DealsQuoteData>();
    QVERIFY(parentData);
    QCOMPARE(parentData->rows.size(), 2);
    QCOMPARE(parentData->rows.at(1).Get("money_flow_today").ToInt64(), qint64(6));
    QCOMPARE(parentData->total_count, 2);
    // The child keeps the latest data it answered with.
    const auto childData =
        f.tree->FindNode(f.child.scope_id)->quote_data.dynamicCast<DealsQuoteData>();
    QCOMPARE(childData->rows.at(0).Get("money_flow_today").ToInt64(), qint64(6));
    QCOMPARE(executor.JoinedCount(), 2);
    QCOMPARE(executor.IgnoredCount(), 0);
}

void TstQuoteTaskExecutor::ignoresUnknownScopeIds() {
    Fixture f;
    f.context.OwnJoinMethodManager().RegisterJoinMethod(CopyRowsJoin("qz_Lv2_quoter_10002"));
    QuoteTaskExecutor executor(f.context);
    executor.Track(f.tree);
    QSignalSpy spy(&executor, &QuoteTaskExecutor::parentDataChanged);
    f.context.GetQuoteTaskExecMidResultQueue().Push(
        {ScopeTreeNode::NextScopeId() + 1000, OneRow("x", 1)});
    QCOMPARE(executor.ProcessPending(), 1);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(executor.IgnoredCount(), 1);
    QVERIFY(!f.tree->FindNode(f.parent.scope_id)->quote_data);
}

void TstQuoteTaskExecutor::withoutJoinOnlyStoresChildData() {
    Fixture f;  // no join registered
    QuoteTaskExecutor executor(f.context);
    executor.Track(f.tree);
    QSignalSpy spy(&executor, &QuoteTaskExecutor::parentDataChanged);
    f.context.GetQuoteTaskExecMidResultQueue().Push({f.child.scope_id, OneRow("x", 1)});
    f.context.GetQuoteTaskExecMidResultQueue().Push({f.parent.scope_id, OneRow("root", 1)});
    QCOMPARE(executor.ProcessPending(), 2);
    QCOMPARE(spy.count(), 0);
    QVERIFY(f.tree->FindNode(f.child.scope_id)->quote_data);
    QVERIFY(f.tree->FindNode(f.parent.scope_id)->quote_data);  // a root answered directly
    QCOMPARE(executor.IgnoredCount(), 0);
}

void TstQuoteTaskExecutor::failedJoinLeavesParentAndStaysSilent() {
    Fixture f;
    f.context.OwnJoinMethodManager().RegisterJoinMethod(CopyRowsJoin("qz_Lv2_quoter_10002"));
    QuoteTaskExecutor executor(f.context);
    executor.Track(f.tree);
    QSignalSpy spy(&executor, &QuoteTaskExecutor::parentDataChanged);
    // Plain QuoteData is not the table the join wants: it refuses.
    f.context.GetQuoteTaskExecMidResultQueue().Push(
        {f.child.scope_id, QSharedPointer<QuoteData>(new QuoteData)});
    f.context.GetQuoteTaskExecMidResultQueue().Push(
        {f.child.scope_id, QSharedPointer<QuoteData>()});
    QCOMPARE(executor.ProcessPending(), 2);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!f.tree->FindNode(f.parent.scope_id)->quote_data);
}

void TstQuoteTaskExecutor::fallsBackToJoinWithoutSplit() {
    Fixture f;
    JoinMethodManager joins;
    joins.RegisterJoinMethod(
        JoinMethodValue(JoinMethodKey(kBoardType, "qz_Lv2_quoter_10002"),
                        [](ScopeTreeNode& target, const ScopeTreeNode& source) {
                            target.quote_data = source.quote_data;
                            return JoinMethodResult(true);
                        }));
    QuoteTaskExecutor executor(f.context, &joins);  // an explicit manager, not the context's
    executor.Track(f.tree);
    QSignalSpy spy(&executor, &QuoteTaskExecutor::parentDataChanged);
    const QSharedPointer<QuoteData> data = OneRow("x", 3);
    f.context.GetQuoteTaskExecMidResultQueue().Push({f.child.scope_id, data});
    executor.ProcessPending();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(f.tree->FindNode(f.parent.scope_id)->quote_data, data);
}

void TstQuoteTaskExecutor::processPendingHonoursLimit() {
    Fixture f;
    QuoteTaskExecutor executor(f.context);
    executor.Track(f.tree);
    for (int i = 0; i < 5; ++i) {
        f.context.GetQuoteTaskExecMidResultQueue().Push({f.child.scope_id, OneRow("x", i)});
    }
    QCOMPARE(executor.ProcessPending(2), 2);
    QCOMPARE(f.context.GetQuoteTaskExecMidResultQueue().Size(), 3);
    QCOMPARE(executor.ProcessPending(0), 0);
    QCOMPARE(executor.ProcessPending(), 3);
    QCOMPARE(executor.ProcessPending(), 0);
}

void TstQuoteTaskExecutor::untrackedTreesAreIgnored() {
    Fixture f;
    f.context.OwnJoinMethodManager().RegisterJoinMethod(CopyRowsJoin("qz_Lv2_quoter_10002"));
    QuoteTaskExecutor executor(f.context);
    executor.Track(f.tree);
    executor.Untrack(f.tree);
    f.context.GetQuoteTaskExecMidResultQueue().Push({f.child.scope_id, OneRow("x", 1)});
    executor.ProcessPending();
    QCOMPARE(executor.IgnoredCount(), 1);
    QVERIFY(!f.tree->FindNode(f.child.scope_id)->quote_data);
}

void TstQuoteTaskExecutor::threadedLoopDeliversAndStops() {
    Fixture f;
    f.context.OwnJoinMethodManager().RegisterJoinMethod(CopyRowsJoin("qz_Lv2_quoter_10002"));
    QuoteTaskExecutor executor(f.context);
    executor.Track(f.tree);
    // The signal comes from the executor's thread: count it through a queued connection to this
    // thread (QSignalSpy's direct append would race with the reads below).
    std::atomic<int> queued{0};
    std::atomic<int> observed{0};
    QObject receiver;
    connect(
        &executor, &QuoteTaskExecutor::parentDataChanged, &receiver, [&queued](int) { ++queued; },
        Qt::QueuedConnection);
    executor.SetObserver([&observed](int) { ++observed; });
    executor.Start();
    executor.Start();  // a second Start is harmless
    QVERIFY(executor.IsRunning());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(f.context.GetQuoteTaskExecMidResultQueue().Push({f.child.scope_id, OneRow("x", i)},
                                                                1000));
    }
    QTRY_COMPARE_WITH_TIMEOUT(queued.load(), 3, 5000);
    QCOMPARE(observed.load(), 3);
    executor.Stop();
    QVERIFY(!executor.IsRunning());
    f.context.GetQuoteTaskExecMidResultQueue().Push({f.child.scope_id, OneRow("x", 9)});
    QCOMPARE(f.context.GetQuoteTaskExecMidResultQueue().Size(), 1);
    const auto parentData =
        f.tree->FindNode(f.parent.scope_id)->quote_data.dynamicCast<DealsQuoteData>();
    QCOMPARE(parentData->rows.size(), 3);
}

QTEST_GUILESS_MAIN(TstQuoteTaskExecutor)
#include "tst_quotetaskexecutor.moc"
