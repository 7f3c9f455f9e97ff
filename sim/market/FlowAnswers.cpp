#include "sim/market/FlowAnswers.h"

#include <algorithm>
#include <limits>

namespace simmarket {

namespace {

constexpr qint64 kYuanPer10k = 10000;
constexpr double kDdxScale = 100000.0;  // ddx in 1/1000 % of the float

template <typename T>
T Saturated(qint64 value) {
    return T(qBound<qint64>(std::numeric_limits<T>::min(), value, std::numeric_limits<T>::max()));
}

qint32 Lots(qint64 shares) {
    return Saturated<qint32>(shares / OrderBook::kLot);
}

// Each (side, size) cell of the flow and the 12930 volume and 12932 amount fields it fills.
struct SizedField {
    TradeSide side;
    OrderSize size;
    qint32 ResponsePkg_12930::*volume;
    qint64 ResponsePkg_12932::*amount;
};

constexpr SizedField kSizedFields[] = {
    {TradeSide::Buy, OrderSize::ExtraLarge, &ResponsePkg_12930::extra_large_buy_volume,
     &ResponsePkg_12932::extra_large_buy_amount},
    {TradeSide::Sell, OrderSize::ExtraLarge, &ResponsePkg_12930::extra_large_sell_volume,
     &ResponsePkg_12932::extra_large_sell_amount},
    {TradeSide::Buy, OrderSize::Large, &ResponsePkg_12930::large_buy_volume,
     &ResponsePkg_12932::large_buy_amount},
    {TradeSide::Sell, OrderSize::Large, &ResponsePkg_12930::large_sell_volume,
     &ResponsePkg_12932::large_sell_amount},
    {TradeSide::Buy, OrderSize::Medium, &ResponsePkg_12930::medium_buy_volume,
     &ResponsePkg_12932::medium_buy_amount},
    {TradeSide::Sell, OrderSize::Medium, &ResponsePkg_12930::medium_sell_volume,
     &ResponsePkg_12932::medium_sell_amount},
    {TradeSide::Buy, OrderSize::Little, &ResponsePkg_12930::little_buy_volume,
     &ResponsePkg_12932::little_buy_amount},
    {TradeSide::Sell, OrderSize::Little, &ResponsePkg_12930::little_sell_volume,
     &ResponsePkg_12932::little_sell_amount},
};

// Volume-weighted mean price of one side of the book, price units (0 for an empty side).
qint32 MeanPrice(const QVector<BookLevel>& levels) {
    qint64 volume = 0;
    double weighted = 0;
    for (const BookLevel& level : levels) {
        volume += level.Volume();
        weighted += double(level.price) * double(level.Volume());
    }
    return volume > 0 ? qint32(weighted / double(volume) + 0.5) : 0;
}

quint32 HundredthsOf(qint32 price, int decimals) {
    qint64 hundredths = price;
    for (int d = decimals; d > 2; --d) {
        hundredths /= 10;
    }
    for (int d = decimals; d < 2; ++d) {
        hundredths *= 10;
    }
    return Saturated<quint32>(hundredths);
}

}  // namespace

ResponsePkg_12930 StockFlowAnswer(const StockState& state) {
    const TradeFlow& f = state.Flow();
    ResponsePkg_12930 p;
    p.total_buy = Lots(state.Book().BidVolume());
    p.total_sell = Lots(state.Book().AskVolume());
    p.average_buy = MeanPrice(state.Book().Bids());
    p.average_sell = MeanPrice(state.Book().Asks());
    p.volume_diff = Lots(f.SideTotal(TradeSide::Buy).volume - f.SideTotal(TradeSide::Sell).volume);
    for (const SizedField& field : kSizedFields) {
        p.*field.volume = Lots(f.Cell(field.side, field.size).volume);
    }
    const qint64 bigNet = f.LargeNet().volume;
    const double floatShares = double(state.Stock().float_shares) * 10000.0;
    p.ddx = floatShares > 0 ? Saturated<qint16>(qint64(bigNet * kDdxScale / floatShares)) : 0;
    return p;
}

ResponsePkg_12932 BoardFlowAnswer(const TradeFlow& f) {
    ResponsePkg_12932 p;
    for (const SizedField& field : kSizedFields) {
        p.*field.amount = f.Cell(field.side, field.size).amount;
    }
    return p;
}

// Members ranked by net inflow; CurrentDayLargeInCapital is the board's net inflow of large and
// extra-large trades, 10^4 yuan.
simwire::BoardAnalysis BoardAnalysisAnswer(const SimulatedMarket& market, const SimBoard& board,
                                           quint16 mask) {
    simwire::BoardAnalysis a;
    a.mask = mask;
    qint64 changeSum = 0;
    for (const QString& code : board.members) {
        const StockState* s = market.FindState(code);
        if (s == nullptr) {
            continue;
        }
        simwire::BoardAnalysisEntry e{
            code,          s->Stock().name,     quint8(code.startsWith("SH") ? 1 : 2),
            s->ChangeBp(), s->MoneyFlowToday(), 0,
            s->Last()};
        a.entries << e;
        changeSum += e.change_bp;
        a.head[e.change_bp > 0 ? 0 : (e.change_bp < 0 ? 1 : 2)] += 1;
    }
    std::stable_sort(a.entries.begin(), a.entries.end(),
                     [](const auto& x, const auto& y) { return x.net_inflow > y.net_inflow; });
    for (int i = 0; i < a.entries.size(); ++i) {
        a.entries[i].rank = quint16(i + 1);
    }
    a.member_count = quint8(a.entries.size());
    a.head[3] = a.entries.isEmpty() ? 0 : qint32(changeSum / a.entries.size());
    a.rising_members = quint16(a.head[0]);
    a.falling_members = quint16(a.head[1]);
    const TradeFlow flow = market.BoardFlow(board.code);
    a.large_in_capital = Saturated<qint32>(flow.LargeNet().amount / kYuanPer10k);
    for (OrderSize size : {OrderSize::Large, OrderSize::ExtraLarge}) {
        a.large_buy += Saturated<qint32>(flow.Cell(TradeSide::Buy, size).amount / kYuanPer10k);
        a.large_sell += Saturated<qint32>(flow.Cell(TradeSide::Sell, size).amount / kYuanPer10k);
    }
    int i = 0;
    for (OrderSize size :
         {OrderSize::Little, OrderSize::Medium, OrderSize::Large, OrderSize::ExtraLarge}) {
        a.tail[i++] = Saturated<qint32>(
            (flow.Cell(TradeSide::Buy, size).amount - flow.Cell(TradeSide::Sell, size).amount) /
            kYuanPer10k);
    }
    return a;
}

PriceDeals PriceDealsAnswer(const StockState& state) {
    PriceDeals answer;
    answer.day_volume = Saturated<qint32>(state.Volume());
    const int decimals = state.Stock().price_precision;
    answer.records.reserve(state.PriceTable().ByPrice().size());
    for (const auto& row : state.PriceTable().ByPrice()) {
        PriceDealRecord r;
        r.price = HundredthsOf(row.first, decimals);
        r.buy_volume = Saturated<quint32>(row.second.buy);
        r.sell_volume = Saturated<quint32>(row.second.sell);
        r.other_volume = Saturated<quint32>(row.second.other);
        r.total_volume = Saturated<quint32>(row.second.Total());
        answer.records.push_back(r);
    }
    return answer;
}

// The first level of each side of the book, the same queues the 12989 answer shows.
ResponsePkgEntity_12917 WillDealsAnswer(const StockState& state, qint32 timeHhmmss) {
    ResponsePkgEntity_12917 q;
    q.header_value = timeHhmmss;
    const QVector<BookLevel> bids = state.Book().Bids();
    const QVector<BookLevel> asks = state.Book().Asks();
    if (!bids.isEmpty()) {
        q.bid_price = bids.first().price;
        q.bid_order_count = bids.first().orders.size();
        q.bid_volumes.assign(bids.first().orders.begin(), bids.first().orders.end());
    }
    if (!asks.isEmpty()) {
        q.ask_price = asks.first().price;
        q.ask_order_count = asks.first().orders.size();
        q.ask_volumes.assign(asks.first().orders.begin(), asks.first().orders.end());
    }
    return q;
}

}  // namespace simmarket
