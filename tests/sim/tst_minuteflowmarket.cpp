// The simulated market's minute flows and K-line flow history: the day's minute records add up to
// the day's flow of every class, pages end where revindex says, the history is deterministic and
// paged as a server pages it, and both resolvers' roads through the built plug-in.
#include <QPluginLoader>
#include <QtTest>

#include "host/access/ServerBackend.h"
#include "host/core/CDataStoreMgr.h"
#include "host/core/HostClock.h"
#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/KlineSegment.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "services/minuteflow/FlowFields.h"
#include "services/minuteflow/MinuteIndicatorRows.h"
#include "sim/market/SimulatedMarketBackend.h"

using namespace simmarket;

namespace {

constexpr qint64 kOpen = 1717723800000;  // ms since the epoch
constexpr int kWaitMs = 5000;
const QDate kToday(2024, 6, 28);

}  // namespace

class TestMinuteFlowMarket : public QObject {
    Q_OBJECT

private slots:
    void init() { HostClock::SetForTest(kOpen); }
    void cleanup() { HostClock::UseSystemClock(); }
    void minuteRecordsAddUpToTheDayFlowAndPageAtRevindex();
    void klineHistoryIsPagedAsAServerPagesIt_data();
    void klineHistoryIsPagedAsAServerPagesIt();
    void bothResolversThroughThePlugIn();
};

void TestMinuteFlowMarket::minuteRecordsAddUpToTheDayFlowAndPageAtRevindex() {
    SimulatedMarket market;
    for (int i = 0; i < 900; ++i) {
        HostClock::AdvanceForTest(1000);
        market.Step();
    }
    for (const QString& code : market.StockCodes()) {
        const StockState* state = market.FindState(code);
        const MinuteFlows& minutes = state->Minutes();
        QCOMPARE(minutes.MinuteCount(), int(900 * 1000 / MinuteFlows::kSessionMinuteMs) + 1);
        const FlowRecord day = FlowRecordOf(state->Flow(), 0);
        for (const minuteflow::FlowField& field : minuteflow::kFlowFields) {
            qint64 sum = 0;
            for (int m = 0; m < minutes.MinuteCount(); ++m)
                sum += field.get(minutes.Record(m));
            QCOMPARE(qMakePair(code + " " + field.name, sum),
                     qMakePair(code + " " + field.name, field.get(day)));
        }
        QVERIFY(day.superincap + day.bigincap + day.midincap + day.smallincap > 0);
        qint64 running = 0;
        for (const MinuteIndicatorItem& item : minutes.IndicatorItems())
            running = item.value3;
        QCOMPARE(running,
                 (day.superincap + day.bigincap - day.superoutcap - day.bigoutcap) / 10000);
    }
    const MinuteFlows& minutes = market.FindState("SH600000")->Minutes();
    const std::vector<FlowRecord> newest = minutes.Page(0, 60);
    QCOMPARE(int(newest.size()), 60);
    QCOMPARE(newest.back().time, minuteflow::SessionMinuteOf(minutes.MinuteCount() - 1));
    const std::vector<FlowRecord> earlier = minutes.Page(1000, 60);  // 10:00, the 31st minute
    QCOMPARE(int(earlier.size()), 31);
    QCOMPARE(earlier.front().time, 930);
    QCOMPARE(earlier.back().time, 1000);
    QCOMPARE(int(minutes.Page(931, 60).size()), 2);  // a short last page
}

void TestMinuteFlowMarket::klineHistoryIsPagedAsAServerPagesIt_data() {
    QTest::addColumn<QString>("cycle");
    QTest::addColumn<int>("periods");
    QTest::addColumn<int>("weekday");  // of every period end; 0: the last weekday of a month
    QTest::newRow("week") << "week" << 1278 << 5;
    QTest::newRow("month") << "month" << 294 << 0;
    QTest::newRow("quarter") << "quarter" << 98 << 0;
    QTest::newRow("half_year") << "half_year" << 49 << 0;
    QTest::newRow("year") << "year" << 24 << 0;
    QTest::newRow("5mins has no daily history") << "5mins" << 0 << 0;
}

