#pragma once

#include <QVector>
#include <QtGlobal>

#include <map>

#include "sim/market/SimRandom.h"

// One stock's Level-2 order book: up to ten price levels a side, each with the queue of orders
// waiting at that price (volumes in shares, whole lots). Queues survive from tick to tick: the
// front of the best level is filled, orders are cancelled and new ones join the back, and a
// level the price moves through disappears with its queue.
// Threads: not thread-safe; the owning market serialises use.
namespace simmarket {

struct BookLevel {
    qint32 price = 0;        // in units of the price precision
    QVector<qint32> orders;  // queued order volumes, shares, queue order
    qint64 Volume() const;   // shares
};

struct BookShape {
    qint32 best_bid = 0;    // highest buy price
    qint32 best_ask = 0;    // lowest sell price
    qint32 spacing = 1;     // price units between levels
    qint32 limit_down = 0;  // no level below
    qint32 limit_up = 0;    // no level above
};

class OrderBook {
public:
    static constexpr int kLevels = 10;       // levels a side
    static constexpr int kMaxQueue = 50;     // orders a level
    static constexpr qint32 kLot = 100;      // shares
    static constexpr qint32 kBigLots = 600;  // an order of this many lots is big whatever its price
    static constexpr qint64 kBigAmount = 1000000;  // yuan; an order worth this much is big

    // Moves the book to the given best prices: levels outside the new ranges go, levels kept
    // evolve, new levels get fresh queues.
    void Reshape(const BookShape& shape, SimRandom& rng);

    QVector<BookLevel> Bids() const;  // best (highest) first
    QVector<BookLevel> Asks() const;  // best (lowest) first
    qint64 BidVolume() const;         // shares on all buy levels
    qint64 AskVolume() const;         // shares on all sell levels
    // Shares in orders that count as big at their level's price (precision `decimals`).
    qint64 BigVolume(int decimals) const;

    static bool IsBig(qint32 shares, qint32 price, int decimals);
    static qint32 RandomOrder(SimRandom& rng);  // shares, whole lots, occasionally a big order

private:
    using Side = std::map<qint32, QVector<qint32>>;  // price -> queue
    static void ReshapeSide(Side& side, const QVector<qint32>& prices, qint32 best, SimRandom& rng);
    static void Evolve(QVector<qint32>& queue, bool best, SimRandom& rng);
    static QVector<qint32> FreshQueue(SimRandom& rng);

    Side bids_;
    Side asks_;
};

}  // namespace simmarket
