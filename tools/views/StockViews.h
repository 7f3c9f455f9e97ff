#pragma once

#include <memory>
#include <vector>

#include "tools/views/BoardFlowView.h"
#include "tools/views/BookView.h"
#include "tools/views/DepthHistoryView.h"
#include "tools/views/KlineFlowView.h"
#include "tools/views/LargeDealView.h"
#include "tools/views/LinkView.h"
#include "tools/views/MinuteFlowView.h"
#include "tools/views/PriceVolumeView.h"
#include "tools/views/QuoteView.h"
#include "tools/views/RowView.h"
#include "tools/views/SignalQuery.h"

// Every view of one code, built once, for a screen that shows them all (the window of
// qzlv2-gui): for a stock its quote, book, depth history, price-volume table, capital flow and
// its industry board's flow, minute flow, K-line flow history, large deals, signal feed and
// statistics; for a board its flow. The link view is the session's.
// Threads: main thread only.
namespace qzviews {

struct StockViews {
    explicit StockViews(const QString& code);

    // The views that share one intent, in update order (the book before its depth history);
    // the K-line flow history has an intent of its own, renewed when its cycle changes.
    std::vector<View*> Shared();
    std::vector<View*> OwnIntent();
    // What has not arrived yet, over every view shown.
    QStringList Missing();

    QString code;
    bool is_board = false;
    QString board_code;  // a stock's industry board, else the board itself
    QuoteView quote;
    BookView book;
    DepthHistoryView depth{book};
    PriceVolumeView price_volume;
    CapitalFlowView capital_flow;
    BoardFlowView board_flow{board_code};
    MinuteFlowView minute_flow;
    KlineFlowView kline;
    LargeDealView large_deal;
    SignalRowsView signal_feed;
    SignalRowsView signal_stats;
    LinkView link;
};

}  // namespace qzviews
