#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <vector>

#include "services/stockboard/ResponsePkgEntity_10012.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"
#include "services/stockboard/StockSnapshot.h"
#include "sim/market/SimRandom.h"
#include "sim/market/SimulatedMarketOptions.h"
#include "sim/market/StockState.h"
#include "sim/market/Trade.h"
#include "sim/market/TradeFlow.h"
#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"

// A small, consistent simulated market: the stocks and boards of SimStock.h, each stock trading
// by StockState, all driven by one seeded random source, so a seed and a number of Step calls
// give the same market every time. It answers in the values the wire encoders take: the order
// book of a stock, its basic quote snapshot (fields limited to the masks asked for), and the
// per-stock data sets of functions 12755 and 10012. Boards answer snapshots too (an index that
// moves with the average change of their members, with rise/fall/flat counts).
// Trades: every stock's trades are classified once (Trade.h) and accumulated per stock
// (StockState::Flow, PriceTable); a board's flow is the sum of its members'. Trade listeners hear
// every trade of each Step, stock by stock in listing order, each stock's in sequence order; the
// opening auction's trades, made by the constructor, are in the accumulators only.
// Threads: not thread-safe; the backend serialises use under its mutex.
namespace simmarket {

class SimulatedMarket {
public:
    static constexpr quint32 kDefaultSeed = SimulatedMarketOptions::kDefaultSeed;
    static constexpr qint32 kBoardBase = 100000;  // a board index's previous close, 1/100

    // `extraStocks` generated stocks (GeneratedStocks) trade after the listed ones.
    explicit SimulatedMarket(quint32 seed = kDefaultSeed, int extraStocks = 0);

    using TradeListener = std::function<void(const Trade&)>;

    void Step();  // one tick for every stock, at the host clock's now
    void AddTradeListener(TradeListener listener);
    int StepCount() const { return steps_; }

    bool IsStock(const QString& code) const { return FindState(code) != nullptr; }
    bool IsBoard(const QString& code) const { return FindBoard(code) != nullptr; }
    bool Knows(const QString& code) const { return IsStock(code) || IsBoard(code); }
    const StockState* FindState(const QString& code) const;
    QStringList StockCodes() const;
    // The sum of the members' flows; an unknown board: an empty flow.
    TradeFlow BoardFlow(const QString& boardCode) const;

    // The stock's book, at most `levels` levels a side (best first). Unknown code: empty book.
    simwire::FastQuoteBook FastQuote(const QString& code, int levels) const;
    // A snapshot record carrying the fields of the given masks that the record layout knows
    // (the code always). Unknown code: masks 0.
    StockSnapshot Snapshot(const QString& code, quint32 mask1, quint32 mask2, quint32 mask3) const;
    ResponsePkgEntity_12755 StockRelated(const QString& code, quint16 layout, quint32 mask1,
                                         quint32 mask2) const;
    ResponsePkgEntity_10012 StockDataSet(const QString& code, quint32 mask) const;

private:
    StockSnapshot StockSnapshotOf(const StockState& state) const;
    StockSnapshot BoardSnapshotOf(const SimBoard& board) const;

    SimRandom rng_;
    std::vector<StockState> states_;
    std::vector<TradeListener> trade_listeners_;
    int steps_ = 0;
};

}  // namespace simmarket
