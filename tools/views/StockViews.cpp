#include "tools/views/StockViews.h"

#include "sim/market/SimStock.h"

namespace qzviews {

namespace {

SignalQuery StockSignals(const QString& code) {
    SignalQuery query;
    query.stocks = QStringList{code};
    return query;
}

// A stock's industry board, else the code itself.
QString IndustryBoard(const QString& code) {
    const simmarket::SimStock* stock = simmarket::FindStock(code);
    return stock != nullptr ? stock->board_code : code;
}

}  // namespace

StockViews::StockViews(const QString& stockCode)
    : code(stockCode),
      is_board(simmarket::FindBoard(stockCode) != nullptr),
      board_code(IndustryBoard(stockCode)),
      signal_feed(StockSignals(stockCode), {}, QStringLiteral("signals")),
      signal_stats(StockSignals(stockCode), {QStringLiteral("signal_type_statistics")},
                   QStringLiteral("signal statistics")) {}

std::vector<View*> StockViews::Shared() {
    if (is_board) {
        return {&board_flow, &link};
    }
    return {&quote,       &book,       &depth,       &price_volume, &capital_flow, &board_flow,
            &minute_flow, &large_deal, &signal_feed, &signal_stats, &link};
}

std::vector<View*> StockViews::OwnIntent() {
    return is_board ? std::vector<View*>{} : std::vector<View*>{&kline};
}

QStringList StockViews::Missing() {
    QStringList missing;
    std::vector<View*> all = Shared();
    for (View* view : OwnIntent()) {
        all.push_back(view);
    }
    for (View* view : all) {
        missing << view->Missing();
    }
    return missing;
}

}  // namespace qzviews
