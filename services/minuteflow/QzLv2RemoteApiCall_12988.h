#pragma once

#include "framework/RemoteApiCallBase.h"
#include "services/minuteflow/ResponsePkgTopic_12988.h"
#include "services/minuteflow/ResponsePkg_12988.h"

struct MinuteIndicatorCallTraits {
    using Topic = ResponsePkgTopic_12988;
    using Package = ResponsePkg_12988;
    using CacheKey = Topic;
    using CacheValue = Package;
    static Topic TopicOf(const ScopeTreeNode& node);
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
};

// The minute indicator (function 12988) of the nodes with API type "12988" (no resolver of the
// plug-in makes them): a stock's first subscriber requests it, and every attached stock is asked
// again every kPollMs. Each answer is decoded into items and rows (MinuteIndicatorRows.h) and
// published; answers are not cached, so a late subscriber waits for the next answer.
// Threads: as RemoteApiCallBase; every entry point takes the call lock.
class QzLv2RemoteApiCall_12988 : public RemoteApiCallBase<MinuteIndicatorCallTraits> {
public:
    static constexpr int kFunctionId = 12988;
    static constexpr int kPollMs = 3000;      // ms
    static constexpr int kCacheCapacity = 1;  // unused: answers are not cached

    QzLv2RemoteApiCall_12988(QuoteDataSourceHandlerConfiguration* configuration,
                             CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_12988() override;

    void Init() override;
    // Decodes and publishes one answer for the stock; false when the body was rejected.
    bool HandleBody(const Topic& topic, const QByteArray& body);

private:
    void SendRequest(const Topic& topic);
};
