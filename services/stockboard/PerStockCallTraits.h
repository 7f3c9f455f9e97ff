#pragma once

#include <QSharedPointer>

#include "host/quoter/QuoteData.h"
#include "host/quoter/ScopeTreeNode.h"
#include "services/stockboard/ResponsePkgTopic_10002.h"

// Shared shape of the per-stock calls: a node's topic is (its stock code, its API type), the
// cache maps a topic to its package, and the host receives the package's entity.
// Threads: stateless.
template <typename PackageType>
struct PerStockCallTraits {
    using Topic = ResponsePkgTopic_10002;
    using Package = PackageType;
    using CacheKey = Topic;
    using CacheValue = Package;

    static Topic TopicOf(const ScopeTreeNode& node) {
        return Topic(node.stock_list.GetStockCode(), node.api_type.ToQString());
    }
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
};
