// The simulated market's classified trades and the capital flows and deals a trader compares: the
// order-size classes at their bounds; the day's flow by side and size is exactly the sum of the
// trades heard, the price-volume table adds up to the day volume side by side, a board's flow is
// the sum of its members', a seed gives the same tape; what the server answers agrees with those
// trades; and every resolver's node goes through the real plug-in file and back to its parent.
#include <QPluginLoader>
#include <QtTest>

#include <map>
#include <memory>
#include <numeric>

#include "host/core/HostClock.h"
#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "host/quoter/ScopeTree.h"
#include "services/capitalflow/CapitalFlowDecoders.h"
#include "services/deals/DealsDecoders.h"
#include "sim/market/MarketAnswers.h"
#include "sim/market/SimulatedMarketBackend.h"

using simmarket::ClassifyAmount;
using simmarket::FlowCell;
using simmarket::OrderSize;
using simmarket::SimulatedMarket;
using simmarket::StockState;
using simmarket::Trade;
using simmarket::TradeFlow;
using simmarket::TradeSide;

Q_DECLARE_METATYPE(OrderSize)

namespace {

constexpr int kWaitMs = 5000;  // ms, bounded wait for cross-thread deliveries
constexpr TradeSide kSides[] = {TradeSide::Buy, TradeSide::Sell, TradeSide::Other};
constexpr OrderSize kSizes[] = {OrderSize::Little, OrderSize::Medium, OrderSize::Large,
                                OrderSize::ExtraLarge};

// Every cell of a flow, (volume, amount, count) by side and size.
QList<qint64> CellsOf(const TradeFlow& flow) {
    QList<qint64> cells;
    for (TradeSide side : kSides) {
        for (OrderSize size : kSizes)
            cells << flow.Cell(side, size).volume << flow.Cell(side, size).amount
                  << flow.Cell(side, size).count;
    }
    return cells;
}

ResponsePkg_12930 StockFlow(const SimulatedMarket& m, const QString& code) {
    return capitalflow::DecodeStockFlowBody(simmarket::FlowOrDealsBody(m, 12930, code, 0))
        .record->package;
}
ResponsePkg_12932 BoardFlow(const SimulatedMarket& m, const QString& code) {
    return capitalflow::DecodeBoardFlowBody(simmarket::FlowOrDealsBody(m, 12932, code, 1))
        .record->package;
}
ResponsePkg_12973 BoardAnalysis(const SimulatedMarket& m, const QString& code) {
    return capitalflow::DecodeBoardAnalysisBody(simmarket::FlowOrDealsBody(m, 12973, code, 15))
        .record->package;
}
ResponsePkgEntity_12915 PriceDeals(const SimulatedMarket& m, const QString& code) {
    return *deals::DecodePriceDealsBody(simmarket::FlowOrDealsBody(m, 12915, code, 0)).record;
}

qint64 Lots(const TradeFlow& f, TradeSide side, OrderSize size) {
    return f.Cell(side, size).volume / simmarket::OrderBook::kLot;
}

// A client's request for the four panels of one stock and its board.
struct Panels {
    Panels(const QString& stock, const QString& board) : tree(QSharedPointer<ScopeTree>::create()) {
        const QList<QPair<ScopeTypeVariant, QString>> roots = {
            {ScopeTypeVariant(17), stock},
            {ScopeTypeVariant(10), stock},
            {ScopeTypeVariant("board_capitalflow_12932"), board},
            {ScopeTypeVariant("board_stkanalysis_12973"), board}};
        for (const auto& root : roots) {
            ScopeTreeNode node = ScopeTreeNode::NewRoot(root.first);
            node.stock_list = StockListExpression::FromStockCode(root.second);
            tree->AddRoot(node);
            ids << node.scope_id;
        }
    }
    // The rows on the i-th root, once joined (else empty).
    QList<nscell::DataRow> Rows(int i) const {
        const std::optional<ScopeTreeNode> node = tree->FindNode(ids[i]);
        const auto* table =
            node ? dynamic_cast<const DealsQuoteData*>(node->quote_data.data()) : nullptr;
        return table ? table->rows : QList<nscell::DataRow>();
    }
    QSharedPointer<ScopeTree> tree;
    QList<int> ids;
};

}  // namespace

class TestFlowPanels : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        for (int tick = 0; tick < 2000; ++tick)
            market_.Step();
    }
    void cleanup() { HostClock::UseSystemClock(); }
    void classifiesByAmount_data();
    void classifiesByAmount();
    void flowsAreTheSumOfTheTradesHeard();
    void priceTableAddsUpToTheDayVolume();
    void boardFlowIsTheSumOfItsMembers();
    void sizesFollowThePrice();
    void aSeedGivesTheSameTape();
    void answersAgreeWithTheTrades();
    void everyResolverThroughThePlugIn();

