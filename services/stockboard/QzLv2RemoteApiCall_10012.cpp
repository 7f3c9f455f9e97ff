#include "services/stockboard/QzLv2RemoteApiCall_10012.h"

#include "framework/Log.h"
#include "framework/RequestParamsBuilder.h"
#include "services/stockboard/StockDataSetDecoder.h"

namespace {
constexpr const char* kLogTag = "lv2-10012";
}  // namespace

QzLv2RemoteApiCall_10012::QzLv2RemoteApiCall_10012(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : RemoteApiCallBase(configuration, accessor, kCacheCapacity) {}

QzLv2RemoteApiCall_10012::~QzLv2RemoteApiCall_10012() {
    // Cut off answers, listeners and broadcasts before this call's own members go.
    Shutdown();
}

void QzLv2RemoteApiCall_10012::Init() {
    InitPolledFunction(
        kFunction, [this](const Resp_s& resp) { HandleBody(resp.body); }, kAwaitingIntervalMs,
        kPollingIntervalMs, [this](const Topic& topic) { SendRequest(topic); });
}

RequestParams QzLv2RemoteApiCall_10012::RequestParamsFor(const Topic& topic) {
    return RequestParamsBuilder()
        .Int16U(0)
        .Int16U(1)
        .Strings({topic.Code()})
        .Int32U(static_cast<int>(stock_data_set::RequestMaskFor(topic.Code())))
        .Int32U(0)
        .Int32U(0)
        .Params();
}

void QzLv2RemoteApiCall_10012::SendRequest(const Topic& topic) {
    const bool lv2 = configuration_ != nullptr && configuration_->lv2_feature.Support(topic.Code());
    accessor_->AppendTaskByParams(kFunction, lv2 ? kLv2Flags : 0, nullptr, RequestParamsFor(topic));
}

std::optional<QzLv2RemoteApiCall_10012::Topic> QzLv2RemoteApiCall_10012::HandleBody(
    const QByteArray& body) {
    QMutexLocker locker(&callLock_);
    const DecodeResult<ResponsePkgEntity_10012> decoded = DecodeStockDataSetBody(body);
    if (!decoded.ok) {
        qzlog::Warning(kLogTag, decoded.error);
        return std::nullopt;
    }
    if (!decoded.record) {
        return std::nullopt;
    }
    const Topic topic(decoded.record->code, topic_kind::k10012);
    MergeStoreAndPublish(topic, *decoded.record);
    if (driver_) {
        driver_->MarkAnswered(topic);
    }
    return topic;
}
