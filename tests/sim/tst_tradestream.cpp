// The simulated market's classified trades: the order-size classes at their bounds, and the
// invariants every panel built from the trades relies on. The day's flow by side and size is
// exactly the sum of the trades heard, the price-volume table adds up to the day volume side by
// side, a board's flow is the sum of its members', and a seed gives the same tape.
#include <QtTest>

#include <map>

#include "host/core/HostClock.h"
#include "sim/market/SimulatedMarket.h"

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

constexpr TradeSide kSides[] = {TradeSide::Buy, TradeSide::Sell, TradeSide::Other};
constexpr OrderSize kSizes[] = {OrderSize::Little, OrderSize::Medium, OrderSize::Large,
                                OrderSize::ExtraLarge};
constexpr int kTicks = 600;

// The first cell where two flows differ, or an empty text.
QString FlowDifference(const TradeFlow& a, const TradeFlow& b) {
    for (TradeSide side : kSides) {
        for (OrderSize size : kSizes) {
            const FlowCell& x = a.Cell(side, size);
            const FlowCell& y = b.Cell(side, size);
            if (x.volume != y.volume || x.amount != y.amount || x.count != y.count) {
                return QString("side %1 size %2: (%3, %4, %5) vs (%6, %7, %8)")
                    .arg(int(side))
                    .arg(int(size))
                    .arg(x.volume)
                    .arg(x.amount)
                    .arg(x.count)
                    .arg(y.volume)
                    .arg(y.amount)
                    .arg(y.count);
            }
        }
    }
    return QString();
}

// What the tape says for one stock since the listener was added.
struct Heard {
    TradeFlow flow;
    QList<Trade> trades;
};

}  // namespace

class TestTradeStream : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { HostClock::UseSystemClock(); }
    void classifiesByAmount_data();
    void classifiesByAmount();
    void flowsAreTheSumOfTheTradesHeard();
    void priceTableAddsUpToTheDayVolume();
    void boardFlowIsTheSumOfItsMembers();
    void sizesFollowThePrice();
    void aSeedGivesTheSameTape();
};

void TestTradeStream::classifiesByAmount_data() {
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

void TestTradeStream::classifiesByAmount() {
    QFETCH(qint64, yuan);
    QFETCH(OrderSize, size);
    QCOMPARE(ClassifyAmount(yuan), size);
}

void TestTradeStream::flowsAreTheSumOfTheTradesHeard() {
    HostClock::SetForTest(1717725600000);  // 2024-06-07 10:00 +08:00
    SimulatedMarket market;
    std::map<QString, Heard> heard;
    market.AddTradeListener([&](const Trade& t) {
        heard[t.code].flow.Add(t);
        heard[t.code].trades << t;
    });
    std::map<QString, TradeFlow> before;
    std::map<QString, quint32> sequenceBefore;
    for (const QString& code : market.StockCodes()) {
        before[code] = market.FindState(code)->Flow();
        sequenceBefore[code] = market.FindState(code)->DealCount();
    }
    for (int tick = 0; tick < kTicks; ++tick) {
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
        const Heard& h = heard[code];
        // The day's flow is what it was plus exactly the trades heard.
        TradeFlow expected = before[code];
        expected.Add(h.flow);
        const QString difference = FlowDifference(s->Flow(), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(code + ": " + difference));
        // Sequences continue without gaps; each trade is classified by its own amount.
        quint32 sequence = sequenceBefore[code];
        for (const Trade& t : h.trades) {
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

void TestTradeStream::priceTableAddsUpToTheDayVolume() {
    SimulatedMarket market;
    for (int tick = 0; tick < kTicks; ++tick) {
        market.Step();
    }
    for (const QString& code : market.StockCodes()) {
        const StockState* s = market.FindState(code);
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

void TestTradeStream::boardFlowIsTheSumOfItsMembers() {
    SimulatedMarket market;
    for (int tick = 0; tick < 50; ++tick) {
        market.Step();
    }
    for (const simmarket::SimBoard& board : simmarket::Boards()) {
        TradeFlow sum;
        for (const QString& member : board.members) {
            sum.Add(market.FindState(member)->Flow());
        }
        const QString difference = FlowDifference(market.BoardFlow(board.code), sum);
        QVERIFY2(difference.isEmpty(), qPrintable(board.code + ": " + difference));
    }
    const TradeFlow banks = market.BoardFlow("BK0475");  // two members
    QVERIFY(banks.Total().volume > market.FindState("SH600000")->Volume());
    QCOMPARE(market.BoardFlow("BK9999").Total().count, qint64(0));
}

// A lot of a 10.52 stock is 1 052 yuan, of a 1 688.00 one 168 800: the dear stock never trades
// little, the cheap one trades every class.
void TestTradeStream::sizesFollowThePrice() {
    SimulatedMarket market;
    for (int tick = 0; tick < 2000; ++tick) {
        market.Step();
    }
    const TradeFlow& cheap = market.FindState("SH600000")->Flow();
    const TradeFlow& dear = market.FindState("SH600519")->Flow();
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

void TestTradeStream::aSeedGivesTheSameTape() {
    const auto tape = [](quint32 seed) {
        HostClock::SetForTest(1717725600000);
        SimulatedMarket market(seed);
        QList<QPair<qint32, qint32>> trades;  // (price, volume)
        market.AddTradeListener([&](const Trade& t) { trades << qMakePair(t.price, t.volume); });
        for (int tick = 0; tick < 100; ++tick) {
            market.Step();
        }
        return trades;
    };
    QCOMPARE(tape(7), tape(7));
    QVERIFY(tape(8) != tape(7));
}

QTEST_GUILESS_MAIN(TestTradeStream)
#include "tst_tradestream.moc"