private:
    SimulatedMarket market_;  // a day's 2000 steps, read only
};

void TestFlowPanels::classifiesByAmount_data() {
    QTest::addColumn<qint64>("yuan");
    QTest::addColumn<OrderSize>("size");
    QTest::newRow("nothing") << qint64(0) << OrderSize::Little;
    QTest::newRow("just under medium") << qint64(49999) << OrderSize::Little;
    QTest::newRow("medium from 50 000") << qint64(50000) << OrderSize::Medium;
    QTest::newRow("just under large") << qint64(199999) << OrderSize::Medium;
    QTest::newRow("large from 200 000") << qint64(200000) << OrderSize::Large;
    QTest::newRow("just under extra-large") << qint64(999999) << OrderSize::Large;
    QTest::newRow("extra-large from 1 000 000") << qint64(1000000) << OrderSize::ExtraLarge;
    QTest::newRow("beyond 32 bits") << (qint64(1) << 40) << OrderSize::ExtraLarge;
}

void TestFlowPanels::classifiesByAmount() {
    QFETCH(qint64, yuan);
    QFETCH(OrderSize, size);
    QCOMPARE(ClassifyAmount(yuan), size);
}

void TestFlowPanels::flowsAreTheSumOfTheTradesHeard() {
    HostClock::SetForTest(1717725600000);  // 2024-06-07 10:00 +08:00
    SimulatedMarket market;
    std::map<QString, TradeFlow> heardFlow;
    std::map<QString, QList<Trade>> heard;
    market.AddTradeListener([&](const Trade& t) {
        heardFlow[t.code].Add(t);
        heard[t.code] << t;
    });
    std::map<QString, TradeFlow> before;
    std::map<QString, quint32> sequenceBefore;
    for (const QString& code : market.StockCodes()) {
        before[code] = market.FindState(code)->Flow();
        sequenceBefore[code] = market.FindState(code)->DealCount();
    }
    for (int tick = 0; tick < 600; ++tick) {
        HostClock::AdvanceForTest(500);
        market.Step();
        for (const QString& code : market.StockCodes()) {
            const StockState* s = market.FindState(code);
            QVERIFY(!s->TickTrades().isEmpty());
            QCOMPARE(s->TickTrades().last().price, s->Last());
            QCOMPARE(s->TickTrades().last().time_ms, HostClock::NowMs());
        }
    }
    for (const QString& code : market.StockCodes()) {
        const StockState* s = market.FindState(code);
        // The day's flow is what it was plus exactly the trades heard.
        TradeFlow expected = before[code];
        expected.Add(heardFlow[code]);
        QVERIFY2(CellsOf(s->Flow()) == CellsOf(expected), qPrintable(code));
        // Sequences continue without gaps; each trade is classified by its own amount.
        quint32 sequence = sequenceBefore[code];
        for (const Trade& t : heard[code]) {
            QCOMPARE(t.sequence, ++sequence);
            QVERIFY(t.volume > 0 && t.volume % simmarket::OrderBook::kLot == 0);
            QVERIFY(t.price >= s->Stock().LimitDown() && t.price <= s->Stock().LimitUp());
            QCOMPARE(t.amount, qint64(t.volume) * t.price / 100);
            QCOMPARE(t.size, ClassifyAmount(t.amount));
        }
        QCOMPARE(s->DealCount(), sequence);
        QCOMPARE(s->InnerVolume(), s->Flow().SideTotal(TradeSide::Sell).volume);
        QCOMPARE(s->OuterVolume(), s->Flow().SideTotal(TradeSide::Buy).volume);
    }
}

void TestFlowPanels::priceTableAddsUpToTheDayVolume() {
    for (const QString& code : market_.StockCodes()) {
        const StockState* s = market_.FindState(code);
        qint64 buy = 0, sell = 0, other = 0, total = 0;
        for (const auto& row : s->PriceTable().ByPrice()) {
            QVERIFY(row.first >= s->Low() && row.first <= s->High());
            buy += row.second.buy;
            sell += row.second.sell;
            other += row.second.other;
            total += row.second.Total();
        }
        QCOMPARE(total, s->Volume());
        QCOMPARE(buy, s->OuterVolume());
        QCOMPARE(sell, s->InnerVolume());
        QCOMPARE(other, s->Flow().SideTotal(TradeSide::Other).volume);
        QVERIFY(s->PriceTable().ByPrice().count(s->Last()) == 1);
    }
}

