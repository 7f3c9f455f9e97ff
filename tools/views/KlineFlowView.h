#pragma once

#include <QMap>

#include "tools/views/View.h"

// The K-line capital-flow history ("supl" of a K-line node, 12844) of the stock for one cycle:
// per period, the net capital of each order class and the net capital flow. The plug-in starts
// from its disk cache and pages the history back to its start; every page joined is kept, so
// the series grows backwards; a cycle without history answers with no period. A new cycle
// starts a new series (ask again: PluginHost::Renew).
// Threads: main thread only.
namespace qzviews {

struct FlowBar {
    qint64 super_net = 0;  // extra-large orders in - out, capital
    qint64 big_net = 0;
    qint64 mid_net = 0;
    qint64 small_net = 0;
    qint64 net_capital_flow = 0;  // ((super + big) in - out) x 10^4, as the server counts it

    bool operator==(const FlowBar& o) const;
    bool operator!=(const FlowBar& o) const { return !(*this == o); }
};

class KlineFlowView : public View {
public:
    static const char kDefaultCycle[];  // "week"

    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;

    // The cycles the history is served for, shortest first ("1min" .. "year").
    static QStringList Cycles();
    // False for a cycle not in Cycles(); a new cycle empties the series.
    bool SetCycle(const QString& cycle);
    const QString& cycle() const { return cycle_; }
    // period (yyyyMMdd) -> bar, oldest first.
    void SetBars(const QMap<qint32, FlowBar>& bars);
    const QMap<qint32, FlowBar>& bars() const { return bars_; }

private:
    QString cycle_ = QString::fromLatin1(kDefaultCycle);
    int node_id_ = -1;
    QMap<qint32, FlowBar> bars_;
    bool answered_ = false;  // a page of this cycle arrived (an empty history is an answer)
};

}  // namespace qzviews
