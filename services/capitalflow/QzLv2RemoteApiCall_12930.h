#pragma once

#include "framework/PolledRemoteApiCall.h"
#include "services/capitalflow/CapitalFlowDecoders.h"

struct StockFlowCallTraits : PolledCallTypes<12930, ResponsePkgEntity_12930> {
    static constexpr const char* kLogTag = "lv2-12930";
    static constexpr int kCacheCapacity = 10;     // topics
    static constexpr int kPollIntervalMs = 3000;  // ms
    static constexpr bool kLingerAndSuppress = false;
    static RequestParams ParamsOf(const Topic& topic);
    static DecodeResult<Entity> Decode(const QByteArray& body) {
        return capitalflow::DecodeStockFlowBody(body);
    }
};

// The stock capital flow by order size (12930): one stock's buy and sell volumes of each order
// size, totals, averages and "ddx". Polled every 3000 ms while attached (PolledRemoteApiCall).
// Thread contract: as PolledRemoteApiCall.
class QzLv2RemoteApiCall_12930 : public PolledRemoteApiCall<StockFlowCallTraits> {
public:
    using PolledRemoteApiCall::PolledRemoteApiCall;
};
