#pragma once

#include "services/minuteflow/FlowSeriesCall.h"
#include "services/minuteflow/ResponsePkgTopic_12842.h"
#include "services/minuteflow/ResponsePkg_12842.h"

struct MinuteFlowCallTraits {
    using Topic = ResponsePkgTopic_12842;
    using Package = ResponsePkg_12842;
    using CacheKey = Topic;
    using CacheValue = FlowSeriesPtr;
    static constexpr int kFunctionId = 12842;
    static constexpr const char* kDefaultCycle = "1min";  // a node without a cycle asks for this

    static Topic TopicOf(const ScopeTreeNode& node);
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
    static bool Decode(const QByteArray& body, FlowBatch& out);
    static Package PackageOf(quint16 count, QSharedPointer<const FlowRecords> records);
    static RequestParams ParamsOf(const Topic& topic);
    static void FillContext(CKeyGroup& keys, const Topic& topic);
    static Topic TopicOfContext(const CKeyGroup& keys);
    static Topic FollowUpOf(const Topic& topic, qint32 revindex);
};

// The minute capital flows of the trading day (function 12842), one record per minute, paged
// backwards from the newest minute and merged into one cached series per (code, cycle). A page
// is asked by a minute read from an answer (revindex, sent as "Int16"); a minute that does not fit
// it (only a damaged answer names one) is not asked for, with a warning.
// Threads: as FlowSeriesCall.
class QzLv2RemoteApiCall_12842 : public FlowSeriesCall<MinuteFlowCallTraits> {
public:
    using FlowSeriesCall::FlowSeriesCall;
    ~QzLv2RemoteApiCall_12842() override;

protected:
    bool Requestable(const Topic& topic) const override;
};
