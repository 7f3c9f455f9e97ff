#pragma once

#include "tools/views/RowView.h"

// A board's flows: its name and members, the amounts its members' buy- and sell-initiated trades
// of each order size moved today (12932) and its large-order net inflow (12973). Asks for a
// "board_capitalflow_12932" and a "board_stkanalysis_12973" node.
// Threads: main thread only.
namespace qzviews {

class BoardFlowView : public View {
public:
    // `board`: the board to ask for whatever code the screen shows (a stock's industry board).
    explicit BoardFlowView(const QString& board = QString());

    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;

    void SetRows(const nscell::DataRow& flow, const nscell::DataRow& analysis);
    const QString& title() const { return title_; }  // "BK0475 银行  members SH600000 ..."
    const nscell::DataRow& flow() const { return flow_.row(); }
    const nscell::DataRow& analysis() const { return analysis_.row(); }

private:
    QString board_;
    QString title_;
    RowView flow_;
    RowView analysis_;
};

}  // namespace qzviews