void TestFlowPanels::boardFlowIsTheSumOfItsMembers() {
    for (const simmarket::SimBoard& board : simmarket::Boards()) {
        TradeFlow sum;
        for (const QString& member : board.members)
            sum.Add(market_.FindState(member)->Flow());
        QVERIFY2(CellsOf(market_.BoardFlow(board.code)) == CellsOf(sum), qPrintable(board.code));
    }
    const TradeFlow banks = market_.BoardFlow("BK0475");  // two members
    QVERIFY(banks.Total().volume > market_.FindState("SH600000")->Volume());
    QCOMPARE(market_.BoardFlow("BK9999").Total().count, qint64(0));
}

// A lot of a 10.52 stock is 1 052 yuan, of a 1 688.00 one 168 800: the dear stock never trades
// little, the cheap one trades every class.
void TestFlowPanels::sizesFollowThePrice() {
    const TradeFlow& cheap = market_.FindState("SH600000")->Flow();
    const TradeFlow& dear = market_.FindState("SH600519")->Flow();
    for (OrderSize size : kSizes) {
        QVERIFY(cheap.Cell(TradeSide::Buy, size).count > 0);
        QVERIFY(cheap.Cell(TradeSide::Sell, size).count > 0);
    }
    QCOMPARE(dear.Cell(TradeSide::Buy, OrderSize::Little).count, qint64(0));
    QCOMPARE(dear.Cell(TradeSide::Sell, OrderSize::Little).count, qint64(0));
    // Little trades are the most frequent, extra-large ones carry the most money per trade.
    const FlowCell little = cheap.Cell(TradeSide::Buy, OrderSize::Little);
    const FlowCell extra = cheap.Cell(TradeSide::Buy, OrderSize::ExtraLarge);
    QVERIFY(little.count > extra.count);
    QVERIFY(extra.amount / extra.count > 20 * (little.amount / little.count));
}

void TestFlowPanels::aSeedGivesTheSameTape() {
    const auto tape = [](quint32 seed) {
        HostClock::SetForTest(1717725600000);
        SimulatedMarket market(seed);
        QList<QPair<qint32, qint32>> trades;  // (price, volume)
        market.AddTradeListener([&](const Trade& t) { trades << qMakePair(t.price, t.volume); });
        for (int tick = 0; tick < 100; ++tick)
            market.Step();
        return trades;
    };
    QCOMPARE(tape(7), tape(7));
    QVERIFY(tape(8) != tape(7));
}

void TestFlowPanels::answersAgreeWithTheTrades() {
    const SimulatedMarket& market = market_;
    for (const QString& code : market.StockCodes()) {
        const simmarket::StockState* s = market.FindState(code);
        // 12915: the rows add up to the day volume, each row's sides to its total.
        const ResponsePkgEntity_12915 deals = PriceDeals(market, code);
        quint64 sum = 0;
        for (const PriceDealRecord& r : deals.records) {
            QCOMPARE(quint64(r.buy_volume) + r.sell_volume + r.other_volume,
                     quint64(r.total_volume));
            QVERIFY(r.total_volume <= deals.max_total_volume);
            sum += r.total_volume;
        }
        QCOMPARE(qint64(sum), qint64(deals.day_volume));
        QCOMPARE(qint64(deals.day_volume), s->Volume());
        QVERIFY(deals.records.size() >= 2);
        // 12930: volumes by size are the stock's trades, in lots.
        const ResponsePkg_12930 flow = StockFlow(market, code);
        const TradeFlow& f = s->Flow();
        const qint32 bySize[] = {flow.little_buy_volume,      flow.little_sell_volume,
                                 flow.medium_buy_volume,      flow.medium_sell_volume,
                                 flow.large_buy_volume,       flow.large_sell_volume,
                                 flow.extra_large_buy_volume, flow.extra_large_sell_volume};
        for (int i = 0; i < 8; ++i) {
            const TradeSide side = i % 2 == 0 ? TradeSide::Buy : TradeSide::Sell;
            QCOMPARE(qint64(bySize[i]), Lots(f, side, kSizes[i / 2]));
        }
        QCOMPARE(qint64(flow.volume_diff), (s->OuterVolume() - s->InnerVolume()) / 100);
        QCOMPARE(qint64(flow.total_buy), s->Book().BidVolume() / 100);
        // 12917: the best levels' queues, as 12989 shows them.
        const auto queues =
            deals::DecodeWillDealsBody(simmarket::FlowOrDealsBody(market, 12917, code, 0)).record;
        const simwire::FastQuoteBook book = market.FastQuote(code, 1);
        QCOMPARE(queues->bid_price, book.buy[0].price);
        QCOMPARE(QVector<qint32>(queues->bid_volumes.begin(), queues->bid_volumes.end()),
                 book.buy[0].queued);
        QCOMPARE(queues->ask_order_count, book.sell[0].order_count);
        QCOMPARE(QVector<qint32>(queues->ask_volumes.begin(), queues->ask_volumes.end()),
                 book.sell[0].queued);
    }
    // 12932 and 12973: sums over the members.
    for (const simmarket::SimBoard& board : simmarket::Boards()) {
        qint64 xlBuy = 0, littleSell = 0, largeNet = 0;
        for (const QString& member : board.members) {
            const TradeFlow& f = market.FindState(member)->Flow();
            xlBuy += f.Cell(TradeSide::Buy, OrderSize::ExtraLarge).amount;
            littleSell += f.Cell(TradeSide::Sell, OrderSize::Little).amount;
            largeNet += f.LargeNet().amount;
        }
        const ResponsePkg_12932 amounts = BoardFlow(market, board.code);
        QCOMPARE(amounts.extra_large_buy_amount, xlBuy);
        QCOMPARE(amounts.little_sell_amount, littleSell);
        const ResponsePkg_12973 analysis = BoardAnalysis(market, board.code);
        QCOMPARE(qint64(analysis.CurrentDayLargeInCapital), largeNet / 10000);
        QCOMPARE(int(analysis.entry_count), board.members.size());
    }
    // A stock is not a board, nor the reverse: no answer.
    QVERIFY(simmarket::FlowOrDealsBody(market, 12932, "SH600000", 1).isNull());
    QVERIFY(simmarket::FlowOrDealsBody(market, 12930, "BK0475", 0).isNull());
}

