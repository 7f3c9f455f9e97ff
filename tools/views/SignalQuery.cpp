#include "tools/views/SignalQuery.h"

#include "host/quoter/BaseQuoteData.h"

namespace qzviews {

namespace {
const char kCustomMarket[] = "CUSTOM";
constexpr int kMarketChars = 2;
}  // namespace

QString SignalQuery::PlateList() const {
    QStringList plates = markets.isEmpty() && stocks.isEmpty() ? QStringList{"SH", "SZ"} : markets;
    for (const QString& stock : stocks) {
        if (!plates.contains(stock.left(kMarketChars))) {
            plates << stock.left(kMarketChars);
        }
    }
    return plates.join(QLatin1Char(','));
}

ScopeTreeNode SignalQuery::Node(const QStringList& keys) const {
    ScopeTreeNode node =
        ScopeTreeNode::NewRoot(ScopeTypeVariant(QString::fromUtf8("短线精灵查询")));
    node.key_list = KeyListExpression::FromKeyList(keys);
    node.params.insert(QStringLiteral("plate_list"), PlateList());
    QStringList marketFilter = markets;
    if (!stocks.isEmpty()) {
        marketFilter << QLatin1String(kCustomMarket);
    }
    auto data = QSharedPointer<BaseQuoteData>::create();
    data->base_row.Set(QStringLiteral("market_list"), marketFilter.join(QLatin1Char(',')));
    data->base_row.Set(QStringLiteral("stock_list"), stocks.join(QLatin1Char(',')));
    data->base_row.Set(QStringLiteral("signal_name_list"), types.join(QLatin1Char(',')));
    node.quote_data = data;
    return node;
}

std::optional<QList<nscell::DataRow>> JoinedRows(const ScopeTree& tree, int nodeId) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(nodeId);
    const auto* data = node ? dynamic_cast<const BaseQuoteData*>(node->quote_data.data()) : nullptr;
    if (data == nullptr) {
        return std::nullopt;
    }
    return data->rows;
}

}  // namespace qzviews

namespace qzviews {

QList<ScopeTreeNode> SignalRowsView::Request(const QString&) {
    const ScopeTreeNode node = query_.Node(keys_);
    node_id_ = node.scope_id;
    return {node};
}

void SignalRowsView::Update(const ScopeTree& tree) {
    if (const auto rows = JoinedRows(tree, node_id_)) {
        if (*rows != rows_) {
            rows_ = *rows;
            Changed();
        }
    }
}

QStringList SignalRowsView::Missing() const {
    return rows_.isEmpty() ? QStringList{what_} : QStringList();
}

}  // namespace qzviews
