#include "services/signals/QzLv2RemoteApiCall_10015.h"

#include "framework/Log.h"
#include "framework/RequestParamsBuilder.h"
#include "host/core/HostClock.h"
#include "services/signals/SignalDecoders.h"

namespace {
constexpr const char* kLogTag = "lv2-10015";
}  // namespace

ResponsePkgTopic_10015 SignalTypeCallTraits::TopicOf(const ScopeTreeNode&) {
    ResponsePkgTopic_10015 topic;
    topic.created_ms = HostClock::NowMs();
    return topic;
}

QzLv2RemoteApiCall_10015::QzLv2RemoteApiCall_10015(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : RemoteApiCallBase(configuration, accessor, kCacheCapacity) {}

QzLv2RemoteApiCall_10015::~QzLv2RemoteApiCall_10015() {
    // Cut off answers, listeners and broadcasts before this call's own members go.
    Shutdown();
}

void QzLv2RemoteApiCall_10015::Init() {
    InitPolledFunction(
        kFunctionId, [this](const Resp_s& resp) { HandleBody(resp.body); }, kAwaitingIntervalMs,
        kPollingIntervalMs, [this](const Topic& topic) { SendRequest(topic); });
}

RequestParams QzLv2RemoteApiCall_10015::RequestParamsFor(const Topic&) {
    return RequestParamsBuilder().Int16U(1).Int32U(1).Params();
}

void QzLv2RemoteApiCall_10015::SendRequest(const Topic& topic) {
    // Nothing needs to come back with the answer: there is one catalogue.
    accessor_->AppendTaskByParams(kFunctionId, QSharedPointer<ProcessContext_s>(),
                                  RequestParamsFor(topic));
}

bool QzLv2RemoteApiCall_10015::HandleBody(const QByteArray& body) {
    QMutexLocker locker(&callLock_);
    DecodeResult<ResponsePkgEntity_10015> decoded = signalwire::DecodeSignalTypeBody(body);
    if (!decoded.ok) {
        qzlog::Warning(kLogTag, decoded.error);
        return false;
    }
    const Topic topic;
    StoreAndPublish(topic, Package(*decoded.record));
    if (driver_) {
        driver_->MarkAnswered(topic);
    }
    return true;
}
