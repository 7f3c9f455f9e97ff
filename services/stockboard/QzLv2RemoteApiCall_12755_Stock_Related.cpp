#include "services/stockboard/QzLv2RemoteApiCall_12755_Stock_Related.h"

#include "framework/Log.h"
#include "framework/RequestParamsBuilder.h"
#include "services/stockboard/MarketClearing.h"
#include "services/stockboard/StockRelatedDecoder.h"

namespace {
constexpr const char* kLogTag = "lv2-12755";
}  // namespace

QzLv2RemoteApiCall_12755_Stock_Related::QzLv2RemoteApiCall_12755_Stock_Related(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : RemoteApiCallBase(configuration, accessor, kCacheCapacity) {
    QMutexLocker locker(&callLock_);
    RegisterSerial(kFunction);
    RegisterReceiver(kFunction, [this](const Resp_s& resp) { HandleBody(resp.body); });
}

QzLv2RemoteApiCall_12755_Stock_Related::~QzLv2RemoteApiCall_12755_Stock_Related() {
    // Cut off answers, listeners and broadcasts before this call's own members go.
    Shutdown();
}

void QzLv2RemoteApiCall_12755_Stock_Related::Init() {
    {
        QMutexLocker locker(&callLock_);
        supportedTypes_.Insert(topic_kind::kStockRelated12755);
        RegisterReplayListener();
        SetTopicListeners(
            [this](const Topic& topic) {
                active_.insert(topic);
                SendRequest(topic);  // a cached package is replayed meanwhile
            },
            [this](const Topic& topic) { active_.erase(topic); });
    }
    // Outside the call lock: the broadcaster comes before it in the lock order.
    if (QuoteContext* context = Context()) {
        market_clearing::Subscribe(broadcasts_, context->GetBroadcaster(), kLogTag,
                                   [this](const QStringList& markets) { ClearMarkets(markets); });
    }
}

RequestParams QzLv2RemoteApiCall_12755_Stock_Related::RequestParamsFor(const Topic& topic) {
    return RequestParamsBuilder()
        .Int16(kLayout)
        .Int32(static_cast<int>(kMask1))
        .Int32(static_cast<int>(kMask2))
        .Int32(0)
        .Strings({topic.Code()})
        .Params();
}

void QzLv2RemoteApiCall_12755_Stock_Related::SendRequest(const Topic& topic) {
    accessor_->AppendTaskByParams(kFunction, 0, nullptr, RequestParamsFor(topic));
}

std::optional<QzLv2RemoteApiCall_12755_Stock_Related::Topic>
QzLv2RemoteApiCall_12755_Stock_Related::HandleBody(const QByteArray& body) {
    QMutexLocker locker(&callLock_);
    const DecodeResult<ResponsePkgEntity_12755> decoded = DecodeStockRelatedBody(body);
    if (!decoded.ok) {
        qzlog::Warning(kLogTag, decoded.error);
        return std::nullopt;
    }
    if (!decoded.record) {
        return std::nullopt;
    }
    const Topic topic(decoded.record->code, topic_kind::kStockRelated12755);
    MergeStoreAndPublish(topic, *decoded.record);
    return topic;
}

void QzLv2RemoteApiCall_12755_Stock_Related::ClearMarkets(const QStringList& markets) {
    QMutexLocker locker(&callLock_);
    market_clearing::DropMarkets(cache_, markets, kLogTag, [this](const Topic& topic) {
        if (active_.count(topic) != 0) {
            SendRequest(topic);
        }
    });
}

std::set<QzLv2RemoteApiCall_12755_Stock_Related::Topic>
QzLv2RemoteApiCall_12755_Stock_Related::ActiveTopics() const {
    QMutexLocker locker(&callLock_);
    return active_;
}
