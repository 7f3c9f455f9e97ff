#include "tools/qzlv2/CapitalFlowPanel.h"

#include "host/quoter/DealsQuoteData.h"
#include "sim/market/SimStock.h"
#include "tools/qzlv2/FlowTable.h"
#include "tools/qzlv2/PackageJson.h"

namespace qzlv2 {

namespace {
constexpr int kCapitalFlowScopeType = 17;
constexpr double kDdxPercentScale = 1000.0;  // the simulated server's ddx is in 1/1000 %

QString Price(qint64 value, int precision) {
    return nscell::UnsharedDataCell::FromPrice(qint32(value), precision).DisplayText();
}
}  // namespace

QList<ScopeTreeNode> CapitalFlowPanel::Request(const QString& code) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(kCapitalFlowScopeType));
    node.stock_list = StockListExpression::FromStockCode(code);
    node_id_ = node.scope_id;
    if (const simmarket::SimStock* stock = simmarket::FindStock(code)) {
        precision_ = stock->price_precision;
    }
    return {node};
}

void CapitalFlowPanel::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(node_id_);
    const auto* table =
        node ? dynamic_cast<const DealsQuoteData*>(node->quote_data.data()) : nullptr;
    row_ = table && !table->rows.isEmpty() ? table->rows.first() : nscell::DataRow();
}

QStringList CapitalFlowPanel::Missing() const {
    return row_.IsEmpty() ? QStringList{QStringLiteral("capital flow")} : QStringList();
}

QStringList CapitalFlowPanel::Render(int, int lines) const {
    if (row_.IsEmpty()) {
        return {QStringLiteral("capital flow: (waiting)")};
    }
    const double ddx = double(row_.Get("ddx").ToInt64()) / kDdxPercentScale;
    QStringList out = FlowTableLines(
        QStringLiteral("capital flow, lots"), FlowClassesOf(row_, QStringLiteral("volume"), 1),
        qMin(lines, 6), QStringLiteral("   ddx %1%").arg(ddx, 0, 'f', 3));
    if (lines >= 7) {
        out << QStringLiteral(
                   "  bid %1 lots at %2 on average, ask %3 lots at %4; "
                   "volume diff %5 lots")
                   .arg(Grouped(row_.Get("total_buy").ToInt64()),
                        Price(row_.Get("average_buy").ToInt64(), precision_),
                        Grouped(row_.Get("total_sell").ToInt64()),
                        Price(row_.Get("average_sell").ToInt64(), precision_),
                        Grouped(row_.Get("volume_diff").ToInt64(), true));
    }
    return out;
}

QJsonValue CapitalFlowPanel::Json() const {
    return RowToJson(row_);
}

}  // namespace qzlv2
