#pragma once

#include <QByteArray>

#include <optional>

#include "framework/RemoteApiCallBase.h"
#include "services/signals/ResponsePkgTopic_10016.h"
#include "services/signals/ResponsePkg_10016.h"

struct SignalCallTraits {
    using Topic = ResponsePkgTopic_10016;
    using Package = ResponsePkg_10016;
    using CacheKey = Topic;
    using CacheValue = Package;
    // The node's quote level and its "plate_list" parameter; the initial window; made now.
    static Topic TopicOf(const ScopeTreeNode& node);
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
};

// The short-line signals of a plate list (function 10016) on the main accessor: a topic is
// requested until answered and then polled, every 3000 ms each; its latest answer is cached
// (100 topics) and replayed to late subscribers. Level-2 subscribers (quote level 2 and up) ask
// with the long request form, whose two extra parameters ask for the wide order and value C.
// Threads: as RemoteApiCallBase; every entry point takes the call lock first.
class QzLv2RemoteApiCall_10016 : public RemoteApiCallBase<SignalCallTraits> {
public:
    static constexpr int kFunctionId = 10016;
    static constexpr int kCacheCapacity = 100;        // topics
    static constexpr int kAwaitingIntervalMs = 3000;  // ms
    static constexpr int kPollingIntervalMs = 3000;   // ms
    static constexpr int kLongFormQuoteLevel = 2;     // quote levels from here use the long form

    QzLv2RemoteApiCall_10016(QuoteDataSourceHandlerConfiguration* configuration,
                             CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_10016() override;

    void Init() override;

    static RequestParams RequestParamsFor(const Topic& topic);
    // Decodes and publishes on the topic; false when the body was rejected.
    bool HandleAnswer(const Topic& topic, const QByteArray& body);

private:
    void SendRequest(const Topic& topic);
    void OnResponse(const Resp_s& resp);
};
