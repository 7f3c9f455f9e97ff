#pragma once

#include "framework/PolledRemoteApiCall.h"
#include "services/deals/DealsDecoders.h"

struct WillDealsCallTraits : PolledCallTypes<12917, ResponsePkgEntity_12917> {
    static constexpr const char* kLogTag = "lv2-12917";
    static constexpr int kCacheCapacity = 10;     // topics
    static constexpr int kPollIntervalMs = 3000;  // ms
    static constexpr bool kLingerAndSuppress = true;
    static RequestParams ParamsOf(const Topic& topic);
    static DecodeResult<Entity> Decode(const QByteArray& body) {
        return deals::DecodeWillDealsBody(body);
    }
};

// The will deals (12917): the order queues at the best bid and ask. Polled every 3000 ms while
// attached and for 2000 ms after the last subscriber left; a code is not asked again within 3000 ms
// of its last request (PolledRemoteApiCall). Thread contract: as PolledRemoteApiCall.
class QzLv2RemoteApiCall_12917 : public PolledRemoteApiCall<WillDealsCallTraits> {
public:
    using PolledRemoteApiCall::PolledRemoteApiCall;
};
