#include "sim/market/OrderBook.h"

#include <cmath>

namespace simmarket {

namespace {

qint64 SideVolume(const QVector<BookLevel>& levels) {
    qint64 total = 0;
    for (const BookLevel& level : levels) {
        total += level.Volume();
    }
    return total;
}

double Pow10(int decimals) {
    return std::pow(10.0, decimals);
}

}  // namespace

qint64 BookLevel::Volume() const {
    qint64 total = 0;
    for (qint32 v : orders) {
        total += v;
    }
    return total;
}

void OrderBook::Reshape(const BookShape& shape, SimRandom& rng) {
    QVector<qint32> bidPrices;
    for (int i = 0; i < kLevels; ++i) {
        const qint32 p = shape.best_bid - i * shape.spacing;
        if (p < shape.limit_down || p <= 0) {
            break;
        }
        bidPrices.append(p);
    }
    QVector<qint32> askPrices;
    for (int i = 0; i < kLevels; ++i) {
        const qint32 p = shape.best_ask + i * shape.spacing;
        if (p > shape.limit_up) {
            break;
        }
        askPrices.append(p);
    }
    ReshapeSide(bids_, bidPrices, shape.best_bid, rng);
    ReshapeSide(asks_, askPrices, shape.best_ask, rng);
}

void OrderBook::ReshapeSide(Side& side, const QVector<qint32>& prices, qint32 best,
                            SimRandom& rng) {
    for (auto it = side.begin(); it != side.end();) {
        it = prices.contains(it->first) ? std::next(it) : side.erase(it);
    }
    for (qint32 p : prices) {
        auto it = side.find(p);
        if (it == side.end()) {
            side.emplace(p, FreshQueue(rng));
        } else {
            Evolve(it->second, p == best, rng);
        }
    }
}

// The best level trades: its front orders are filled (the first one possibly in part).
void OrderBook::Evolve(QVector<qint32>& queue, bool best, SimRandom& rng) {
    if (best) {
        for (int filled = rng.Uniform(0, 2); filled > 0 && !queue.isEmpty(); --filled) {
            queue.removeFirst();
        }
        if (!queue.isEmpty() && queue.first() > kLot && rng.Chance(50)) {
            queue.first() -= kLot * rng.Uniform(1, queue.first() / kLot - 1);
        }
    }
    if (!queue.isEmpty() && rng.Chance(30)) {
        queue.remove(rng.Uniform(0, queue.size() - 1));
    }
    for (int joined = rng.Uniform(0, 3); joined > 0 && queue.size() < kMaxQueue; --joined) {
        queue.append(RandomOrder(rng));
    }
    if (queue.isEmpty()) {
        queue.append(RandomOrder(rng));
    }
}

QVector<qint32> OrderBook::FreshQueue(SimRandom& rng) {
    QVector<qint32> queue;
    const int count = rng.Chance(60) ? rng.Uniform(3, 20) : rng.Uniform(20, kMaxQueue);
    queue.reserve(count);
    for (int i = 0; i < count; ++i) {
        queue.append(RandomOrder(rng));
    }
    return queue;
}

// Mostly retail lots, some institutional sizes, and about one order in fifty big.
qint32 OrderBook::RandomOrder(SimRandom& rng) {
    const int roll = rng.Uniform(0, 99);
    int lots = 0;
    if (roll < 65) {
        lots = rng.Uniform(1, 10);
    } else if (roll < 88) {
        lots = rng.Uniform(10, 100);
    } else if (roll < 98) {
        lots = rng.Uniform(100, 500);
    } else {
        lots = rng.Uniform(kBigLots, 3000);
    }
    return lots * kLot;
}

QVector<BookLevel> OrderBook::Bids() const {
    QVector<BookLevel> levels;
    for (auto it = bids_.rbegin(); it != bids_.rend(); ++it) {
        levels.append(BookLevel{it->first, it->second});
    }
    return levels;
}

QVector<BookLevel> OrderBook::Asks() const {
    QVector<BookLevel> levels;
    for (const auto& entry : asks_) {
        levels.append(BookLevel{entry.first, entry.second});
    }
    return levels;
}

qint64 OrderBook::BidVolume() const {
    return SideVolume(Bids());
}

qint64 OrderBook::AskVolume() const {
    return SideVolume(Asks());
}

qint64 OrderBook::BigVolume(int decimals) const {
    qint64 total = 0;
    for (const QVector<BookLevel>& side : {Bids(), Asks()}) {
        for (const BookLevel& level : side) {
            for (qint32 v : level.orders) {
                total += IsBig(v, level.price, decimals) ? v : 0;
            }
        }
    }
    return total;
}

bool OrderBook::IsBig(qint32 shares, qint32 price, int decimals) {
    const double amount = double(shares) * price / Pow10(decimals);  // yuan
    return shares / kLot >= kBigLots || amount >= double(kBigAmount);
}

}  // namespace simmarket
