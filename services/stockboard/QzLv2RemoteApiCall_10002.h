#pragma once

#include <QByteArray>
#include <QStringList>

#include <list>
#include <optional>

#include "framework/RemoteApiCallBase.h"
#include "services/stockboard/PerStockCallTraits.h"
#include "services/stockboard/ResponsePkg_10002.h"

// The per-stock quote snapshot and its pushed updates: 10002 answers snapshot requests, 10001
// carries the server's pushes for the stocks in the push list that 10000 sets. A node's topic is
// (stock code, API type); an answer files itself under kind "10002" when its mask 1 carries bit
// 0x20 and under the push kind "10001" otherwise. The driver requests unanswered topics every
// 3000 ms, polls snapshot topics every 3000 ms and re-sends the push list every 25000 ms.
//
// Thread contract: as RemoteApiCallBase: every entry point (host virtuals, receivers on the
// accessor's thread, driver ticks on the constructing thread, broadcaster handlers on the
// broadcasting thread) takes the call lock first. The destructor sends nothing through the
// accessor (the quoter deletes its calls before its accessors).
class QzLv2RemoteApiCall_10002 : public RemoteApiCallBase<PerStockCallTraits<ResponsePkg_10002>> {
public:
    static constexpr int kPushListFunction = 10000;
    static constexpr int kPushFunction = 10001;
    static constexpr int kSnapshotFunction = 10002;
    static constexpr int kCacheCapacity = 100;            // topics
    static constexpr int kAwaitingIntervalMs = 3000;      // ms
    static constexpr int kPollingIntervalMs = 3000;       // ms
    static constexpr int kPushRefreshIntervalMs = 25000;  // ms
    static constexpr quint16 kLv2Flags = 0x80;  // request flags for stocks with Level-2 data

    QzLv2RemoteApiCall_10002(QuoteDataSourceHandlerConfiguration* configuration,
                             CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_10002() override;

    void Init() override;

    // The (type tag, value) lists sent for a topic and for a push list.
    static RequestParams SnapshotParams(const Topic& topic);
    static RequestParams PushListParams(const std::list<Topic>& topics);

    // Handles an answer body (10002 when fromSnapshot, 10001 otherwise); the topic it updated, if
    // any. A rejected body is logged and changes nothing.
    std::optional<Topic> HandleBody(const QByteArray& body, bool fromSnapshot);
    // Drops the cached topics of the markets and requests the subscribed ones again.
    void ClearMarkets(const QStringList& markets);

private:
    void SendSnapshotRequest(const Topic& topic);
    void SendPushList(const std::list<Topic>& topics);
    void WireDriver();
};
