#pragma once

#include <QMap>
#include <QMutex>

#include <memory>
#include <vector>

#include "host/access/AccessTypes.h"
#include "host/core/ThreadHelper.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "host/quoter/ScopeTreeNodeList.h"

class CHQOWNServerAccesser;
class CompositeRemoteApiCall;
class CompositeScopeResolver;
class QzLv2QuoterController;
class StoppableCall;
class ScopeResolveResult;

// The plug-in's data source handler and composition root: it creates the two server accessors,
// the controller it registers with the client, the configuration shared by every resolver and
// call, and the composites of resolvers and calls; its destructor takes them down again.
//
// Handle resolves the remaining nodes of an intent (unless blocked: paused or link down), then
// queues on its work thread first the detach of what the intent's task attached before, then
// the attach of the new nodes to fetch, and passes the intent on.
//
// Threads: Handle, the controller's operations and the destructor run on client threads; the
// main accessor's thread runs the access-state observer; the work thread runs the forget-task
// and attach jobs. All of them take mutex_ (recursive), which guards every member below it.
class QzLv2Quoter : public QuoteDataSourceHandler {
public:
    QzLv2Quoter(QuoteContext& context, const QString& name);
    ~QzLv2Quoter() override;

    bool Handle(QSharedPointer<kestrov::tolk::cor::Intent> intent) override;

    // The controller's operations.
    void RegisterJoinMethods();
    void Pause();
    void Resume();

    bool IsBlocked() const;
    const QuoteDataSourceHandlerConfiguration& Configuration() const { return configuration_; }
    CHQOWNServerAccesser* MainAccessor() const { return main_accessor_; }
    CHQOWNServerAccesser* FastQuoteAccessor() const { return fast_quote_accessor_; }
    QzLv2QuoterController* Controller() const { return controller_; }
    CompositeScopeResolver* Resolvers() const { return resolvers_; }
    CompositeRemoteApiCall* Calls() const { return calls_; }
    // The nodes last attached for a task (empty when none); for tests and diagnostics.
    ScopeTreeNodeList AttachedNodes(int taskId) const;
    // Blocks until every queued job has run; for tests and orderly shutdown by the client.
    void WaitForWorkThread();

private:
    void CreateFastQuoteAccessor();
    void CreateMainAccessor();
    void FillConfiguration();
    void CreateResolvers();
    void CreateCalls();
    template <typename Call>
    void AddCall(Call* call);
    void OnMainAccessState(_enAccessState state);
    // Applies a change of one blocking flag and redispatches when the blocked state flips.
    void SetBlockingFlag(bool& flag, bool value);
    ScopeResolveResult ResolveRemained(const ScopeTreeNodeList& nodes);
    void ForgetTask(int taskId);
    void AttachTask(int taskId, const ScopeTreeNodeList& nodes);

    mutable QRecursiveMutex mutex_;
    QzLv2QuoterController* controller_ = nullptr;
    bool paused_ = false;
    bool link_down_ = false;
    bool stopping_ = false;  // set first by the destructor
    CHQOWNServerAccesser* main_accessor_ = nullptr;
    CHQOWNServerAccesser* fast_quote_accessor_ = nullptr;
    QuoteDataSourceHandlerConfiguration configuration_;
    QMap<int, ScopeTreeNodeList> attached_nodes_;
    CompositeScopeResolver* resolvers_ = nullptr;
    CompositeRemoteApiCall* calls_ = nullptr;
    std::vector<StoppableCall*> stoppable_calls_;  // the members of calls_, stopped before deletion
    std::unique_ptr<ThreadHelper> work_thread_;
};
