#pragma once

#include <QByteArray>

#include <optional>

#include "framework/RemoteApiCallBase.h"
#include "services/signals/ResponsePkgTopic_10015.h"
#include "services/signals/ResponsePkg_10015.h"

struct SignalTypeCallTraits {
    using Topic = ResponsePkgTopic_10015;
    using Package = ResponsePkg_10015;
    using CacheKey = Topic;
    using CacheValue = Package;
    static Topic TopicOf(const ScopeTreeNode& node);
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
};

// The short-line signal-type catalogue (function 10015) on the main accessor: one topic for
// every node, requested until answered and then polled, every 3000 ms each; the latest
// catalogue is cached and replayed to late subscribers.
// Threads: as RemoteApiCallBase; every entry point takes the call lock first.
class QzLv2RemoteApiCall_10015 : public RemoteApiCallBase<SignalTypeCallTraits> {
public:
    static constexpr int kFunctionId = 10015;
    static constexpr int kCacheCapacity = 100;        // topics
    static constexpr int kAwaitingIntervalMs = 3000;  // ms
    static constexpr int kPollingIntervalMs = 3000;   // ms

    QzLv2RemoteApiCall_10015(QuoteDataSourceHandlerConfiguration* configuration,
                             CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_10015() override;

    void Init() override;

    static RequestParams RequestParamsFor(const Topic& topic);
    // Decodes and publishes; false when the body was rejected.
    bool HandleBody(const QByteArray& body);

private:
    void SendRequest(const Topic& topic);
};
