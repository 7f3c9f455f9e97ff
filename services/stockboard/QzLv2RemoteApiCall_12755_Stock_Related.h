#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <set>

#include "framework/RemoteApiCallBase.h"
#include "services/stockboard/PerStockCallTraits.h"
#include "services/stockboard/ResponsePkg_12755.h"

// Per-stock ratios and after-close figures from 12755 (API type "12755_stock_related"). No
// driver: a topic is requested once when it gets its first subscriber (and again when a market
// clearing drops it); the answer is merged into the cached package (the groups it does not carry
// keep their values), cached and published.
//
// Thread contract: as RemoteApiCallBase; every entry point takes the call lock first, including
// the broadcaster handlers. The destructor does not touch the accessor.
class QzLv2RemoteApiCall_12755_Stock_Related
    : public RemoteApiCallBase<PerStockCallTraits<ResponsePkg_12755>> {
public:
    static constexpr int kFunction = 12755;
    static constexpr int kCacheCapacity = 100;  // topics
    static constexpr int kLayout = 107;         // layout value asked for
    static constexpr quint32 kMask1 = 0x40000400;
    static constexpr quint32 kMask2 = 0x20;

    QzLv2RemoteApiCall_12755_Stock_Related(QuoteDataSourceHandlerConfiguration* configuration,
                                           CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_12755_Stock_Related() override;

    void Init() override;

    static RequestParams RequestParamsFor(const Topic& topic);
    std::optional<Topic> HandleBody(const QByteArray& body);
    void ClearMarkets(const QStringList& markets);
    std::set<Topic> ActiveTopics() const;

private:
    void SendRequest(const Topic& topic);

    std::set<Topic> active_;  // topics with subscribers; guarded by the call lock
};
