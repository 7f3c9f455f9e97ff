// The simulated market and its quote server, stepped by hand: books stay plausible, a seed gives
// the same market, the trades heard make the flows, the large-deal tape and the signals, the
// server's answers (read by the plug-in's own decoders) agree with the market, the minute records
// add up to the day's flow and page where revindex says, the K-line flow history is deterministic
// and paged as a server pages it, and the server pushes, forgets and keeps quiet as a real one
// does. The road through the plug-in file on this market: the tool's watch tests and the stress
// tests.
#include <QtTest>

#include <map>
#include <numeric>
#include <tuple>
#include <utility>

#include "host/core/HostClock.h"
#include "services/capitalflow/CapitalFlowDecoders.h"
#include "services/deals/DealsDecoders.h"
#include "services/largedeals/LargeDealDecoder.h"
#include "services/minuteflow/FlowFields.h"
#include "services/minuteflow/MinuteIndicatorRows.h"
#include "services/signals/SignalDecoders.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/market/KlineFlowHistory.h"
#include "sim/market/LargeDealTape.h"
#include "sim/market/MarketAnswers.h"
#include "sim/market/SignalDetector.h"
#include "sim/market/SimulatedMarketBackend.h"

using namespace simmarket;

namespace {

constexpr qint64 kMorning = 1700015400000;  // ms since the epoch, 10:30 +08:00
constexpr qint64 kOpen = 1717723800000;     // ms since the epoch, 09:30 +08:00
const QDate kToday(2024, 6, 28);            // the K-line flow history's last day
constexpr int kTickMs = 500;
constexpr TradeSide kSides[] = {TradeSide::Buy, TradeSide::Sell, TradeSide::Other};
constexpr OrderSize kSizes[] = {OrderSize::Little, OrderSize::Medium, OrderSize::Large,
                                OrderSize::ExtraLarge};
// The accessor's side of the seam, without its thread: (function, task id or -1, body) sent.
class RecordingLink : public IServerLink {
public:
    using Sent = std::tuple<int, int, QByteArray>;
    void Answer(const ServerRequest& r, const QByteArray& b) override {
        sent << Sent{r.funcId, r.taskId, b};
    }
    void Fail(const ServerRequest&, int, const QString&) override {}
    void Push(int funcId, const QByteArray& b) override { sent << Sent{funcId, -1, b}; }
    void ReportAccessState(_enAccessState state) override { states << state; }
    QList<Sent> Take() { return std::exchange(sent, {}); }
    QByteArray Body(int i) const { return std::get<2>(sent.value(i)); }

    QList<Sent> sent;
    QList<_enAccessState> states;
};

// A request as the accessor hands it to a backend: 12989, or 10000/10002 with mask 1.
ServerRequest Raw(int funcId, const QStringList& codes, int taskId, quint32 mask1 = 0) {
    ServerRequest r;
    r.funcId = funcId;
    r.taskId = taskId;
    r.params = {{"Int16U", 0},     {"Int16U", 0},           {"Strings", codes},
                {"Int32U", mask1}, {"Int32U", 0x60400415u}, {"Int32U", 0}};
    if (funcId == 12989)
        r.params = {{"String", codes.value(0)}, {"Int16U", 10}};
    return r;
}

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

}  // namespace

