#include "plugin/QzLv2Quoter.h"

#include <QMutexLocker>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/quoter/CompositeRemoteApiCall.h"
#include "host/quoter/CompositeScopeResolver.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoterFeatureDAO.h"
#include "host/quoter/ScopeResolveResult.h"
#include "plugin/QzLv2QuoterController.h"
#include "services/capitalflow/QzLv2CapitalFlowScopeResolver.h"
#include "services/capitalflow/QzLv2CapitalTrendScopeResolver.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12930.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12932.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12973.h"
#include "services/capitalflow/QzLv2StkanalysisScopeResolver.h"
#include "services/deals/QzLv2PriceBaseDealsScopeResolver.h"
#include "services/deals/QzLv2RemoteApiCall_12915.h"
#include "services/deals/QzLv2RemoteApiCall_12917.h"
#include "services/fastquote/QzLv2FastQuoteScopeResolver.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "services/largedeals/QzLv2NewLargeScopeResolver.h"
#include "services/largedeals/QzLv2RemoteApiCall_12990.h"
#include "services/minuteflow/QzLv2IndicatorResolver.h"
#include "services/minuteflow/QzLv2MinutesCapitalFlowsIndicatorResolver.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12842.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12844.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12988.h"
#include "services/signals/QzLv2RemoteApiCall_10015.h"
#include "services/signals/QzLv2RemoteApiCall_10016.h"
#include "services/signals/QzLv2ShortLineSignalListScopeResolver.h"
#include "services/signals/QzLv2ShortLineSignalStatisticsScopeResolver.h"
#include "services/signals/QzLv2ShortLineSignalTypeListScopeResolver.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"
#include "services/stockboard/QzLv2RemoteApiCall_10012.h"
#include "services/stockboard/QzLv2RemoteApiCall_12755_Stock_Related.h"
#include "services/stockboard/QzLv2StockBoardScopeResolver.h"

namespace {
constexpr int kFastQuoteFunction = 12989;
constexpr int kPushedQuoteFunction = 10001;
constexpr int kWorkThreads = 1;
}  // namespace

QzLv2Quoter::QzLv2Quoter(QuoteContext& context, const QString& name)
    : QuoteDataSourceHandler(context, name), work_thread_(new ThreadHelper(kWorkThreads)) {
    QMutexLocker lock(&mutex_);
    CreateFastQuoteAccessor();
    controller_ = new QzLv2QuoterController(this);
    // The quoter keeps its controller whatever the registration says; it deletes it at the end.
    GetQuoteContext().RegisterQuoteDataSourceController(GetHandlerName(), controller_);
    paused_ = false;
    link_down_ = false;
    CreateMainAccessor();
    FillConfiguration();
    CreateResolvers();
    CreateCalls();
}

QzLv2Quoter::~QzLv2Quoter() {
    GetQuoteContext().UnregisterQuoteDataSourceController(GetHandlerName());
    {
        // From here on an access-state report must not redispatch into a quoter going away.
        QMutexLocker lock(&mutex_);
        stopping_ = true;
    }
    work_thread_.reset();
    // The calls go first, while the accessors live: until a call has cut itself off, a broadcast
    // on another thread may still make it send a request through its accessor. Each is stopped
    // before any is deleted: stopping waits for an answer being delivered into it, which must not
    // run while its destructors change its type; answers after that are dropped by its guard.
    for (StoppableCall* call : stoppable_calls_) {
        call->Shutdown();
    }
    delete calls_;
    delete resolvers_;
    // Deleting an accessor joins its thread.
    delete fast_quote_accessor_;
    delete main_accessor_;
    attached_nodes_.clear();
    delete controller_;
}

void QzLv2Quoter::CreateFastQuoteAccessor() {
    fast_quote_accessor_ = new CHQOWNServerAccesser("pcl2xtquote", nullptr, 0);
    fast_quote_accessor_->setObjectName("qzaccess");
    fast_quote_accessor_->RegisterAccessStateObserver([](_enAccessState) {});
    fast_quote_accessor_->RegisterFuncAsSerial(kFastQuoteFunction);
    fast_quote_accessor_->RegisterFuncAsPush(kFastQuoteFunction);
}

