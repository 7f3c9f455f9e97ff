#pragma once

#include <QList>
#include <QSharedPointer>

#include "host/core/DataRow.h"
#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/JoinMethodResult.h"
#include "host/quoter/ScopeTreeNode.h"

// The join of a child whose package becomes a table on its parent: a new DealsQuoteData whose
// rows `fill` builds from the child's Entity replaces the parent's quote data. A child without
// quote data, or with quote data of another type, joins nothing (false; the parent is unchanged).
// Threads: stateless; runs on whichever thread the host joins on, touching only the two nodes.
template <typename Entity, typename Fill>
JoinMethodResult JoinAsTable(ScopeTreeNode& target, const ScopeTreeNode& source, Fill fill) {
    const auto* entity = dynamic_cast<const Entity*>(source.quote_data.data());
    if (entity == nullptr) {
        return JoinMethodResult(false);
    }
    auto table = QSharedPointer<DealsQuoteData>::create();
    fill(*entity, table->rows);
    target.quote_data = table;
    return JoinMethodResult(true);
}