class TestSimulatedMarket : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        for (int tick = 0; tick < 2000 && !QTest::currentTestFailed(); ++tick) {
            market_.Step();
            CheckBooks(market_);
        }
    }
    void cleanup() { HostClock::UseSystemClock(); }
    void limitsAndSeed() {
        // 10.52 main board: +-10 %, rounded to the cent; 180.35 growth, 51.80 star board: +-20 %.
        QCOMPARE(FindStock("SH600000")->LimitUp(), 1157);
        QCOMPARE(FindStock("SH600000")->LimitDown(), 947);
        QCOMPARE(FindStock("SZ300750")->LimitUp(), 21642);
        QCOMPARE(FindStock("SH688981")->LimitDown(), 4144);
        const auto tape = [](quint32 seed) {
            HostClock::SetForTest(kMorning);
            SimulatedMarket market(seed);
            QList<QPair<qint32, qint32>> trades;  // (price, volume)
            market.AddTradeListener(
                [&](const Trade& t) { trades << qMakePair(t.price, t.volume); });
            for (int tick = 0; tick < 100; ++tick)
                market.Step();
            return trades;
        };
        QCOMPARE(tape(7), tape(7));
        QVERIFY(tape(8) != tape(7));
    }

    // One morning's trades, heard as they happen: the day's flow grows by exactly them, each
    // classified by its own amount, every large deal is one of them with its volume on the
    // aggressor's side, and each signal kind's rule holds for the state that raised it.
    void tradesHeardMakeFlowsTapeAndSignals() {
        HostClock::SetForTest(kMorning);
        SimulatedMarket market;
        LargeDealTape tape;
        SignalDetector detector;
        std::map<QString, TradeFlow> flows;
        QList<Trade> large;
        int extraLarge = 0;
        for (const QString& code : market.StockCodes())
            flows[code] = market.FindState(code)->Flow();
        market.AddTradeListener([&](const Trade& t) {
            flows[t.code].Add(t);
            QCOMPARE(t.size, ClassifyAmount(t.amount));
            tape.Record(t, 2);
            detector.OnTrade(t, *FindStock(t.code));
            if (t.amount >= LargeDealTape::kLargeDealFromYuan && t.code == "SZ300750")
                large << t;
            extraLarge += t.size == OrderSize::ExtraLarge && t.side != TradeSide::Other;
        });
        const QString limitUp = QString::fromUtf8("封涨停板"),
                      high = QString::fromUtf8("创今日新高");
        for (int tick = 0; tick < 1500; ++tick) {
            HostClock::AdvanceForTest(kTickMs);
            market.Step();
            const int signalsBefore = int(detector.All().size());
            for (const QString& code : market.StockCodes())
                detector.AfterStep(*market.FindState(code), HostClock::NowMs());
            for (auto it = detector.All().begin() + signalsBefore; it != detector.All().end();
                 ++it) {
                const StockState* state = market.FindState(it->stock_code);
                if (it->signal_type_name == limitUp)
                    QCOMPARE(state->Last(), state->Stock().LimitUp());
                if (it->signal_type_name == high)
                    QCOMPARE(it->value_a, state->High());
            }
        }
        for (const QString& code : market.StockCodes())
            QVERIFY2(CellsOf(market.FindState(code)->Flow()) == CellsOf(flows[code]),
                     qPrintable(code));
        QVERIFY(large.size() > 10);
        const QVector<LargeDealRecord> deals = tape.Page("SZ300750", 1, 100000);
        QCOMPARE(deals.size(), large.size());
        for (int i = 0; i < deals.size(); ++i) {
            QCOMPARE(deals[i].sequence, i + 1);
            QCOMPARE(deals[i].deal_price, large[i].price);
            QCOMPARE(deals[i].in_number, large[i].side == TradeSide::Buy ? large[i].volume : 0);
            QCOMPARE(deals[i].out_number, large[i].side == TradeSide::Sell ? large[i].volume : 0);
            QCOMPARE(deals[i].value_a, large[i].amount);
        }
        QCOMPARE(tape.Page("SZ300750", 5, 2), deals.mid(4, 2));
        int bigTrades = 0;
        QSet<QString> kinds;
        for (const ShortLineSignal& s : detector.All()) {
            kinds << s.signal_type_name;
            bigTrades += s.signal_type_name == QString::fromUtf8("大笔买入") ||
                         s.signal_type_name == QString::fromUtf8("大笔卖出");
        }
        QCOMPARE(bigTrades, extraLarge);  // exactly the extra-large attributed trades
        QVERIFY2(kinds.size() >= 6, qPrintable(QStringList(kinds.values()).join(",")));
    }

    void flowAndDealsAnswersAgreeWithTheTrades() {
        for (const QString& code : market_.StockCodes()) {
            const StockState* s = market_.FindState(code);
            // 12915: the rows add up to the day volume, each row's sides to its total.
            const ResponsePkgEntity_12915 deals =
                *deals::DecodePriceDealsBody(FlowOrDealsBody(market_, 12915, code, 0)).record;
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
            const ResponsePkg_12930 flow =
                capitalflow::DecodeStockFlowBody(FlowOrDealsBody(market_, 12930, code, 0))
                    .record->package;
            const qint32 bySize[] = {flow.little_buy_volume,      flow.little_sell_volume,
                                     flow.medium_buy_volume,      flow.medium_sell_volume,
                                     flow.large_buy_volume,       flow.large_sell_volume,
                                     flow.extra_large_buy_volume, flow.extra_large_sell_volume};
            for (int i = 0; i < 8; ++i) {
                const TradeSide side = i % 2 == 0 ? TradeSide::Buy : TradeSide::Sell;
                QCOMPARE(qint64(bySize[i]),
                         s->Flow().Cell(side, kSizes[i / 2]).volume / OrderBook::kLot);
            }
            QCOMPARE(qint64(flow.volume_diff), (s->OuterVolume() - s->InnerVolume()) / 100);
            QCOMPARE(qint64(flow.total_buy), s->Book().BidVolume() / 100);
            // 12917: the best levels' queues, as 12989 shows them.
            const auto queues =
                deals::DecodeWillDealsBody(FlowOrDealsBody(market_, 12917, code, 0)).record;
            const simwire::FastQuoteBook book = market_.FastQuote(code, 1);
            QCOMPARE(queues->bid_price, book.buy[0].price);
            QCOMPARE(QVector<qint32>(queues->bid_volumes.begin(), queues->bid_volumes.end()),
                     book.buy[0].queued);
            QCOMPARE(queues->ask_order_count, book.sell[0].order_count);
            QCOMPARE(QVector<qint32>(queues->ask_volumes.begin(), queues->ask_volumes.end()),
                     book.sell[0].queued);
        }
        // 12932 and 12973: sums over the members.
        for (const SimBoard& board : Boards()) {
            qint64 xlBuy = 0, littleSell = 0, largeNet = 0;
            for (const QString& member : board.members) {
                const TradeFlow& f = market_.FindState(member)->Flow();
                xlBuy += f.Cell(TradeSide::Buy, OrderSize::ExtraLarge).amount;
                littleSell += f.Cell(TradeSide::Sell, OrderSize::Little).amount;
                largeNet += f.LargeNet().amount;
            }
            const ResponsePkg_12932 amounts =
                capitalflow::DecodeBoardFlowBody(FlowOrDealsBody(market_, 12932, board.code, 1))
                    .record->package;
            QCOMPARE(amounts.extra_large_buy_amount, xlBuy);
            QCOMPARE(amounts.little_sell_amount, littleSell);
            const ResponsePkg_12973 analysis = capitalflow::DecodeBoardAnalysisBody(
                                                   FlowOrDealsBody(market_, 12973, board.code, 15))
                                                   .record->package;
            QCOMPARE(qint64(analysis.CurrentDayLargeInCapital), largeNet / 10000);
            QCOMPARE(int(analysis.entry_count), board.members.size());
        }
        // A stock is not a board, nor the reverse: no answer.
        QVERIFY(FlowOrDealsBody(market_, 12932, "SH600000", 1).isNull());
        QVERIFY(FlowOrDealsBody(market_, 12930, "BK0475", 0).isNull());
    }

    void signalAnswersDecodeToWhatTheMarketHolds() {
        HostClock::SetForTest(kMorning);
        SimulatedMarketBackend::Options options;
        options.timers = false;
        SimulatedMarketBackend backend(options);
        RecordingLink link;
        backend.Attach(&link);
        for (int i = 0; i < 1500; ++i) {
            HostClock::AdvanceForTest(kTickMs);
            backend.Step();
        }
        link.Take();
        const RequestParams shortForm = {{"Int32U", 0},
                                         {"Int32U", 50},
                                         {"Int08U", 0},
                                         {"Strings", QStringList()},
                                         {"Strings", QStringList{"SZ", "BK0475"}},
                                         {"Int08U", 2},
                                         {"Int32U", 3}};
        const QList<QPair<int, RequestParams>> requests = {
            {12990, {{"String", "SZ300750"}, {"Int32", 0}, {"Int16", 1}, {"Int16", 2}}},
            {12990, {{"String", "SZ300750"}, {"Int32", 2}, {"Int16", 3}, {"Int16", 1}}},
            {10015, {{"Int16U", 1}, {"Int32U", 1}}},
            {10016, shortForm},
            {10016, RequestParams(shortForm) << qMakePair(QString("Int08"), QVariant(1))
                                             << qMakePair(QString("Int08"), QVariant(4))}};
        for (const auto& request : requests) {
            ServerRequest r;
            r.funcId = request.first;
            r.params = request.second;
            backend.OnRequest(&link, r);
        }
        QCOMPARE(link.sent.size(), 5);
        LargeDealRecord latest;
        QVector<LargeDealRecord> page;
        QVector<ShortLineSignal> expected;
        backend.ReadSignals([&](const LargeDealTape& tape, const SignalDetector& detector) {
            latest = *tape.Latest("SZ300750");
            page = tape.Page("SZ300750", 2, 3);
            expected = detector.Query({"SZ", "BK0475"}, 0, 50);
        });
        const auto latestAnswer = largedeal::DecodeLargeDealBody(link.Body(0), 2);
        QVERIFY(latestAnswer.ok);
        QCOMPARE(latestAnswer.record->records.value(0), latest);
        const auto pageAnswer = largedeal::DecodeLargeDealBody(link.Body(1), 1);
        QCOMPARE(pageAnswer.record->records, page);
        QCOMPARE(pageAnswer.record->first_sequence, 2);
        const auto types = signalwire::DecodeSignalTypeBody(link.Body(2));
        QCOMPARE(types.record->types.size(), 12);
        QSet<quint32> groups;
        for (const SignalType& t : types.record->types)
            groups << t.signal_type_group_code;
        QCOMPARE(groups.size(), 5);
        QVERIFY(!expected.isEmpty());
        for (int form : {3, 4}) {
            const auto signalAnswer = signalwire::DecodeSignalBody(link.Body(form));
            QVERIFY(signalAnswer.ok);
            const QVector<ShortLineSignal>& got = signalAnswer.record->signal_list;
            QCOMPARE(got.size(), expected.size());
            for (int i = 0; i < got.size(); ++i) {
                QVERIFY(got[i].stock_code.startsWith("SZ") || got[i].stock_code == "SH600000");
                QCOMPARE(got[i].order, form == 4 ? expected[i].order : expected[i].order & 0xFFFF);
                QCOMPARE(got[i].signal_description, expected[i].signal_description);
                QCOMPARE(got[i].value_c, form == 4 ? expected[i].value_c : 0u);
            }
        }
        backend.Detach(&link);
    }

    void minuteRecordsAddUpToTheDayFlowAndPageAtRevindex() {
        HostClock::SetForTest(kOpen);
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

    void klineHistoryIsPagedAsAServerPagesIt_data() {
        QTest::addColumn<QString>("cycle");
        QTest::addColumn<int>("periods");
        QTest::addColumn<int>("weekday");  // of every period end; 0: the last weekday of a month
        QTest::newRow("week") << "week" << 1278 << 5;
        QTest::newRow("month") << "month" << 294 << 0;
        QTest::newRow("year") << "year" << 24 << 0;
        QTest::newRow("5mins has no daily history") << "5mins" << 0 << 0;
    }

    void klineHistoryIsPagedAsAServerPagesIt() {
        QFETCH(QString, cycle);
        QFETCH(int, periods);
        QFETCH(int, weekday);
        HostClock::SetForTest(kOpen);
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
        QCOMPARE(KlineFlowHistory(7, kToday).Record("SH600000", cycle, 3).superincap,
                 history.Record("SH600000", cycle, 3).superincap);
        const FlowRecord r = history.Record("SH600000", cycle, 0);
        QCOMPARE(r.net_capital_flow,
                 ((r.superincap + r.bigincap) - (r.superoutcap + r.bigoutcap)) * 10000);
    }

    void serverPushesItsListAndForgetsOnDrop() {
        SimulatedMarketBackend::Options manual;
        manual.timers = false;
        manual.snapshot_push_every = 1;
        SimulatedMarketBackend backend(manual);
        RecordingLink link, gone;
        backend.Attach(&link);
        backend.Attach(&gone);
        QCOMPARE(link.states, QList<_enAccessState>{eAccessState_Connected});
        backend.OnRequest(&link, Raw(19999, {"SH600000"}, 1));  // not simulated: no answer
        backend.OnRequest(&link, Raw(12989, {"SH999999"}, 2));  // unknown stock: no answer
        // A push list request's snapshot-kind bit is dropped, so the pushes are filed as pushes.
        backend.OnRequest(&link, Raw(10000, {"SH600000", "SH999999", "SZ000001"}, 3,
                                     0x19600FDF | snapshot::kStockType));
        QCOMPARE(link.Take().size(), 1);  // the answer to the 10000 request only
        backend.OnRequest(&gone, Raw(12989, {"SH600000"}, 4));
        backend.Detach(&gone);
        backend.Step();
        QStringList pushed;
        for (const RecordingLink::Sent& sent : link.Take()) {
            const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(std::get<2>(sent));
            QVERIFY2(std::get<0>(sent) == 10001 && std::get<1>(sent) == -1 && r.ok && r.record &&
                         !r.record->Has1(snapshot::kStockType),
                     qPrintable(r.error));
            pushed << r.record->code;
        }
        QCOMPARE(pushed, (QStringList{"SH600000", "SZ000001"}));
        backend.OnRequest(&link, Raw(10000, {}, 5));  // an empty list stops the pushes
        backend.Step();
        QCOMPARE(link.Take().size(), 1);  // its answer only
        backend.OnRequest(&link, Raw(12989, {"SH600000"}, 6));
        backend.DropLink();
        QCOMPARE(link.states.last(), eAccessState_Disconnected);
        backend.OnRequest(&link, Raw(12989, {"SZ000001"}, 7));  // not answered while down
        backend.RestoreLink();
        QCOMPARE(link.states.last(), eAccessState_Connected);
        QCOMPARE(link.Take().size(), 1);  // the answer to 6, before the drop
        backend.Step();                   // the server forgot what the dropped connection asked for
        QVERIFY(link.sent.isEmpty());
        backend.OnRequest(&link, Raw(12989, {"SZ000001"}, 8));
        backend.Step();  // answered, then answered again on the tick
        QCOMPARE(link.sent.size(), 2);
        QCOMPARE(std::get<1>(link.sent[1]), 8);
        QCOMPARE(gone.sent.size(), 1);  // its answer before it was detached, nothing after
        QCOMPARE(gone.states, QList<_enAccessState>{eAccessState_Connected});
    }

private:
    // Prices within the limits, levels a spacing apart, queues of lots, and what the 12989
    // answer carries adds up.
    static void CheckBooks(const SimulatedMarket& market) {
        for (const QString& code : market.StockCodes()) {
            const StockState* s = market.FindState(code);
            const qint32 last = s->Last();
            QVERIFY(last >= s->Stock().LimitDown() && last <= s->Stock().LimitUp());
            QVERIFY(s->Low() <= last && last <= s->High());
            const QVector<BookLevel> bids = s->Book().Bids();
            const QVector<BookLevel> asks = s->Book().Asks();
            QVERIFY(bids.isEmpty() || bids.first().price == last);
            QVERIFY(asks.isEmpty() || asks.first().price > last);
            for (int i = 1; i < bids.size(); ++i)
                QCOMPARE(bids[i - 1].price - bids[i].price, s->Spacing());
            for (const BookLevel& level : bids + asks) {
                QVERIFY(!level.orders.isEmpty() && level.orders.size() <= OrderBook::kMaxQueue);
                for (qint32 v : level.orders)
                    QVERIFY(v > 0 && v % OrderBook::kLot == 0);
            }
        }
        for (const simwire::FastQuoteLevel& level : market.FastQuote("SH600000", 10).buy)
            QCOMPARE(level.volume, std::accumulate(level.queued.begin(), level.queued.end(), 0));
    }
    SimulatedMarket market_;  // a day's 2000 steps, read only after initTestCase
};

QTEST_GUILESS_MAIN(TestSimulatedMarket)
#include "tst_simulatedmarket.moc"