void QzLv2Quoter::CreateMainAccessor() {
    main_accessor_ = new CHQOWNServerAccesser("l2quote", nullptr, 0);
    main_accessor_->setObjectName("qz_lv2_accesser");
    main_accessor_->EnableAsyncAutoCheck(true);
    main_accessor_->RegisterAccessStateObserver(
        [this](_enAccessState state) { OnMainAccessState(state); });
    main_accessor_->RegisterFuncAsPush(kPushedQuoteFunction);
}

void QzLv2Quoter::FillConfiguration() {
    QuoterStockFeatureDict* features = QuoterFeatureDAO::Default()->GetStockDict();
    configuration_.handler = this;
    configuration_.context = &GetQuoteContext();
    configuration_.lv2_feature = features->GetFeatureStatement("LV2");
    configuration_.transfer_feature = features->GetFeatureStatement("Transfer");
}

// The order of Add is the order in which the composite offers a node to its resolvers.
void QzLv2Quoter::CreateResolvers() {
    resolvers_ = new CompositeScopeResolver();
    resolvers_->Add(new QzLv2NewLargeScopeResolver(&configuration_));                   // 1st
    resolvers_->Add(new QzLv2CapitalFlowScopeResolver(&configuration_));                // 2nd
    resolvers_->Add(new QzLv2StkanalysisScopeResolver(&configuration_));                // 3rd
    resolvers_->Add(new QzLv2FastQuoteScopeResolver(&configuration_));                  // 4th
    resolvers_->Add(new QzLv2ShortLineSignalListScopeResolver(&configuration_));        // 5th
    resolvers_->Add(new QzLv2ShortLineSignalStatisticsScopeResolver(&configuration_));  // 6th
    resolvers_->Add(new QzLv2ShortLineSignalTypeListScopeResolver(&configuration_));    // 7th
    resolvers_->Add(new QzLv2IndicatorResolver(&configuration_));                       // 8th
    resolvers_->Add(new QzLv2MinutesCapitalFlowsIndicatorResolver(&configuration_));    // 9th
    resolvers_->Add(new QzLv2StockBoardScopeResolver(&configuration_));                 // 10th
    resolvers_->Add(new QzLv2CapitalTrendScopeResolver(&configuration_));               // 11th
    resolvers_->Add(new QzLv2PriceBaseDealsScopeResolver(&configuration_));             // 12th
    resolvers_->Init();
}

template <typename Call>
void QzLv2Quoter::AddCall(Call* call) {
    calls_->Add(call);
    stoppable_calls_.push_back(call);
}

// Every call but the fast quote's goes through the main accessor.
void QzLv2Quoter::CreateCalls() {
    calls_ = new CompositeRemoteApiCall();
    AddCall(new QzLv2RemoteApiCall_10002(&configuration_, main_accessor_));  // 1st
    AddCall(new QzLv2RemoteApiCall_12988(&configuration_, main_accessor_));  // 2nd
    AddCall(new QzLv2RemoteApiCall_12990(&configuration_, main_accessor_));  // 3rd
    AddCall(new QzLv2RemoteApiCall_10012(&configuration_, main_accessor_));  // 4th
    AddCall(new QzLv2RemoteApiCall_10015(&configuration_, main_accessor_));  // 5th
    AddCall(new QzLv2RemoteApiCall_10016(&configuration_, main_accessor_));  // 6th
    // 7th
    AddCall(new QzLv2RemoteApiCall_12755_Stock_Related(&configuration_, main_accessor_));
    AddCall(new QzLv2RemoteApiCall_12915(&configuration_, main_accessor_));        // 8th
    AddCall(new QzLv2RemoteApiCall_12917(&configuration_, main_accessor_));        // 9th
    AddCall(new QzLv2RemoteApiCall_12930(&configuration_, main_accessor_));        // 10th
    AddCall(new QzLv2RemoteApiCall_12973(&configuration_, main_accessor_));        // 11th
    AddCall(new QzLv2RemoteApiCall_12844(&configuration_, main_accessor_));        // 12th
    AddCall(new QzLv2RemoteApiCall_12842(&configuration_, main_accessor_));        // 13th
    AddCall(new QzLv2RemoteApiCall_12932(&configuration_, main_accessor_));        // 14th
    AddCall(new QzLv2RemoteApiCall_12989(&configuration_, fast_quote_accessor_));  // last
    calls_->Init();
}

