#pragma once

#include "host/core/DataRow.h"
#include "tools/qzlv2/Panel.h"

// A stock's capital flow by order size (12930): lots bought (in) and sold (out) by buy- and
// sell-initiated trades of each size, the net, "ddx", and the book's total bid and ask with
// their mean prices. Asks for one node of numeric scope type 17.
// Threads: main thread only.
namespace qzlv2 {

class CapitalFlowPanel : public Panel {
public:
    QString Name() const override { return QStringLiteral("capital_flow"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    int MinLines(int) const override { return 2; }
    int MaxLines(int) const override { return 7; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetRow(const nscell::DataRow& row) { row_ = row; }

private:
    int node_id_ = -1;
    int precision_ = 2;  // decimals of the stock's prices
    nscell::DataRow row_;
};

}  // namespace qzlv2
