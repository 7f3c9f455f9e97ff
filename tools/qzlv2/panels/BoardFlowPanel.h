#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/BoardFlowView.h"

// A board's watch screen: its name and members, the amounts its members' buy- and
// sell-initiated trades of each order size moved today (12932, 10^4 yuan) and its large-order
// net inflow (12973).
// Threads: main thread only.
namespace qzlv2 {

class BoardFlowPanel : public ViewPanel<qzviews::BoardFlowView> {
public:
    QString Name() const override { return QStringLiteral("board_flow"); }
    int MinLines(int) const override { return 4; }
    int MaxLines(int) const override { return 8; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetRows(const nscell::DataRow& flow, const nscell::DataRow& analysis) {
        view_.SetRows(flow, analysis);
    }
};

}  // namespace qzlv2