bool QzLv2Quoter::IsBlocked() const {
    QMutexLocker lock(&mutex_);
    return paused_ || link_down_;
}

void QzLv2Quoter::SetBlockingFlag(bool& flag, bool value) {
    QMutexLocker lock(&mutex_);
    const bool wasBlocked = IsBlocked();
    flag = value;
    if (wasBlocked == IsBlocked())
        return;
    if (IIntentHolder* holder = GetQuoteContext().GetIntentHolder())
        holder->Redispatch();
}

void QzLv2Quoter::OnMainAccessState(_enAccessState state) {
    QMutexLocker lock(&mutex_);
    if (stopping_)
        return;
    SetBlockingFlag(link_down_, state != eAccessState_Connected);
}

void QzLv2Quoter::Pause() {
    SetBlockingFlag(paused_, true);
}

void QzLv2Quoter::Resume() {
    SetBlockingFlag(paused_, false);
}

void QzLv2Quoter::RegisterJoinMethods() {
    QMutexLocker lock(&mutex_);
    IJoinMethodManager* manager = GetQuoteContext().GetJoinMethodManager();
    if (manager == nullptr)
        return;
    for (const JoinMethodValue& method : resolvers_->GetJoinMethodList())
        manager->RegisterJoinMethod(method);
}

bool QzLv2Quoter::Handle(QSharedPointer<kestrov::tolk::cor::Intent> intent) {
    QMutexLocker lock(&mutex_);
    QuoteDataSourceIntent* request = QuoteDataSourceIntent::FromIntent(intent);
    if (request == nullptr)
        return QuoteDataSourceHandler::Handle(intent);

    const int taskId = request->GetTaskId();
    work_thread_->RunOnWorkThread([this, taskId] { ForgetTask(taskId); });

    QSharedPointer<ScopeTree> tree = request->GetScopeTree();
    if (request->WantsService() && tree) {
        const ScopeResolveResult result = ResolveRemained(tree->GetRemainedNodeList());
        tree->AdjustBy(result);
        if (!result.fetch_nodes.isEmpty()) {
            request->AddHandler(this);
            const ScopeTreeNodeList nodes = result.fetch_nodes;
            work_thread_->RunOnWorkThread([this, taskId, nodes] { AttachTask(taskId, nodes); });
        }
    }
    return QuoteDataSourceHandler::Handle(intent);
}

ScopeResolveResult QzLv2Quoter::ResolveRemained(const ScopeTreeNodeList& nodes) {
    ScopeResolveResult result;
    const bool blocked = IsBlocked();
    for (const ScopeTreeNode& node : nodes) {
        ScopeResolveResult accepted;
        if (!blocked && resolvers_->Resolve(accepted, node))
            result << accepted;
        else
            result.unhandled_nodes << node;
    }
    return result;
}

void QzLv2Quoter::ForgetTask(int taskId) {
    QMutexLocker lock(&mutex_);
    auto it = attached_nodes_.find(taskId);
    if (it == attached_nodes_.end())
        return;
    for (const ScopeTreeNode& node : *it)
        calls_->DetachNode(node);
    attached_nodes_.erase(it);
}

void QzLv2Quoter::AttachTask(int taskId, const ScopeTreeNodeList& nodes) {
    QMutexLocker lock(&mutex_);
    attached_nodes_[taskId] = nodes;
    for (const ScopeTreeNode& node : nodes)
        calls_->AttachNode(node);
}

ScopeTreeNodeList QzLv2Quoter::AttachedNodes(int taskId) const {
    QMutexLocker lock(&mutex_);
    return attached_nodes_.value(taskId);
}

void QzLv2Quoter::WaitForWorkThread() {
    work_thread_->WaitForIdle();
}
