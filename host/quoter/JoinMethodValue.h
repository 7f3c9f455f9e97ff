#pragma once

#include <functional>

#include "host/quoter/JoinMethodKey.h"
#include "host/quoter/JoinMethodResult.h"
#include "host/quoter/ScopeTreeNode.h"

// A registered join: its key and the function that merges `source` (the child, carrying its
// quote data) into `target` (the parent).
// Threads: a plain value; the function runs on whichever thread calls Run.
class JoinMethodValue {
public:
    using Method =
        std::function<JoinMethodResult(ScopeTreeNode& target, const ScopeTreeNode& source)>;

    JoinMethodValue() = default;
    JoinMethodValue(const JoinMethodKey& key, Method method)
        : key_(key), method_(std::move(method)) {}

    const JoinMethodKey& Key() const { return key_; }
    const Method& GetMethod() const { return method_; }
    // Runs the join; a value without a function joins nothing.
    JoinMethodResult Run(ScopeTreeNode& target, const ScopeTreeNode& source) const {
        return method_ ? method_(target, source) : JoinMethodResult(false);
    }

private:
    JoinMethodKey key_;
    Method method_;
};
