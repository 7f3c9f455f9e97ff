#include "services/largedeals/QzLv2NewLargeScopeResolver.h"

#include "host/quoter/DealsQuoteData.h"
#include "services/largedeals/ResponsePkgEntity_12990.h"

using nscell::UnsharedDataCell;

QzLv2NewLargeScopeResolver::QzLv2NewLargeScopeResolver(HandlerConfiguration* configuration)
    : ScopeResolverBase(configuration) {}

void QzLv2NewLargeScopeResolver::Init() {
    ResetTables({ScopeTypeVariant(kScopeType)});
    AddJoinMethod(
        JoinMethodKey(ScopeTypeVariant(kScopeType), ScopeSplitTypeVariant(kSplitByRemoteCalls),
                      ScopeTypeVariant(kChildScopeType)),
        &largedeal::JoinLatestLargeDeal);
}

bool QzLv2NewLargeScopeResolver::Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) {
    if (node.scope_type != ScopeTypeVariant(kScopeType)) {
        return false;
    }
    ScopeTreeNode child =
        MakeChild(node, ScopeTypeVariant(kChildScopeType), ScopeTypeVariant(kApiType), false);
    child.stock_list = node.stock_list;
    child.variant = QString::fromLatin1(kVariant);
    ScopeTreeNode split = SplitCopy(node);
    split.children.clear();
    split.children << child;
    FillResult(result, split, {child});
    return true;
}

namespace largedeal {

namespace {
constexpr double kPriceScale = 100.0;  // wire prices are hundredths
constexpr int kPriceDecimals = 2;
}  // namespace

JoinMethodResult JoinLatestLargeDeal(ScopeTreeNode& target, const ScopeTreeNode& source) {
    const auto* answer = dynamic_cast<const ResponsePkgEntity_12990*>(source.quote_data.data());
    if (answer == nullptr || answer->records.size() != 1) {
        return JoinMethodResult(false);
    }
    const LargeDealRecord& deal = answer->records.first();
    nscell::DataRow row;
    row.Set(QStringLiteral("time"), UnsharedDataCell::FromBigInteger(qint64(deal.time)));
    row.Set(QStringLiteral("deal_price"),
            UnsharedDataCell::FromRealPrice(deal.deal_price / kPriceScale, kPriceDecimals));
    row.Set(QStringLiteral("number"), UnsharedDataCell::FromBigInteger(deal.number));
    row.Set(QStringLiteral("In_number"), UnsharedDataCell::FromBigInteger(deal.in_number));
    row.Set(QStringLiteral("Out_number"), UnsharedDataCell::FromBigInteger(deal.out_number));
    auto table = QSharedPointer<DealsQuoteData>::create();
    table->rows << row;
    target.quote_data = table;
    return JoinMethodResult(true);
}

}  // namespace largedeal
