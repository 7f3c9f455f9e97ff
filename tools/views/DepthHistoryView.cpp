#include "tools/views/DepthHistoryView.h"

#include "host/core/HostClock.h"

namespace qzviews {

namespace {

void AddSide(const QVector<BookLevel>& side, bool buy, DepthColumn& column) {
    for (const BookLevel& level : side) {
        if (!level.filler) {
            column.levels << DepthLevel{level.price.toDouble(), buy, level.lots, level.queue,
                                        level.big};
        }
    }
}

}  // namespace

void DepthHistoryView::Update(const ScopeTree&) {
    if (book_.Revision() != seen_revision_) {
        seen_revision_ = book_.Revision();
        Add(book_.book(), HostClock::NowMs());
    }
}

QStringList DepthHistoryView::Missing() const {
    return columns_.isEmpty() ? QStringList{QStringLiteral("order book")} : QStringList();
}

void DepthHistoryView::Add(const Book& book, qint64 timeMs) {
    if (!book.converted) {
        return;
    }
    DepthColumn column;
    column.time_ms = timeMs;
    AddSide(book.buys, true, column);
    AddSide(book.sells, false, column);
    const BookLevel bid = book.buys.value(0);
    const BookLevel ask = book.sells.value(0);
    column.best_bid = bid.filler ? 0 : bid.price.toDouble();
    column.best_ask = ask.filler ? 0 : ask.price.toDouble();
    columns_ << column;
    while (columns_.size() > kMaxColumns || columns_.first().time_ms < timeMs - kWindowMs) {
        columns_.removeFirst();
    }
    Changed();
}

}  // namespace qzviews
