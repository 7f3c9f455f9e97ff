#include "tools/views/KlineFlowView.h"

#include "host/quoter/KlineSegment.h"
#include "services/minuteflow/FlowCycles.h"
#include "services/minuteflow/FlowFields.h"

namespace qzviews {

namespace {

constexpr int kKlineScopeType = 7;
constexpr int kKlineFunction = 12844;
const char kFlowKey[] = "supl";

qint64 Field(const KlineSegment& segment, int row, const char* name) {
    return segment.Cell(row, minuteflow::KlineColumnId(name)).ToInt64();
}

qint64 Net(const KlineSegment& segment, int row, const char* in, const char* out) {
    return Field(segment, row, in) - Field(segment, row, out);
}

}  // namespace

const char KlineFlowView::kDefaultCycle[] = "week";

bool FlowBar::operator==(const FlowBar& o) const {
    return super_net == o.super_net && big_net == o.big_net && mid_net == o.mid_net &&
           small_net == o.small_net && net_capital_flow == o.net_capital_flow;
}

QStringList KlineFlowView::Cycles() {
    return minuteflow::CycleCodes(kKlineFunction);
}

QList<ScopeTreeNode> KlineFlowView::Request(const QString& code) {
    ScopeTreeNode root = RootFor(ScopeTypeVariant(kKlineScopeType), code, node_id_);
    root.key_list = KeyListExpression::FromKeyList(QLatin1String(kFlowKey));
    root.cycle = cycle_;
    return {root};
}

void KlineFlowView::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> root = tree.FindNode(node_id_);
    const auto* segment =
        root ? dynamic_cast<const KlineSegment*>(root->quote_data.data()) : nullptr;
    if (segment == nullptr) {
        return;
    }
    QMap<qint32, FlowBar> bars = bars_;
    for (int row = 0; row < segment->RowCount(); ++row) {
        const qint32 period = segment->Cell(row, minuteflow::kKlineDateColumn).ToString().toInt();
        bars.insert(period, FlowBar{Net(*segment, row, "superincap", "superoutcap"),
                                    Net(*segment, row, "bigincap", "bigoutcap"),
                                    Net(*segment, row, "midincap", "midoutcap"),
                                    Net(*segment, row, "smallincap", "smalloutcap"),
                                    Field(*segment, row, "net_capital_flow")});
    }
    SetBars(bars);
}

QStringList KlineFlowView::Missing() const {
    return answered_ ? QStringList() : QStringList{QStringLiteral("flow history")};
}

bool KlineFlowView::SetCycle(const QString& cycle) {
    if (!Cycles().contains(cycle)) {
        return false;
    }
    if (cycle != cycle_) {
        cycle_ = cycle;
        bars_.clear();
        answered_ = false;
        Changed();
    }
    return true;
}

void KlineFlowView::SetBars(const QMap<qint32, FlowBar>& bars) {
    if (bars != bars_ || !answered_) {
        answered_ = true;
        bars_ = bars;
        Changed();
    }
}

}  // namespace qzviews
