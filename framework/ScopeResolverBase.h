#pragma once

#include <QList>

#include <initializer_list>

#include "host/quoter/JoinMethodKey.h"
#include "host/quoter/JoinMethodValue.h"
#include "host/quoter/ScopeResolveResult.h"
#include "host/quoter/ScopeResolver.h"
#include "host/quoter/ScopeTreeNode.h"

// The shape every resolver of the plug-in shares: Init fills the accepted scope types and the
// join methods; Resolve answers a copy of the node marked as split (type 8), the children served
// by remote calls, and the remainder left for other resolvers.
// Thread contract: Init once before use; afterwards read-only (Resolve may run on any thread).
class ScopeResolverBase : public ScopeResolver {
public:
    static constexpr int kSplitByRemoteCalls = 8;  // split type of a resolved parent

    explicit ScopeResolverBase(HandlerConfiguration* configuration);

protected:
    // Starts Init over: no join methods, the given accepted scope types.
    void ResetTables(std::initializer_list<ScopeTypeVariant> acceptedTypes);
    void AddJoinMethod(const JoinMethodKey& key, JoinMethodValue::Method method);

    // A copy of the node marked as split into remote-call children.
    static ScopeTreeNode SplitCopy(const ScopeTreeNode& node);
    // A child of the node (FromParentNode) with the given scope and API types; the parent's
    // shared block is copied unless told otherwise.
    static ScopeTreeNode MakeChild(const ScopeTreeNode& parent, const ScopeTypeVariant& scopeType,
                                   const ScopeTypeVariant& apiType, bool copySharedBlock = true);
    // Fills the result in its order: the split copy, the fetched children, the remainder.
    static void FillResult(ScopeResolveResult& result, const ScopeTreeNode& splitCopy,
                           const QList<ScopeTreeNode>& fetched,
                           const QList<ScopeTreeNode>& unhandled = {});
};
