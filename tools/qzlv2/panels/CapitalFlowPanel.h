#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/RowView.h"

// A stock's capital flow by order size (12930): lots bought (in) and sold (out) by buy- and
// sell-initiated trades of each size, the net, "ddx", and the book's total bid and ask with
// their mean prices.
// Threads: main thread only.
namespace qzlv2 {

class CapitalFlowPanel : public ViewPanel<qzviews::CapitalFlowView> {
public:
    QString Name() const override { return QStringLiteral("capital_flow"); }
    int MinLines(int) const override { return 2; }
    int MaxLines(int) const override { return 7; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetRow(const nscell::DataRow& row) { view_.SetRow(row); }
};

}  // namespace qzlv2
