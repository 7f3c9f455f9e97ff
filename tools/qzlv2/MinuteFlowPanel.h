#pragma once

#include <QMap>

#include "tools/qzlv2/Panel.h"

// The minute flow of the watch screen: the stock's net capital flow ("net_capital_flow" of the
// 12842 rows) minute by minute and its running total across the session, as a compact chart of
// the latest minutes that fit the width. It asks for a "minute_based_capital_flows" root and
// keeps every minute it has seen, since each join brings one page of minutes. Values are shown
// in units of 10^4 of the capital fields (10^4 yuan for the simulated market's yuan).
// Threads: main thread only.
namespace qzlv2 {

class MinuteFlowPanel : public Panel {
public:
    QString Name() const override { return QStringLiteral("minute_flow"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    int MinLines(int) const override { return 2; }
    int MaxLines(int) const override { return 4; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // minute (hhmm) -> net_capital_flow; for tests.
    void SetMinutes(const QMap<int, qint64>& minutes) { minutes_ = minutes; }

private:
    int root_id_ = -1;
    QMap<int, qint64> minutes_;
};

}  // namespace qzlv2
