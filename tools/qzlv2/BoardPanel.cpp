#include "tools/qzlv2/BoardPanel.h"

#include <QJsonObject>

#include <algorithm>

#include "host/quoter/QuoteData.h"
#include "tools/qzlv2/PackageJson.h"

namespace qzlv2 {

namespace {

using nscell::UnsharedDataCell;

constexpr int kStockBoardScopeType = 2;
constexpr int kLabelColumns = 22;

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

int Rows(int count, int width) {
    return width >= BoardPanel::kTwoColumnWidth ? (count + 1) / 2 : count;
}

}  // namespace

const QList<BoardKey>& BoardKeys() {
    static const QList<BoardKey> keys = {
        {"money_flow_today", "money flow today", "yuan", false},
        {"money_flow_5d", "money flow 5 days", "yuan", false},
        {"money_flow_10d", "money flow 10 days", "yuan", false},
        {"money_flow_20d", "money flow 20 days", "yuan", false},
        {"float_ratio_day_0", "float ratio today", "", false},
        {"float_ratio_day_5", "float ratio 5 days", "", false},
        {"float_ratio_day_20", "float ratio 20 days", "", false},
        {"turnover_ratio_day_5", "turnover ratio 5 days", "", false},
        {"turnover_ratio_day_20", "turnover ratio 20 days", "", false},
        {"big_order_ratio", "big-order ratio", "", false},
        {"gem_deal_volume_after_close", "after-close volume", "shares", true},
        {"gem_deal_capital_after_close", "after-close capital", "yuan", true},
    };
    return keys;
}

QList<ScopeTreeNode> BoardPanel::Request(const QString& code) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(kStockBoardScopeType));
    node.stock_list = StockListExpression::FromStockCode(code);
    node.key_list = KeyListExpression::FromKeyList(KeyNames());
    node_id_ = node.scope_id;
    SetRow(nscell::DataRow());
    return {node};
}

void BoardPanel::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(node_id_);
    const QuoteData* data = node ? node->quote_data.data() : nullptr;
    SetRow(data != nullptr ? data->row : nscell::DataRow());
}

void BoardPanel::SetRow(const nscell::DataRow& row) {
    fields_.clear();
    missing_.clear();
    for (const BoardKey& k : BoardKeys()) {
        const UnsharedDataCell cell = row.Get(k.key);
        if (!cell.IsEmpty()) {
            fields_ << BoardField{k.key, k.label, ValueText(cell, k.unit), CellToJson(cell)};
        } else if (!k.optional) {
            missing_ << k.key;
        }
    }
    const QStringList known = KeyNames();
    QStringList others = row.Names();
    std::sort(others.begin(), others.end());
    for (const QString& name : others) {
        if (!known.contains(name)) {
            const UnsharedDataCell cell = row.Get(name);
            fields_ << BoardField{name, name, cell.DisplayText(), CellToJson(cell)};
        }
    }
}

int BoardPanel::MinLines(int width) const {
    return 1 + Rows(int(BoardKeys().size()), width);
}

QStringList BoardPanel::Render(int width, int lines) const {
    QStringList items;
    for (const BoardField& f : fields_) {
        items << QStringLiteral("  %1 %2").arg(f.label.leftJustified(kLabelColumns), f.text);
    }
    if (!missing_.isEmpty()) {
        items << QStringLiteral("  (waiting for %1)").arg(missing_.join(QStringLiteral(", ")));
    }
    QStringList out{QStringLiteral("board:")};
    const int rows = Rows(int(items.size()), width);
    const int half = width / 2;
    for (int r = 0; r < rows && out.size() < std::max(lines, 1); ++r) {
        if (width < kTwoColumnWidth) {
            out << items[r];
        } else {
            const QString left = items[r].leftJustified(half, QLatin1Char(' '), true);
            out << left + items.value(r + rows);
        }
    }
    return out;
}

QJsonValue BoardPanel::Json() const {
    QJsonObject o;
    for (const BoardField& f : fields_) {
        o.insert(f.key, f.json);
    }
    return o;
}

}  // namespace qzlv2
