#pragma once

#include <QByteArray>

#include <optional>

#include "framework/RemoteApiCallBase.h"
#include "services/stockboard/PerStockCallTraits.h"
#include "services/stockboard/ResponsePkg_10012.h"

// The per-stock data set of 10012 (price limits, share capital, connect quota, per-share
// figures; see StockDataSetDecoder.h). Its driver requests a topic until answered and then
// polls it, every 3000 ms each. An answer is merged into the cached package (the groups it does
// not carry keep their values), cached and published. Function and receiver are registered in
// Init.
//
// Thread contract: as RemoteApiCallBase; every entry point takes the call lock first. The
// destructor does not touch the accessor.
class QzLv2RemoteApiCall_10012 : public RemoteApiCallBase<PerStockCallTraits<ResponsePkg_10012>> {
public:
    static constexpr int kFunction = 10012;
    static constexpr int kCacheCapacity = 100;        // topics
    static constexpr int kAwaitingIntervalMs = 3000;  // ms
    static constexpr int kPollingIntervalMs = 3000;   // ms
    static constexpr quint16 kLv2Flags = 0x80;

    QzLv2RemoteApiCall_10012(QuoteDataSourceHandlerConfiguration* configuration,
                             CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_10012() override;

    void Init() override;

    static RequestParams RequestParamsFor(const Topic& topic);
    std::optional<Topic> HandleBody(const QByteArray& body);

private:
    void SendRequest(const Topic& topic);
};
