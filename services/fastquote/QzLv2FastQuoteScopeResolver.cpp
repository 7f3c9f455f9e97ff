#include "services/fastquote/QzLv2FastQuoteScopeResolver.h"

#include "services/fastquote/FastQuoteJoins.h"

QzLv2FastQuoteScopeResolver::QzLv2FastQuoteScopeResolver(HandlerConfiguration* configuration)
    : ScopeResolver(configuration) {}

void QzLv2FastQuoteScopeResolver::Init() {
    join_methods_.clear();
    supported_types_.insert(ScopeTypeVariant(kScopeType));
    const ScopeSplitTypeVariant split(kSplitType);
    join_methods_ << JoinMethodValue(
        JoinMethodKey(ScopeTypeVariant(kScopeType), split, ScopeTypeVariant(kBasicQuoteChildType)),
        &fastquote::JoinBasicQuote);
    join_methods_ << JoinMethodValue(
        JoinMethodKey(ScopeTypeVariant(kScopeType), split, ScopeTypeVariant(kFastQuoteChildType)),
        &fastquote::JoinFastQuote);
}

bool QzLv2FastQuoteScopeResolver::Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) {
    if (node.scope_type != ScopeTypeVariant(kScopeType)) {
        return false;
    }
    ScopeTreeNode basic = ScopeTreeNode::FromParentNode(node);
    basic.scope_type = ScopeTypeVariant(kBasicQuoteChildType);
    basic.stock_list = node.stock_list;
    basic.key_list = KeyListExpression::FromKeyList(kBasicQuoteKey);
    basic.api_type = ScopeTypeVariant(kBasicQuoteApiType);

    ScopeTreeNode fast = ScopeTreeNode::FromParentNode(node);
    fast.scope_type = ScopeTypeVariant(kFastQuoteChildType);
    fast.stock_list = node.stock_list;
    fast.shared_block = node.shared_block;
    fast.api_type = ScopeTypeVariant(kFastQuoteApiType);

    ScopeTreeNode split = node;
    split.split_type = ScopeSplitTypeVariant(kSplitType);
    split.children.clear();
    split.children << basic << fast;

    result.replacement_nodes << split;
    result.fetch_nodes << basic << fast;
    return true;
}
