#include "tools/views/View.h"

#include "host/core/HostClock.h"
#include "host/quoter/DealsQuoteData.h"

namespace qzviews {

void View::Changed() {
    ++revision_;
    changed_ms_ = HostClock::NowMs();
}

nscell::DataRow FirstJoinedRow(const ScopeTree& tree, int id) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(id);
    const auto* table =
        node ? dynamic_cast<const DealsQuoteData*>(node->quote_data.data()) : nullptr;
    return table && !table->rows.isEmpty() ? table->rows.first() : nscell::DataRow();
}

ScopeTreeNode RootFor(const ScopeTypeVariant& scopeType, const QString& code, int& id) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(scopeType);
    node.stock_list = StockListExpression::FromStockCode(code);
    id = node.scope_id;
    return node;
}

}  // namespace qzviews
