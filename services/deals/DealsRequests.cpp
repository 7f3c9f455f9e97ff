#include "framework/RequestParamsBuilder.h"
#include "services/deals/QzLv2RemoteApiCall_12915.h"
#include "services/deals/QzLv2RemoteApiCall_12917.h"

RequestParams PriceDealsCallTraits::ParamsOf(const Topic& topic) {
    return RequestParamsBuilder().String(topic.Code());
}

RequestParams WillDealsCallTraits::ParamsOf(const Topic& topic) {
    return RequestParamsBuilder().String(topic.Code()).Int32(0);
}
