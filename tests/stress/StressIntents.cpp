#include "tests/stress/StressIntents.h"

namespace stress {

namespace {
const char* const kFastQuoteType = "l2_fast_quote";
constexpr int kStockBoardType = 2;
const char* const kSnapshotOnlyKey = "money_flow_today";
}  // namespace

QString CodeAt(int index) {
    if (index % 2 == 0) {
        return QStringLiteral("SH%1").arg(600000 + index / 2, 6, 10, QChar('0'));
    }
    return QStringLiteral("SZ%1").arg(1 + index / 2, 6, 10, QChar('0'));
}

QSharedPointer<QuoteDataSourceIntent> MakeIntent(int taskId, quint32 flags,
                                                 const QStringList& fastCodes,
                                                 const QStringList& boardCodes) {
    auto tree = QSharedPointer<ScopeTree>::create();
    for (const QString& code : fastCodes) {
        ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(kFastQuoteType));
        node.stock_list = StockListExpression::FromStockCode(code);
        tree->AddRoot(node);
    }
    for (const QString& code : boardCodes) {
        ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(kStockBoardType));
        node.stock_list = StockListExpression::FromStockCode(code);
        node.key_list = KeyListExpression::FromKeyList(QStringList{kSnapshotOnlyKey});
        tree->AddRoot(node);
    }
    return QSharedPointer<QuoteDataSourceIntent>::create(taskId, flags, tree);
}

ScopeTreeNodeList FetchedNodes(const ScopeTree& tree) {
    ScopeTreeNodeList nodes;
    for (const ScopeTreeNode& root : tree.GetRootNodeList()) {
        nodes << tree.ChildrenOf(root.scope_id);
    }
    return nodes;
}

}  // namespace stress
