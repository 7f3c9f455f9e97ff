// The capital flows and deals of the simulated market, as the panels a trader compares: what the
// server answers agrees with the classified trades (the price-volume table adds up to the day
// volume row by row, a stock's volumes by size are its trades', a board's amounts are the sums
// over its members, the best-price queues are the book's), and every resolver's node goes through
// the real plug-in file and comes back to its parent with those numbers.
#include <QPluginLoader>
#include <QtTest>

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

using simmarket::OrderSize;
using simmarket::SimulatedMarket;
using simmarket::TradeFlow;
using simmarket::TradeSide;

namespace {

constexpr int kWaitMs = 5000;  // ms, bounded wait for cross-thread deliveries

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
    void answersAgreeWithTheTrades();
    void everyResolverThroughThePlugIn();
};

void TestFlowPanels::answersAgreeWithTheTrades() {
    SimulatedMarket market;
    for (int tick = 0; tick < 400; ++tick) {
        market.Step();
    }
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
        QCOMPARE(qint64(flow.extra_large_buy_volume),
                 Lots(f, TradeSide::Buy, OrderSize::ExtraLarge));
        QCOMPARE(qint64(flow.extra_large_sell_volume),
                 Lots(f, TradeSide::Sell, OrderSize::ExtraLarge));
        QCOMPARE(qint64(flow.large_buy_volume), Lots(f, TradeSide::Buy, OrderSize::Large));
        QCOMPARE(qint64(flow.large_sell_volume), Lots(f, TradeSide::Sell, OrderSize::Large));
        QCOMPARE(qint64(flow.medium_buy_volume), Lots(f, TradeSide::Buy, OrderSize::Medium));
        QCOMPARE(qint64(flow.medium_sell_volume), Lots(f, TradeSide::Sell, OrderSize::Medium));
        QCOMPARE(qint64(flow.little_buy_volume), Lots(f, TradeSide::Buy, OrderSize::Little));
        QCOMPARE(qint64(flow.little_sell_volume), Lots(f, TradeSide::Sell, OrderSize::Little));
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
