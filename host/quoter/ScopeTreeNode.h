#pragma once

#include <QSharedPointer>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <array>

#include "host/quoter/KeyListExpression.h"
#include "host/quoter/OrderByExpression.h"
#include "host/quoter/QuoteData.h"
#include "host/quoter/ScopeSplitTypeVariant.h"
#include "host/quoter/ScopeTreeNodeList.h"
#include "host/quoter/ScopeTypeVariant.h"
#include "host/quoter/StockListExpression.h"
#include "host/quoter/XrListExpression.h"

// One request of a scope tree: what data (scope type, key list), for which stocks, in which
// shape, and, once resolved, which remote call serves it (api type) and how its children are
// joined back (split type). Nodes are values; the tree that owns them (ScopeTree) indexes them by
// scope id. Copying a node shares its quote data (QSharedPointer).
//
// Every constructed node gets a fresh scope id from a process-wide atomic counter; copies keep
// the id of their original.
//
// Threads: a plain value; the id counter is atomic, so nodes may be created on any thread.
class ScopeTreeNode {
public:
    ScopeTreeNode();
    explicit ScopeTreeNode(const ScopeTypeVariant& scopeType);

    // A root node (no parent) of the given scope type with a fresh id.
    static ScopeTreeNode NewRoot(const ScopeTypeVariant& scopeType);
    // A child of `parent` with a fresh id. It copies what the child must ask about the same
    // thing: stock list, ex-rights list, cycle, variant, quote level and named parameters. It
    // does not copy the scope type, api type, key list, split type, shared block, children or
    // quote data: the resolver sets what the child is.
    static ScopeTreeNode FromParentNode(const ScopeTreeNode& parent);
    // The next unused scope id.
    static int NextScopeId();

    bool IsRoot() const { return parent_scope_id < 0; }

    int scope_id = 0;
    int parent_scope_id = -1;
    ScopeTypeVariant scope_type;
    ScopeTypeVariant api_type;
    ScopeSplitTypeVariant split_type;
    StockListExpression stock_list;
    KeyListExpression key_list;
    OrderByExpression order_by;
    QVariantList values;
    XrListExpression xr_list;
    QVariant cycle;    // K-line cycle code, read as text ("1min", "day")
    QVariant variant;  // a call-specific selector, e.g. an indicator name
    int quote_level = 0;
    QVariantMap params;                          // named parameters, e.g. "plate_list"
    std::array<qint32, 2> shared_block{{0, 0}};  // opaque; resolvers copy it parent -> child
    ScopeTreeNodeList children;
    QSharedPointer<QuoteData> quote_data;
};