void TestFlowPanels::everyResolverThroughThePlugIn() {
    SimulatedMarketBackend::Options options;
    options.timers = false;
    auto backend = std::make_shared<SimulatedMarketBackend>(options);
    SimulatedMarketBackend::InstallForBothServices(backend);
    for (int tick = 0; tick < 50; ++tick) {
        backend->Step();
    }
    auto context = std::make_unique<QuoteContext>();
    QPluginLoader loader(QStringLiteral(QZLV2_PLUGIN_FILE));
    auto* factory = qobject_cast<QuoterFactoryInterface*>(loader.instance());
    QVERIFY2(factory != nullptr, qPrintable(loader.errorString()));
    QuoteDataSourceHandler* handler = factory->CreateHandler(*context, "qzlv2");
    context->OwnIntentHolder().SetChainHead(handler);
    context->FindQuoteDataSourceController("qzlv2")->RegisterJoinMethods();
    auto executor = std::make_unique<QuoteTaskExecutor>(*context);
    QTRY_COMPARE_WITH_TIMEOUT(backend->LinkCount(), 2, kWaitMs);

    const Panels panels("SH600000", "BK0475");
    executor->Track(panels.tree);
    context->OwnIntentHolder().Dispatch(
        QSharedPointer<QuoteDataSourceIntent>::create(1, 0x01, panels.tree));
    const auto complete = [&] {
        executor->ProcessPending();
        for (int i = 0; i < panels.ids.size(); ++i) {
            if (panels.Rows(i).isEmpty())
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(complete(), kWaitMs);

    ResponsePkg_12930 flow;
    ResponsePkgEntity_12915 deals;
    ResponsePkg_12932 board;
    ResponsePkg_12973 analysis;
    backend->ReadMarket([&](const SimulatedMarket& m) {
        flow = StockFlow(m, "SH600000");
        deals = PriceDeals(m, "SH600000");
        board = BoardFlow(m, "BK0475");
        analysis = BoardAnalysis(m, "BK0475");
    });
    QCOMPARE(panels.Rows(0).size(), 1);
    QCOMPARE(panels.Rows(0)[0].Get("little_buy_volume").ToInt64(), qint64(flow.little_buy_volume));
    QCOMPARE(panels.Rows(0)[0].Get("ddx").ToInt64(), qint64(flow.ddx));
    const QList<nscell::DataRow> table = panels.Rows(1);
    QCOMPARE(table.size(), int(deals.records.size()));
    qint64 total = 0;
    for (const nscell::DataRow& row : table)
        total += row.Get("total_deal_volume").ToInt64();
    QCOMPARE(total, qint64(deals.day_volume));
    QCOMPARE(panels.Rows(2)[0].Get("extra_large_sell_amount").ToInt64(),
             board.extra_large_sell_amount);
    QCOMPARE(panels.Rows(3)[0].Get("CurrentDayLargeInCapital").ToInt64(),
             qint64(analysis.CurrentDayLargeInCapital));

    executor.reset();
    delete handler;
    ServerBackendRegistry::Clear();
    backend.reset();
}

QTEST_GUILESS_MAIN(TestFlowPanels)
#include "tst_flowpanels.moc"
