#include "services/capitalflow/CapitalFlowJoins.h"

#include <initializer_list>
#include <utility>

#include "framework/TableJoin.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace capitalflow {

namespace {

using Column = std::pair<const char*, qint64>;

DataRow RowOf(std::initializer_list<Column> columns) {
    DataRow row;
    for (const Column& column : columns) {
        row.Set(QLatin1String(column.first), UnsharedDataCell::FromBigInteger(column.second));
    }
    return row;
}

template <typename Entity, typename MakeRow>
JoinMethodResult JoinOneRow(ScopeTreeNode& target, const ScopeTreeNode& source, MakeRow makeRow) {
    return JoinAsTable<Entity>(
        target, source, [&](const Entity& e, QList<DataRow>& rows) { rows << makeRow(e.package); });
}

}  // namespace

DataRow StockFlowRow(const ResponsePkg_12930& p) {
    return RowOf({{"total_sell", p.total_sell},
                  {"average_sell", p.average_sell},
                  {"total_buy", p.total_buy},
                  {"average_buy", p.average_buy},
                  {"ddx", p.ddx},
                  {"volume_diff", p.volume_diff},
                  {"extra_large_buy_volume", p.extra_large_buy_volume},
                  {"extra_large_sell_volume", p.extra_large_sell_volume},
                  {"large_buy_volume", p.large_buy_volume},
                  {"large_sell_volume", p.large_sell_volume},
                  {"medium_buy_volume", p.medium_buy_volume},
                  {"medium_sell_volume", p.medium_sell_volume},
                  {"little_buy_volume", p.little_buy_volume},
                  {"little_sell_volume", p.little_sell_volume}});
}

DataRow BoardFlowRow(const ResponsePkg_12932& p) {
    return RowOf({{"extra_large_buy_amount", p.extra_large_buy_amount},
                  {"extra_large_sell_amount", p.extra_large_sell_amount},
                  {"large_buy_amount", p.large_buy_amount},
                  {"large_sell_amount", p.large_sell_amount},
                  {"medium_buy_amount", p.medium_buy_amount},
                  {"medium_sell_amount", p.medium_sell_amount},
                  {"little_buy_amount", p.little_buy_amount},
                  {"little_sell_amount", p.little_sell_amount}});
}

DataRow BoardAnalysisRow(const ResponsePkg_12973& p) {
    return RowOf({{"CurrentDayLargeInCapital", p.CurrentDayLargeInCapital}});
}

JoinMethodResult JoinStockFlow(ScopeTreeNode& target, const ScopeTreeNode& source) {
    return JoinOneRow<ResponsePkgEntity_12930>(target, source, &StockFlowRow);
}

JoinMethodResult JoinBoardFlow(ScopeTreeNode& target, const ScopeTreeNode& source) {
    return JoinOneRow<ResponsePkgEntity_12932>(target, source, &BoardFlowRow);
}

JoinMethodResult JoinBoardAnalysis(ScopeTreeNode& target, const ScopeTreeNode& source) {
    return JoinOneRow<ResponsePkgEntity_12973>(target, source, &BoardAnalysisRow);
}

}  // namespace capitalflow
