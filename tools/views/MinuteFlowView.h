#pragma once

#include <QMap>

#include "tools/views/View.h"

// The stock's net capital flow ("net_capital_flow" of the 12842 rows) minute by minute. It asks
// for a "minute_based_capital_flows" root and keeps every minute it has seen, since each join
// brings one page of minutes.
// Threads: main thread only.
namespace qzviews {

class MinuteFlowView : public View {
public:
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;

    // minute (hhmm) -> net_capital_flow
    void SetMinutes(const QMap<int, qint64>& minutes);
    const QMap<int, qint64>& minutes() const { return minutes_; }

private:
    int root_id_ = -1;
    QMap<int, qint64> minutes_;
};

// 931 -> "09:31".
QString Hhmm(int hhmm);

}  // namespace qzviews