void TestMinuteFlowMarket::klineHistoryIsPagedAsAServerPagesIt() {
    QFETCH(QString, cycle);
    QFETCH(int, periods);
    QFETCH(int, weekday);
    const KlineFlowHistory history(7, kToday);
    QCOMPARE(history.PeriodCount(cycle), periods);
    if (periods == 0) {
        QVERIFY(history.Page("SH600000", cycle, 0, 200).empty());
        return;
    }
    for (int i = 0; i < periods; ++i) {
        const qint32 t = history.PeriodDate(cycle, i);
        const QDate date(t / 10000, t / 100 % 100, t % 100);
        QVERIFY(date <= kToday && (i == 0 || t > history.PeriodDate(cycle, i - 1)));
        if (weekday != 0)
            QCOMPARE(date.dayOfWeek(), weekday);
        else
            QVERIFY(date.dayOfWeek() <= 5 &&
                    date.addDays(date.dayOfWeek() == 5 ? 3 : 1).month() != date.month());
    }
    const std::vector<FlowRecord> newest = history.Page("SH600000", cycle, 0, 200);
    QCOMPARE(int(newest.size()), qMin(200, periods));
    QCOMPARE(newest.back().time, history.PeriodDate(cycle, periods - 1));
    const std::vector<FlowRecord> start =
        history.Page("SH600000", cycle, history.PeriodDate(cycle, 1), 200);
    QCOMPARE(int(start.size()), 2);
    QCOMPARE(start.front().time, history.PeriodDate(cycle, 0));
    // Deterministic, and distinct per stock.
    const KlineFlowHistory again(7, kToday);
    QCOMPARE(again.Record("SH600000", cycle, 3).superincap,
             history.Record("SH600000", cycle, 3).superincap);
    QVERIFY(history.Record("SZ000001", cycle, 3).superincap !=
            history.Record("SH600000", cycle, 3).superincap);
    const FlowRecord r = history.Record("SH600000", cycle, 0);
    QCOMPARE(r.net_capital_flow,
             ((r.superincap + r.bigincap) - (r.superoutcap + r.bigoutcap)) * 10000);
}

// A client asks SH600000's minute flows and its weekly K-line with "supl" and "ma": the minute
// root gets the minute rows, the K-line root the "supl" segment, and "ma" stays for other data
// sources.
void TestMinuteFlowMarket::bothResolversThroughThePlugIn() {
    QTemporaryDir files;
    CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(files.path());
    HostClock::UseSystemClock();
    SimulatedMarketBackend::Options options;
    options.timers = false;
    options.history_today = kToday;
    auto backend = std::make_shared<SimulatedMarketBackend>(options);
    for (int i = 0; i < 20; ++i)
        backend->Step();
    SimulatedMarketBackend::InstallForBothServices(backend);
    QuoteContext context;
    QPluginLoader loader(QStringLiteral(QZLV2_PLUGIN_FILE));
    auto* factory = qobject_cast<QuoterFactoryInterface*>(loader.instance());
    QVERIFY2(factory != nullptr, qPrintable(loader.errorString()));
    // Torn down before the context, also when a check fails.
    struct Chained {
        QuoteContext& context;
        QuoteDataSourceHandler* handler;
        ~Chained() {
            context.OwnIntentHolder().SetChainHead(nullptr);
            delete handler;
            ServerBackendRegistry::Clear();
        }
    } chained{context, factory->CreateHandler(context, "qzlv2")};
    context.OwnIntentHolder().SetChainHead(chained.handler);
    context.FindQuoteDataSourceController("qzlv2")->RegisterJoinMethods();
    QuoteTaskExecutor executor(context);
    QTRY_COMPARE_WITH_TIMEOUT(backend->LinkCount(), 2, kWaitMs);

    auto tree = QSharedPointer<ScopeTree>::create();
    ScopeTreeNode minute = ScopeTreeNode::NewRoot(ScopeTypeVariant("minute_based_capital_flows"));
    ScopeTreeNode kline = ScopeTreeNode::NewRoot(ScopeTypeVariant(7));
    kline.key_list = KeyListExpression::FromKeyList("supl,ma");
    kline.cycle = "week";
    for (ScopeTreeNode* node : {&minute, &kline}) {
        node->stock_list = StockListExpression::FromStockCode("SH600000");
        tree->AddRoot(*node);
    }
    executor.Track(tree);
    context.OwnIntentHolder().Dispatch(
        QSharedPointer<QuoteDataSourceIntent>::create(1, 0x01, tree));

    auto rowsOf = [&] {
        executor.ProcessPending();
        const std::optional<ScopeTreeNode> node = tree->FindNode(minute.scope_id);
        const auto* data =
            node ? dynamic_cast<const BaseQuoteData*>(node->quote_data.data()) : nullptr;
        return data != nullptr && !data->rows.isEmpty() ? data->rows.first().Get("time").ToString()
                                                        : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf(), QString("09:30"), kWaitMs);  // paged back to the open
    auto suplOf = [&] {
        executor.ProcessPending();
        const std::optional<ScopeTreeNode> node = tree->FindNode(kline.scope_id);
        const auto* segment =
            node ? dynamic_cast<const KlineSegment*>(node->quote_data.data()) : nullptr;
        return segment != nullptr && segment->segment_name == "supl" ? segment->RowCount() : 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(suplOf() > 0, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(backend->RequestCount(12844) >= 8,
                             kWaitMs);  // 1278 weeks, pages of 200
    bool maRemains = false;
    for (const ScopeTreeNode& node : tree->GetRemainedNodeList())
        maRemains = maRemains || node.key_list.ToText() == "ma";
    QVERIFY(maRemains);
}

QTEST_GUILESS_MAIN(TestMinuteFlowMarket)
#include "tst_minuteflowmarket.moc"
