#pragma once

#include "framework/PolledRemoteApiCall.h"
#include "services/capitalflow/CapitalFlowDecoders.h"

struct BoardFlowCallTraits : PolledCallTypes<12932, ResponsePkgEntity_12932> {
    static constexpr const char* kLogTag = "lv2-12932";
    static constexpr int kCacheCapacity = 10;     // topics
    static constexpr int kPollIntervalMs = 3000;  // ms
    static constexpr bool kLingerAndSuppress = false;
    static RequestParams ParamsOf(const Topic& topic);
    static DecodeResult<Entity> Decode(const QByteArray& body) {
        return capitalflow::DecodeBoardFlowBody(body);
    }
};

// The board capital flow (12932): a board's buy and sell amounts of each order size. Polled every
// 3000 ms while attached (PolledRemoteApiCall). Thread contract: as PolledRemoteApiCall.
class QzLv2RemoteApiCall_12932 : public PolledRemoteApiCall<BoardFlowCallTraits> {
public:
    using PolledRemoteApiCall::PolledRemoteApiCall;
};
