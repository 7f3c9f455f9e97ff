#include "tools/views/BoardFieldsView.h"

#include <algorithm>

#include "host/quoter/QuoteData.h"

namespace qzviews {

namespace {

using nscell::UnsharedDataCell;

constexpr int kStockBoardScopeType = 2;

QString ValueText(const UnsharedDataCell& cell, const QString& unit) {
    // Large amounts read better with 万 (10^4) and 亿 (10^8), as a volume cell renders them.
    QString text = cell.kind() == UnsharedDataCell::Kind::BigInteger
                       ? UnsharedDataCell::FromVolume(cell.ToInt64()).DisplayText()
                       : cell.DisplayText();
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

QStringList KeyNames() {
    QStringList keys;
    for (const BoardKey& k : BoardKeys()) {
        keys << k.key;
    }
    return keys;
}

}  // namespace

const QList<BoardKey>& BoardKeys() {
    using Need = BoardKey::Need;
    static const QList<BoardKey> keys = {
        {"money_flow_today", "money flow today", "yuan", Need::Required},
        {"money_flow_5d", "money flow 5 days", "yuan", Need::Required},
        {"money_flow_10d", "money flow 10 days", "yuan", Need::Required},
        {"money_flow_20d", "money flow 20 days", "yuan", Need::Required},
        {"float_ratio_day_0", "float ratio today", "", Need::Required},
        {"float_ratio_day_5", "float ratio 5 days", "", Need::Required},
        {"float_ratio_day_20", "float ratio 20 days", "", Need::Required},
        {"turnover_ratio_day_5", "turnover ratio 5 days", "", Need::Required},
        {"turnover_ratio_day_20", "turnover ratio 20 days", "", Need::Required},
        {"big_order_ratio", "big-order ratio", "", Need::Required},
        {"gem_deal_volume_after_close", "after-close volume", "shares", Need::Optional},
        {"gem_deal_capital_after_close", "after-close capital", "yuan", Need::Optional},
        {"limit_up_price", "limit up", "yuan", Need::IfRoom},
        {"limit_down_price", "limit down", "yuan", Need::IfRoom},
        {"total_shares", "total shares", "shares", Need::IfRoom},
        {"float_shares", "float shares", "shares", Need::IfRoom},
        {"quota_balance", "connect quota left", "yuan", Need::IfRoom},
        {"quota_status", "connect quota used up", "", Need::IfRoom},
        {"eps", "earnings per share", "yuan", Need::IfRoom},
        {"nav_per_share", "net assets per share", "yuan", Need::IfRoom},
    };
    return keys;
}

QList<ScopeTreeNode> BoardFieldsView::Request(const QString& code) {
    int id = -1;
    ScopeTreeNode node = RootFor(ScopeTypeVariant(kStockBoardScopeType), code, id);
    node.key_list = KeyListExpression::FromKeyList(KeyNames());
    node_id_ = id;
    row_ = nscell::DataRow();
    SetRow(nscell::DataRow());
    Changed();
    return {node};
}

void BoardFieldsView::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(node_id_);
    const QuoteData* data = node ? node->quote_data.data() : nullptr;
    const nscell::DataRow row = data != nullptr ? data->row : nscell::DataRow();
    if (row != row_) {
        SetRow(row);
    }
}

void BoardFieldsView::SetRow(const nscell::DataRow& row) {
    row_ = row;
    fields_.clear();
    missing_.clear();
    for (const BoardKey& k : BoardKeys()) {
        const UnsharedDataCell cell = row.Get(k.key);
        if (!cell.IsEmpty()) {
            fields_ << BoardField{k.key, k.label, ValueText(cell, k.unit), cell};
        } else if (k.need == BoardKey::Need::Required) {
            missing_ << k.key;
        }
    }
    const QStringList known = KeyNames();
    QStringList others = row.Names();
    std::sort(others.begin(), others.end());
    for (const QString& name : others) {
        if (!known.contains(name)) {
            const UnsharedDataCell cell = row.Get(name);
            fields_ << BoardField{name, name, cell.DisplayText(), cell};
        }
    }
    Changed();
}

}  // namespace qzviews
