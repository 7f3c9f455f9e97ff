#pragma once

#include "framework/PolledRemoteApiCall.h"
#include "services/deals/DealsDecoders.h"

struct PriceDealsCallTraits : PolledCallTypes<12915, ResponsePkgEntity_12915> {
    static constexpr const char* kLogTag = "lv2-12915";
    static constexpr int kCacheCapacity = 10;      // topics
    static constexpr int kPollIntervalMs = 10000;  // ms
    static constexpr bool kLingerAndSuppress = true;
    static RequestParams ParamsOf(const Topic& topic);
    static DecodeResult<Entity> Decode(const QByteArray& body) {
        return deals::DecodePriceDealsBody(body);
    }
};

// The price deals (12915): the day's volume at every traded price by aggressor side. Polled every
// 10000 ms while attached and for 2000 ms after the last subscriber left; a code is not asked again
// within 3000 ms of its last request (PolledRemoteApiCall). Thread contract: as
// PolledRemoteApiCall.
class QzLv2RemoteApiCall_12915 : public PolledRemoteApiCall<PriceDealsCallTraits> {
public:
    using PolledRemoteApiCall::PolledRemoteApiCall;
};
