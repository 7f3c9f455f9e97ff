#include "services/stockboard/QzLv2StockBoardScopeResolver.h"

#include "host/core/UnsharedDataCell.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "services/stockboard/QzLv2BoardTranscoders.h"
#include "services/stockboard/StockBoardCodeTables.h"

namespace {

void SetBoardCode(nscell::DataRow& row, const char* name, const QMap<int, QString>& table,
                  int number) {
    if (table.contains(number)) {
        row.Set(name, nscell::UnsharedDataCell(table.value(number)));
    }
}

// Board codes and channel of the stock, from the snapshot answer.
void SetBoardCells(const ResponsePkgEntity_10002& entity, nscell::DataRow& row) {
    const StockSnapshot& s = entity.snapshot;
    const QString market = s.market();
    if (board_codes::BoardCodeMarkets().contains(market)) {
        if (s.Has2(snapshot::kBoardFlags)) {
            SetBoardCode(row, "listing_board_code", board_codes::ListingBoards(), s.listing_board);
            SetBoardCode(row, "transfer_type_code", board_codes::TransferTypes(), s.transfer_type);
        }
        if (s.Has2(snapshot::kBoardCategory)) {
            SetBoardCode(row, "board_category_code", board_codes::Categories(), s.board_category);
        }
    }
    if (board_codes::ChannelMarkets().contains(market) &&
        board_codes::Channels().contains(market)) {
        row.Set("trading_channel", nscell::UnsharedDataCell(board_codes::Channels().value(market)));
    }
}

}  // namespace

QzLv2StockBoardScopeResolver::QzLv2StockBoardScopeResolver(HandlerConfiguration* configuration)
    : ScopeResolverBase(configuration) {}

QStringList QzLv2StockBoardScopeResolver::JoinedCalls() {
    return {"10001", "10002", "10012", "12755_stock_related"};
}

void QzLv2StockBoardScopeResolver::Init() {
    ResetTables({ScopeTypeVariant(kStockBoardScopeType)});
    keyCalls_.clear();
    for (const board_transcoders::KeyEntry& entry : board_transcoders::KeyTable()) {
        keyCalls_[entry.key].append(entry.call);
    }
    for (const QString& call : JoinedCalls()) {
        const JoinMethodKey key(ScopeTypeVariant(kStockBoardScopeType),
                                ScopeSplitTypeVariant(kSplitByRemoteCalls),
                                ScopeTypeVariant(kChildScopePrefix + call));
        AddJoinMethod(key, [call](ScopeTreeNode& parent, const ScopeTreeNode& child) {
            return Join(call, parent, child);
        });
    }
}

bool QzLv2StockBoardScopeResolver::Accepts(const ScopeTreeNode& node) const {
    if (node.scope_type != ScopeTypeVariant(kStockBoardScopeType)) {
        return false;
    }
    const QString code = node.stock_list.GetStockCode();
    if (configuration_ != nullptr && configuration_->IsExcluded(code)) {
        return false;
    }
    const auto* quoteConfiguration =
        dynamic_cast<const QuoteDataSourceHandlerConfiguration*>(configuration_);
    return quoteConfiguration != nullptr && quoteConfiguration->lv2_feature.Support(code);
}

bool QzLv2StockBoardScopeResolver::Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) {
    if (!Accepts(node)) {
        return false;
    }
    QMap<QString, QStringList> callKeys;  // ordered by call name
    QStringList leftover;
    for (const QString& key : node.key_list.GetKeyList()) {
        const auto found = keyCalls_.constFind(key);
        if (found == keyCalls_.constEnd()) {
            leftover.append(key);
            continue;
        }
        for (const QString& call : found.value()) {
            callKeys[call].append(key);
        }
    }
    if (callKeys.isEmpty()) {
        return false;
    }
    QList<ScopeTreeNode> children;
    for (auto it = callKeys.constBegin(); it != callKeys.constEnd(); ++it) {
        ScopeTreeNode child = MakeChild(node, ScopeTypeVariant(kChildScopePrefix + it.key()),
                                        ScopeTypeVariant(it.key()));
        child.key_list = KeyListExpression::FromKeyList(it.value());
        children.append(child);
    }
    QList<ScopeTreeNode> unhandled;
    if (!leftover.isEmpty()) {
        ScopeTreeNode rest =
            MakeChild(node, ScopeTypeVariant(kStockBoardScopeType), ScopeTypeVariant());
        rest.key_list = KeyListExpression::FromKeyList(leftover);
        unhandled.append(rest);
    }
    FillResult(result, SplitCopy(node), children, unhandled);
    return true;
}

JoinMethodResult QzLv2StockBoardScopeResolver::Join(const QString& call, ScopeTreeNode& parent,
                                                    const ScopeTreeNode& child) {
    if (child.quote_data.isNull()) {
        return JoinMethodResult(false);
    }
    // The parent's data may be shared with the host: change a copy, then swap it in.
    const auto* current = dynamic_cast<const BaseQuoteData*>(parent.quote_data.data());
    QSharedPointer<BaseQuoteData> data(current != nullptr ? current->Clone() : new BaseQuoteData());
    data->sources.insert(call, child.quote_data);
    RebuildRow(*data);
    parent.quote_data = data;
    return JoinMethodResult(true);
}

void QzLv2StockBoardScopeResolver::RebuildRow(BaseQuoteData& data) {
    QzLv2BoardTranscoderArgs args{data.sources, data.row};
    for (const board_transcoders::KeyEntry& entry : board_transcoders::KeyTable()) {
        entry.transcode(args);
    }
    if (const ResponsePkgEntity_10002* snapshot = args.Snapshot()) {
        SetBoardCells(*snapshot, data.row);
    }
}
