#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <deque>

#include "services/signals/ResponsePkgEntity_10016.h"
#include "sim/market/SignalCatalogue.h"
#include "sim/market/StockState.h"
#include "sim/market/Trade.h"

// Detects the short-line signals of SignalCatalogue on the simulated market: OnTrade sees every
// classified trade (big buys and sells), AfterStep every stock's state after a step (price moves
// within a minute, limits, big resting orders at the best prices, volume spikes, new highs and
// lows). Conditions that last fire once when they start and again only after they ended (new
// highs and lows also wait kExtremeCooldownTicks, big resting orders kBookCooldownTicks). Each
// signal gets the next order (1, 2, ...), the time of the step (HHMMSSmmm, local) and a description
// with the numbers that triggered it. Bounded: the last kMaxSignals signals are kept. Threads: not
// thread-safe; the backend serialises use.
namespace simmarket {

class SignalDetector {
public:
    static constexpr int kMaxSignals = 5000;
    static constexpr qint64 kWindowMs = 60000;      // ms a sharp move is measured over
    static constexpr int kSharpMovePermille = 10;   // rise or fall over the window, 1/1000
    static constexpr int kSpikeFactor = 4;          // tick volume over the recent average
    static constexpr int kSpikeAverageTicks = 20;   // ticks averaged
    static constexpr int kExtremeWarmupTicks = 20;  // ticks before new highs and lows count
    static constexpr int kExtremeCooldownTicks = 20;
    static constexpr int kBookCooldownTicks = 40;  // ticks between big-order signals of a side

    void OnTrade(const Trade& trade, const SimStock& stock);
    void AfterStep(const StockState& state, qint64 nowMs);

    // The signals of stocks in the plates (market prefixes such as "SH", or board codes):
    // index 0: the newest `count`; index n > 0: from order n on, at most `count`. Ascending order.
    QVector<ShortLineSignal> Query(const QStringList& plates, int index, int count) const;
    const std::deque<ShortLineSignal>& All() const { return signals_; }

private:
    struct StockWatch {
        std::deque<std::pair<qint64, qint32>> prices;  // (ms, last) within the window
        bool rising = false, falling = false;
        bool at_limit_up = false, at_limit_down = false;
        bool big_bid = false, big_ask = false;
        int last_big_bid_tick = -kBookCooldownTicks, last_big_ask_tick = -kBookCooldownTicks;
        std::deque<qint64> tick_volumes;
        qint32 high = 0, low = 0;
        int ticks = 0;
        int last_extreme_tick = -kExtremeCooldownTicks;
        bool spiking = false;
    };

    void Raise(const SimStock& stock, SignalKind kind, int direction, qint32 value,
               const QString& description);
    void WatchMoves(const StockState& state, StockWatch& watch, qint64 nowMs);
    void WatchLimits(const StockState& state, StockWatch& watch);
    void WatchBook(const StockState& state, StockWatch& watch);
    void WatchVolume(const StockState& state, StockWatch& watch);
    void WatchExtremes(const StockState& state, StockWatch& watch);
    static bool InPlates(const QString& code, const QStringList& plates);

    QHash<QString, StockWatch> watches_;
    std::deque<ShortLineSignal> signals_;
    quint32 next_order_ = 1;
    qint64 now_ms_ = 0;  // the time of the step or trade being looked at
};

}  // namespace simmarket
