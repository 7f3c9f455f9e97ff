#pragma once

#include "framework/PolledRemoteApiCall.h"
#include "services/capitalflow/CapitalFlowDecoders.h"

struct BoardAnalysisCallTraits : PolledCallTypes<12973, ResponsePkgEntity_12973> {
    static constexpr const char* kLogTag = "lv2-12973";
    static constexpr int kCacheCapacity = 10;     // topics
    static constexpr int kPollIntervalMs = 3000;  // ms
    static constexpr bool kLingerAndSuppress = false;
    static RequestParams ParamsOf(const Topic& topic);
    static DecodeResult<Entity> Decode(const QByteArray& body) {
        return capitalflow::DecodeBoardAnalysisBody(body);
    }
};

// The board stock analysis (12973): a board's current-day large-order inflow. Polled every 3000 ms
// while attached (PolledRemoteApiCall). Thread contract: as PolledRemoteApiCall.
class QzLv2RemoteApiCall_12973 : public PolledRemoteApiCall<BoardAnalysisCallTraits> {
public:
    using PolledRemoteApiCall::PolledRemoteApiCall;
};
