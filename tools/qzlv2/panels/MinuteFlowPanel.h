#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/MinuteFlowView.h"

// The minute flow of the watch screen: the stock's net capital flow minute by minute and its
// running total across the session, as a compact chart of the latest minutes that fit the
// width. Values are shown in units of 10^4 of the capital fields (10^4 yuan for the simulated
// market's yuan).
// Threads: main thread only.
namespace qzlv2 {

class MinuteFlowPanel : public ViewPanel<qzviews::MinuteFlowView> {
public:
    QString Name() const override { return QStringLiteral("minute_flow"); }
    int MinLines(int) const override { return 2; }
    int MaxLines(int) const override { return 4; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // minute (hhmm) -> net_capital_flow; for tests.
    void SetMinutes(const QMap<int, qint64>& minutes) { view_.SetMinutes(minutes); }
};

}  // namespace qzlv2
