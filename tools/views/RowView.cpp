#include "tools/views/RowView.h"

#include "sim/market/SimStock.h"

namespace qzviews {

QList<ScopeTreeNode> RowView::Request(const QString& code) {
    return {RootFor(scope_type_, code, node_id_)};
}

void RowView::Update(const ScopeTree& tree) {
    SetRow(FirstJoinedRow(tree, node_id_));
}

QStringList RowView::Missing() const {
    return row_.IsEmpty() ? QStringList{what_} : QStringList();
}

void RowView::SetRow(const nscell::DataRow& row) {
    if (row != row_) {
        row_ = row;
        Changed();
    }
}

QList<ScopeTreeNode> CapitalFlowView::Request(const QString& code) {
    if (const simmarket::SimStock* stock = simmarket::FindStock(code)) {
        precision_ = stock->price_precision;
    }
    return RowView::Request(code);
}

}  // namespace qzviews
