#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include "framework/ScopeResolverBase.h"
#include "host/quoter/BaseQuoteData.h"

// Splits a stock-board row request (scope type 2) into one child per call that serves some of
// its keys ("qz_Lv2_quoter_<call>", API type <call>, in call-name order) plus, when some keys are
// served elsewhere, one leftover child of scope type 2. The joins store each child's data in the
// parent's BaseQuoteData under the call name and rebuild the parent's row from everything joined:
// the key cells (board_transcoders), and the board codes and trading channel of the stock.
//
// Thread contract: Init once before use; afterwards Resolve and the joins only read the
// resolver's tables and may run on any thread. A join works on the nodes it is given.
class QzLv2StockBoardScopeResolver : public ScopeResolverBase {
public:
    static constexpr int kStockBoardScopeType = 2;
    static constexpr const char* kChildScopePrefix = "qz_Lv2_quoter_";

    explicit QzLv2StockBoardScopeResolver(HandlerConfiguration* configuration);

    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;

    // The joined call names a join stores under ("10001", "10002", "10012",
    // "12755_stock_related").
    static QStringList JoinedCalls();
    // Stores the child's data under the call name and rebuilds the parent's row.
    static JoinMethodResult Join(const QString& call, ScopeTreeNode& parent,
                                 const ScopeTreeNode& child);
    // Recomputes the row from the joined sources.
    static void RebuildRow(BaseQuoteData& data);

private:
    bool Accepts(const ScopeTreeNode& node) const;
    QMap<QString, QStringList> keyCalls_;  // key -> calls serving it
};
