#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

#include "framework/RecentRequestSet.h"
#include "framework/RecentTopicRequest.h"
#include "framework/RemoteApiCallBase.h"
#include "services/largedeals/LargeDealCacheEntry.h"
#include "services/largedeals/ResponsePkgTopic_12990.h"
#include "services/largedeals/ResponsePkg_12990.h"

struct LargeDealCallTraits {
    using Topic = ResponsePkgTopic_12990;
    using Package = ResponsePkg_12990;
    using CacheKey = Topic;
    using CacheValue = LargeDealCacheValue;
    // The node's stock and its variant as indicator name; index and count 0; made now.
    static Topic TopicOf(const ScopeTreeNode& node);
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
};

// The large deals of a stock (function 12990) on the main accessor. Its driver requests a topic
// until answered and then polls it, every 3000 ms each. A first subscriber's request is not sent
// while the same topic was sent 3000 ms before or less; a timer tick's only while it was sent
// kTickHoldBackMs before or less, so every tick of the period asks.
// "ddts" topics ask for the latest large deal (kind 2) and are published, not cached; other
// indicator names page by index and count (kind 1) and are merged into the topic's cached entry
// (LargeDealCacheEntry) before publishing. The host's broadcast "清理个股实时缓存(市场缩码)"
// with a two-letter market code drops the cached topics of that market.
//
// Threads: as RemoteApiCallBase; every entry point (receiver on the accessor's thread, driver
// ticks on the thread that ran Init, broadcasts, host calls) takes the call lock first, then the
// recent-request set, cache, driver sets or publisher.
class QzLv2RemoteApiCall_12990 : public RemoteApiCallBase<LargeDealCallTraits> {
public:
    static constexpr int kFunctionId = 12990;
    static constexpr int kCacheCapacity = 10;                       // topics
    static constexpr int kAwaitingIntervalMs = 3000;                // ms
    static constexpr int kPollingIntervalMs = 3000;                 // ms
    static constexpr int kTickHoldBackMs = kPollingIntervalMs / 2;  // ms, see SendRequest
    static constexpr const char* kLatestIndicator = "ddts";

    QzLv2RemoteApiCall_12990(QuoteDataSourceHandlerConfiguration* configuration,
                             CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_12990() override;

    void Init() override;

    // The request kind and the ("String", code), ("Int32", start), ("Int16", number),
    // ("Int16", kind) parameters of a topic.
    static int KindOf(const Topic& topic);
    static RequestParams RequestParamsFor(const Topic& topic);

    // Decodes, merges or not by kind, publishes; the topic it handled, if the body was good.
    std::optional<Topic> HandleAnswer(const Topic& topic, int kind, const QByteArray& body);

protected:
    Package ReplayPackage(const Topic& topic) override;

private:
    void SendRequest(const Topic& topic);
    void OnResponse(const Resp_s& resp);
    void OnMarketCleared(const QByteArray& market);

    RecentRequestSet<RecentTopicRequest<Topic>> recent_requests_;
};
