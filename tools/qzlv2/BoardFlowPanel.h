#pragma once

#include "host/core/DataRow.h"
#include "tools/qzlv2/Panel.h"

// A board's watch screen: its name and members, the amounts its members' buy- and
// sell-initiated trades of each order size moved today (12932, 10^4 yuan) and its large-order
// net inflow (12973). Asks for a "board_capitalflow_12932" and a "board_stkanalysis_12973" node.
// Threads: main thread only.
namespace qzlv2 {

class BoardFlowPanel : public Panel {
public:
    QString Name() const override { return QStringLiteral("board_flow"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    int MinLines(int) const override { return 4; }
    int MaxLines(int) const override { return 8; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetRows(const nscell::DataRow& flow, const nscell::DataRow& analysis);

private:
    QString title_;
    int flow_id_ = -1;
    int analysis_id_ = -1;
    nscell::DataRow flow_;
    nscell::DataRow analysis_;
};

}  // namespace qzlv2
