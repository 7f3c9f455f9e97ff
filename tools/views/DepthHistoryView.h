#pragma once

#include <QList>
#include <QSet>
#include <QVector>

#include "tools/views/BookView.h"

// The book over the last minutes, for a depth heatmap: one column each time the book changed
// (every 12989 push the joins bring), on the host clock, with the resting lots and the queue at
// each price of both sides and the best bid and ask. Columns older than kWindowMs before the
// newest go, and at most kMaxColumns stay (the oldest go first). Reads the book view it is given,
// which must be updated before it; asks the plug-in for nothing of its own.
// Threads: main thread only.
namespace qzviews {

struct DepthLevel {
    double price = 0;
    bool buy = false;
    qint64 lots = 0;
    QList<qint64> queue;  // lots, queue order
    QSet<int> big;        // positions in `queue` of the big orders
};

struct DepthColumn {
    qint64 time_ms = 0;   // host clock
    double best_bid = 0;  // 0: no bid
    double best_ask = 0;  // 0: no ask
    QVector<DepthLevel> levels;
};

class DepthHistoryView : public View {
public:
    static constexpr qint64 kWindowMs = 5 * 60 * 1000;  // ms of history kept
    static constexpr int kMaxColumns = 1500;

    explicit DepthHistoryView(const BookView& book) : book_(book) {}

    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;

    // Adds the column of `book` at `timeMs` (a book without converted prices adds nothing).
    void Add(const Book& book, qint64 timeMs);
    const QList<DepthColumn>& columns() const { return columns_; }  // oldest first

private:
    const BookView& book_;
    quint64 seen_revision_ = 0;
    QList<DepthColumn> columns_;
};

}  // namespace qzviews
