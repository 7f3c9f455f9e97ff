#include "sim/market/SimulatedMarket.h"

#include <QDateTime>

#include "host/core/HostClock.h"
#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"

namespace simmarket {

namespace {

constexpr quint8 kPrecision = 2;  // decimals of every simulated price
constexpr quint8 kMarginAllowed = 1;
constexpr quint32 kQuotaBalance = 52000000000u / 100;  // yuan, a plausible daily quota left

// Codes of the stock-board tables: the STAR market listing, the growth and SME boards.
constexpr quint8 kStarListing = 9;
constexpr quint8 kGrowthBoardCategory = 3;
constexpr quint8 kSmeBoardCategory = 4;

quint8 SnapshotCategory(const SimStock& stock) {
    if (stock.board == ListingBoard::Growth) {
        return kGrowthBoardCategory;
    }
    return stock.code.startsWith(QLatin1String("SZ00")) ? kSmeBoardCategory : 0;
}

quint32 TimeHhmmss(const QDateTime& t) {
    return quint32(t.time().hour() * 10000 + t.time().minute() * 100 + t.time().second());
}

quint32 DateYyyymmdd(const QDateTime& t) {
    return quint32(t.date().year() * 10000 + t.date().month() * 100 + t.date().day());
}

template <typename Levels>
void FillLevels(Levels& out, const QVector<BookLevel>& levels) {
    for (int i = 0; i < int(out.size()) && i < levels.size(); ++i) {
        out[i].price = levels[i].price;
        out[i].volume = quint32(levels[i].Volume());
    }
}

simwire::FastQuoteLevel ToWireLevel(const BookLevel& level, int decimals) {
    simwire::FastQuoteLevel wire;
    wire.price = level.price;
    wire.volume = qint32(level.Volume());
    wire.order_count = level.orders.size();
    wire.queued = level.orders;
    for (qint32 v : level.orders) {
        if (OrderBook::IsBig(v, level.price, decimals)) {
            wire.big_flag = 1;
        }
    }
    return wire;
}

}  // namespace

SimulatedMarket::SimulatedMarket(quint32 seed) : rng_(seed) {
    const qint64 now = HostClock::NowMs();
    states_.reserve(size_t(Stocks().size()));
    for (const SimStock& stock : Stocks()) {
        states_.emplace_back(stock, rng_, now);
    }
}

void SimulatedMarket::Step() {
    const qint64 now = HostClock::NowMs();
    for (StockState& state : states_) {
        state.Tick(rng_, now);
        for (const Trade& trade : state.TickTrades()) {
            for (const TradeListener& listener : trade_listeners_) {
                listener(trade);
            }
        }
    }
    ++steps_;
}

void SimulatedMarket::AddTradeListener(TradeListener listener) {
    trade_listeners_.push_back(std::move(listener));
}

TradeFlow SimulatedMarket::BoardFlow(const QString& boardCode) const {
    TradeFlow flow;
    if (const SimBoard* board = FindBoard(boardCode)) {
        for (const QString& member : board->members) {
            if (const StockState* state = FindState(member)) {
                flow.Add(state->Flow());
            }
        }
    }
    return flow;
}

const StockState* SimulatedMarket::FindState(const QString& code) const {
    for (const StockState& state : states_) {
        if (state.Stock().code == code) {
            return &state;
        }
    }
    return nullptr;
}

QStringList SimulatedMarket::StockCodes() const {
    QStringList codes;
    for (const StockState& state : states_) {
        codes << state.Stock().code;
    }
    return codes;
}

simwire::FastQuoteBook SimulatedMarket::FastQuote(const QString& code, int levels) const {
    simwire::FastQuoteBook book;
    book.code = code;
    const StockState* state = FindState(code);
    if (state == nullptr) {
        return book;
    }
    const int decimals = state->Stock().price_precision;
    const QVector<BookLevel> bids = state->Book().Bids();
    const QVector<BookLevel> asks = state->Book().Asks();
    for (int i = 0; i < levels && i < bids.size(); ++i) {
        book.buy.append(ToWireLevel(bids[i], decimals));
    }
    for (int i = 0; i < levels && i < asks.size(); ++i) {
        book.sell.append(ToWireLevel(asks[i], decimals));
    }
    book.fast_ten_flag = state->FastTenFlag();
    return book;
}

StockSnapshot SimulatedMarket::Snapshot(const QString& code, quint32 mask1, quint32 mask2,
                                        quint32 mask3) const {
    StockSnapshot s;
    if (const StockState* state = FindState(code)) {
        s = StockSnapshotOf(*state);
    } else if (const SimBoard* board = FindBoard(code)) {
        s = BoardSnapshotOf(*board);
    } else {
        s.code = code;
        return s;
    }
    s.mask1 = (mask1 & snapshot::kAllMask1) | snapshot::kCode;
    s.mask2 = mask2 & snapshot::kAllMask2;
    s.mask3 = mask3 & snapshot::kAllMask3;
    s.carried1 = s.mask1;
    s.carried2 = s.mask2;
    s.carried3 = s.mask3;
    return s;
}

StockSnapshot SimulatedMarket::StockSnapshotOf(const StockState& state) const {
    const SimStock& stock = state.Stock();
    const QDateTime now = HostClock::Now();
    StockSnapshot s;
    s.code = stock.code;
    s.name = stock.name;
    s.price_precision = stock.price_precision;
    s.base_price = s.prev_close = stock.prev_close;
    s.stock_type = stock.StockType();
    FillLevels(s.bids, state.Book().Bids());
    FillLevels(s.asks, state.Book().Asks());
    s.open_price = state.Open();
    s.high_price = state.High();
    s.low_price = state.Low();
    s.last_price = state.Last();
    s.volume = state.Volume();
    s.amount = state.Amount();
    s.current_volume = state.CurrentVolume();
    s.inner_volume = state.InnerVolume();
    s.outer_volume = state.OuterVolume();
    s.total_bid_volume = state.Book().BidVolume();
    s.total_ask_volume = state.Book().AskVolume();
    s.deal_count = state.DealCount();
    const qint64 bidAsk = s.total_bid_volume + s.total_ask_volume;
    s.order_ratio =
        qint16(bidAsk > 0 ? (s.total_bid_volume - s.total_ask_volume) * 10000 / bidAsk : 0);
    s.volume_ratio = quint16(80 + state.DealCount() % 150);
    s.turnover_rate = quint16(state.FloatRatioToday() / 100);
    s.amplitude = quint16(qint64(state.High() - state.Low()) * 10000 / stock.prev_close);
    s.average_price =
        state.Volume() > 0 ? qint32(double(state.Amount()) * 100.0 / state.Volume()) : state.Last();
    s.limit_up_price = stock.LimitUp();
    s.limit_down_price = stock.LimitDown();
    s.pe_ratio = stock.pe_ratio;
    s.update_time = TimeHhmmss(now);
    s.trade_date = DateYyyymmdd(now);
    s.total_shares = stock.total_shares;
    s.margin_flag = kMarginAllowed;
    s.float_shares = stock.float_shares;
    s.float_ratio_today = state.FloatRatioToday();
    s.industry_code = stock.board_code;
    if (const SimBoard* board = FindBoard(stock.board_code)) {
        s.industry_name = board->name;
    }
    s.industry_change = state.ChangeBp();
    s.turnover_ratio_5d = state.TurnoverRatio5d();
    s.float_ratio_5d = state.FloatRatio5d();
    s.money_flow_today = state.MoneyFlowToday();
    s.listing_board = stock.board == ListingBoard::Star ? kStarListing : 0;
    s.money_flow_5d = state.MoneyFlowPast(5);
    s.money_flow_10d = state.MoneyFlowPast(10);
    s.money_flow_20d = state.MoneyFlowPast(20);
    s.big_order_ratio = state.BigOrderRatio();
    s.pb_ratio = stock.pb_ratio;
    s.board_market = stock.Exchange() == QLatin1String("SH") ? 1 : 2;
    s.board_category = SnapshotCategory(stock);
    return s;
}

StockSnapshot SimulatedMarket::BoardSnapshotOf(const SimBoard& board) const {
    StockSnapshot s;
    s.code = board.code;
    s.name = board.name;
    s.price_precision = kPrecision;
    s.base_price = s.prev_close = kBoardBase;
    qint64 changeSum = 0;
    for (const QString& member : board.members) {
        const StockState* state = FindState(member);
        if (state == nullptr) {
            continue;
        }
        const qint32 change = state->ChangeBp();
        changeSum += change;
        (change > 0 ? s.rise_count : (change < 0 ? s.fall_count : s.flat_count)) += 1;
        s.volume += state->Volume();
        s.amount += state->Amount();
        s.money_flow_today += state->MoneyFlowToday();
    }
    const qint64 members = qMax(1, board.members.size());
    s.last_price = qint32(kBoardBase + kBoardBase * (changeSum / members) / 10000);
    s.open_price = s.high_price = s.low_price = s.last_price;
    s.update_time = TimeHhmmss(HostClock::Now());
    s.trade_date = DateYyyymmdd(HostClock::Now());
    return s;
}

ResponsePkgEntity_12755 SimulatedMarket::StockRelated(const QString& code, quint16 layout,
                                                      quint32 mask1, quint32 mask2) const {
    ResponsePkgEntity_12755 e;
    e.layout = layout;
    e.mask1 = mask1 & (stock_related::kRatios | stock_related::kAfterClose);
    e.mask2 = mask2 & stock_related::kCategory;
    e.code = code;
    e.market_code = code.left(2);
    const StockState* state = FindState(code);
    if (state == nullptr) {
        return e;
    }
    e.second_text = state->Stock().name;
    e.kept_byte = quint8(state->Stock().board);
    e.has_ratios = (e.mask1 & stock_related::kRatios) != 0;
    e.ratios = {state->FloatRatioToday(), state->TurnoverRatio5d(), state->FloatRatio20d(),
                state->TurnoverRatio20d()};
    e.has_after_close = (e.mask1 & stock_related::kAfterClose) != 0;
    e.after_close = {state->AfterCloseVolume(), state->AfterCloseCapital(), 0};
    e.has_category = (e.mask2 & stock_related::kCategory) != 0;
    e.category_bytes = {quint8(state->Stock().board), state->Stock().CategoryByte(), 0};
    return e;
}

ResponsePkgEntity_10012 SimulatedMarket::StockDataSet(const QString& code, quint32 mask) const {
    ResponsePkgEntity_10012 e;
    e.code = code;
    const StockState* state = FindState(code);
    if (state == nullptr) {
        return e;
    }
    const SimStock& stock = state->Stock();
    e.mask = mask & (stock_data_set::kLimits | stock_data_set::kEquityGroups);
    e.limit_up_price = stock.LimitUp();  // hundredths: the simulated precision is 2
    e.limit_down_price = stock.LimitDown();
    e.total_shares = qint64(stock.total_shares) * 10000;
    e.float_shares = qint64(stock.float_shares) * 10000;
    e.quota_balance = kQuotaBalance;
    e.quota_status = 0;
    e.eps = stock.pe_ratio > 0 ? qint32(qint64(stock.prev_close) * 10000 / stock.pe_ratio) : 0;
    e.nav_per_share =
        stock.pb_ratio > 0 ? qint32(qint64(stock.prev_close) * 10000 / stock.pb_ratio) : 0;
    return e;
}

}  // namespace simmarket
