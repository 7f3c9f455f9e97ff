#include "tools/views/PriceVolumeView.h"

#include <algorithm>

#include "host/quoter/DealsQuoteData.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"

namespace qzviews {

namespace {

constexpr int kPriceDealsScopeType = 10;
const char kFastQuoteScopeType[] = "l2_fast_quote";

// The last price of the basic quote under the stock's "l2_fast_quote" node, as price text.
QString LastPriceText(const ScopeTree& tree) {
    for (const ScopeTreeNode& root : tree.GetRootNodeList()) {
        if (!(root.scope_type == ScopeTypeVariant(kFastQuoteScopeType))) {
            continue;
        }
        for (const ScopeTreeNode& child : tree.ChildrenOf(root.scope_id)) {
            const auto* basic =
                dynamic_cast<const ResponsePkgEntity_10002*>(child.quote_data.data());
            if (basic != nullptr && (basic->snapshot.carried1 & snapshot::kLast) != 0) {
                return nscell::UnsharedDataCell::FromPrice(basic->snapshot.last_price,
                                                           basic->snapshot.price_precision)
                    .DisplayText();
            }
        }
    }
    return QString();
}

}  // namespace

QList<ScopeTreeNode> PriceVolumeView::Request(const QString& code) {
    return {RootFor(ScopeTypeVariant(kPriceDealsScopeType), code, node_id_)};
}

void PriceVolumeView::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(node_id_);
    const auto* table =
        node ? dynamic_cast<const DealsQuoteData*>(node->quote_data.data()) : nullptr;
    SetTable(table ? table->rows : QList<nscell::DataRow>(), LastPriceText(tree));
}

void PriceVolumeView::SetTable(const QList<nscell::DataRow>& rows, const QString& last) {
    QList<nscell::DataRow> highestFirst = rows;
    std::reverse(highestFirst.begin(), highestFirst.end());
    if (highestFirst != rows_ || last != last_) {
        rows_ = highestFirst;
        last_ = last;
        Changed();
    }
}

QStringList PriceVolumeView::Missing() const {
    return rows_.isEmpty() ? QStringList{QStringLiteral("price volume")} : QStringList();
}

int PriceVolumeView::LastIndex() const {
    for (int i = 0; i < rows_.size(); ++i) {
        if (rows_[i].Get("deal_price").DisplayText() == last_) {
            return i;
        }
    }
    return rows_.size() / 2;
}

}  // namespace qzviews
