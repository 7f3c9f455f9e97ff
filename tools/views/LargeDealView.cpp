#include "tools/views/LargeDealView.h"

#include "host/core/HostClock.h"

namespace qzviews {

namespace {
constexpr int kLargeDealScopeType = 18;
}

QString HhmmssText(qint64 hhmmss) {
    return QStringLiteral("%1:%2:%3")
        .arg(hhmmss / 10000, 2, 10, QLatin1Char('0'))
        .arg(hhmmss / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(hhmmss % 100, 2, 10, QLatin1Char('0'));
}

QList<ScopeTreeNode> LargeDealView::Request(const QString& code) {
    return {RootFor(ScopeTypeVariant(kLargeDealScopeType), code, node_id_)};
}

void LargeDealView::Update(const ScopeTree& tree) {
    const nscell::DataRow row = FirstJoinedRow(tree, node_id_);
    if (!row.IsEmpty()) {
        SetRow(row);
    }
}

void LargeDealView::SetRow(const nscell::DataRow& row) {
    if (row == row_) {
        return;
    }
    row_ = row;
    changed_ms_ = HostClock::NowMs();
    ticker_.prepend(Deal{row, changed_ms_});
    while (ticker_.size() > kTickerDeals) {
        ticker_.removeLast();  // the oldest goes
    }
    Changed();
}

bool LargeDealView::IsNew() const {
    return changed_ms_ >= 0 && HostClock::NowMs() - changed_ms_ < kNewForMs;
}

QStringList LargeDealView::Missing() const {
    return row_.IsEmpty() ? QStringList{QStringLiteral("large deal")} : QStringList();
}

}  // namespace qzviews
