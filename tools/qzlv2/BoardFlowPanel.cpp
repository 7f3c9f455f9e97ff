#include "tools/qzlv2/BoardFlowPanel.h"

#include <QJsonObject>

#include "host/quoter/DealsQuoteData.h"
#include "sim/market/SimStock.h"
#include "tools/qzlv2/FlowTable.h"
#include "tools/qzlv2/PackageJson.h"

namespace qzlv2 {

namespace {

constexpr qint64 kYuanPer10k = 10000;
const char kFlowScopeType[] = "board_capitalflow_12932";
const char kAnalysisScopeType[] = "board_stkanalysis_12973";
const char kLargeIn[] = "CurrentDayLargeInCapital";

ScopeTreeNode NodeFor(const char* scopeType, const QString& code, int& id) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(QLatin1String(scopeType)));
    node.stock_list = StockListExpression::FromStockCode(code);
    id = node.scope_id;
    return node;
}

nscell::DataRow FirstRow(const ScopeTree& tree, int id) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(id);
    const auto* table =
        node ? dynamic_cast<const DealsQuoteData*>(node->quote_data.data()) : nullptr;
    return table && !table->rows.isEmpty() ? table->rows.first() : nscell::DataRow();
}

}  // namespace

QList<ScopeTreeNode> BoardFlowPanel::Request(const QString& code) {
    title_ = code;
    if (const simmarket::SimBoard* board = simmarket::FindBoard(code)) {
        title_ = QStringLiteral("%1 %2  members %3")
                     .arg(code, board->name, board->members.join(QLatin1Char(' ')));
    }
    return {NodeFor(kFlowScopeType, code, flow_id_),
            NodeFor(kAnalysisScopeType, code, analysis_id_)};
}

void BoardFlowPanel::Update(const ScopeTree& tree) {
    SetRows(FirstRow(tree, flow_id_), FirstRow(tree, analysis_id_));
}

void BoardFlowPanel::SetRows(const nscell::DataRow& flow, const nscell::DataRow& analysis) {
    flow_ = flow;
    analysis_ = analysis;
}

QStringList BoardFlowPanel::Missing() const {
    QStringList missing;
    if (flow_.IsEmpty()) {
        missing << QStringLiteral("board flow");
    }
    if (analysis_.IsEmpty()) {
        missing << QStringLiteral("large-order inflow");
    }
    return missing;
}

QStringList BoardFlowPanel::Render(int, int lines) const {
    QStringList out{title_};
    if (flow_.IsEmpty()) {
        out << QStringLiteral("board flow: (waiting)");
    } else {
        out << FlowTableLines(QStringLiteral("board flow, 10^4 yuan"),
                              FlowClassesOf(flow_, QStringLiteral("amount"), kYuanPer10k),
                              qMax(2, lines - 2));
    }
    out << (analysis_.IsEmpty()
                ? QStringLiteral("large-order net inflow today: (waiting)")
                : QStringLiteral("large-order net inflow today: %1 x 10^4 yuan")
                      .arg(Grouped(analysis_.Get(QLatin1String(kLargeIn)).ToInt64(), true)));
    return out;
}

QJsonValue BoardFlowPanel::Json() const {
    QJsonObject o = RowToJson(flow_);
    const QJsonObject analysis = RowToJson(analysis_);
    for (auto it = analysis.begin(); it != analysis.end(); ++it) {
        o.insert(it.key(), it.value());
    }
    return o;
}

}  // namespace qzlv2
