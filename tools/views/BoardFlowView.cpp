#include "tools/views/BoardFlowView.h"

#include "sim/market/SimStock.h"

namespace qzviews {

BoardFlowView::BoardFlowView(const QString& board)
    : board_(board),
      flow_("board_capitalflow_12932", QStringLiteral("board flow")),
      analysis_("board_stkanalysis_12973", QStringLiteral("large-order inflow")) {}

QList<ScopeTreeNode> BoardFlowView::Request(const QString& screenCode) {
    const QString code = board_.isEmpty() ? screenCode : board_;
    title_ = code;
    if (const simmarket::SimBoard* board = simmarket::FindBoard(code)) {
        title_ = QStringLiteral("%1 %2  members %3")
                     .arg(code, board->name, board->members.join(QLatin1Char(' ')));
    }
    Changed();
    return flow_.Request(code) + analysis_.Request(code);
}

void BoardFlowView::Update(const ScopeTree& tree) {
    const quint64 before = flow_.Revision() + analysis_.Revision();
    flow_.Update(tree);
    analysis_.Update(tree);
    if (flow_.Revision() + analysis_.Revision() != before) {
        Changed();
    }
}

void BoardFlowView::SetRows(const nscell::DataRow& flow, const nscell::DataRow& analysis) {
    flow_.SetRow(flow);
    analysis_.SetRow(analysis);
    Changed();
}

QStringList BoardFlowView::Missing() const {
    return flow_.Missing() + analysis_.Missing();
}

}  // namespace qzviews
