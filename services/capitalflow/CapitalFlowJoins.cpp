#include "services/capitalflow/CapitalFlowJoins.h"

#include "framework/TableJoin.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace capitalflow {

namespace {

template <typename Package>
DataRow RowOf(const Package& p) {
    DataRow row;
    ForEachField(p, [&row](const char* name, qint64 value) {
        row.Set(QLatin1String(name), UnsharedDataCell::FromBigInteger(value));
    });
    return row;
}

template <typename Entity, typename MakeRow>
JoinMethodResult JoinOneRow(ScopeTreeNode& target, const ScopeTreeNode& source, MakeRow makeRow) {
    return JoinAsTable<Entity>(
        target, source, [&](const Entity& e, QList<DataRow>& rows) { rows << makeRow(e.package); });
}

}  // namespace

DataRow StockFlowRow(const ResponsePkg_12930& p) {
    return RowOf(p);
}

DataRow BoardFlowRow(const ResponsePkg_12932& p) {
    return RowOf(p);
}

DataRow BoardAnalysisRow(const ResponsePkg_12973& p) {
    DataRow row;
    row.Set(QStringLiteral("CurrentDayLargeInCapital"),
            UnsharedDataCell::FromBigInteger(p.CurrentDayLargeInCapital));
    return row;
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
