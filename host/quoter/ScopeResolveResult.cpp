#include "host/quoter/ScopeResolveResult.h"

ScopeResolveResult& ScopeResolveResult::operator<<(const ScopeResolveResult& other) {
    replacement_nodes << other.replacement_nodes;
    fetch_nodes << other.fetch_nodes;
    unhandled_nodes << other.unhandled_nodes;
    return *this;
}

bool ScopeResolveResult::IsEmpty() const {
    return replacement_nodes.isEmpty() && fetch_nodes.isEmpty() && unhandled_nodes.isEmpty();
}
