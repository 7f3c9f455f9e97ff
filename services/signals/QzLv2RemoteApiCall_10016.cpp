#include "services/signals/QzLv2RemoteApiCall_10016.h"

#include "framework/Log.h"
#include "framework/RequestParamsBuilder.h"
#include "host/core/CKeyGroup.h"
#include "host/core/HostClock.h"
#include "services/signals/SignalDecoders.h"

namespace {
constexpr const char* kLogTag = "lv2-10016";
const QString kQuoteLevelKey = QStringLiteral("quote_level");
const QString kIndexKey = QStringLiteral("index");
const QString kCountKey = QStringLiteral("count");
const QString kTimestampKey = QStringLiteral("timestamp");
const QString kPlateListKey = QStringLiteral("plate_list");
constexpr int kAllSignalKinds = 3;
}  // namespace

ResponsePkgTopic_10016 SignalCallTraits::TopicOf(const ScopeTreeNode& node) {
    return ResponsePkgTopic_10016(node.quote_level, node.params.value(kPlateListKey).toString(),
                                  ResponsePkgTopic_10016::kInitialIndex,
                                  ResponsePkgTopic_10016::kInitialCount, HostClock::NowMs());
}

QzLv2RemoteApiCall_10016::QzLv2RemoteApiCall_10016(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : RemoteApiCallBase(configuration, accessor, kCacheCapacity) {}

QzLv2RemoteApiCall_10016::~QzLv2RemoteApiCall_10016() {
    // Cut off answers, listeners and broadcasts before this call's own members go.
    Shutdown();
}

void QzLv2RemoteApiCall_10016::Init() {
    InitPolledFunction(
        kFunctionId, [this](const Resp_s& resp) { OnResponse(resp); }, kAwaitingIntervalMs,
        kPollingIntervalMs, [this](const Topic& topic) { SendRequest(topic); });
}

RequestParams QzLv2RemoteApiCall_10016::RequestParamsFor(const Topic& topic) {
    RequestParamsBuilder params;
    params.Int32U(topic.index)
        .Int32U(topic.count)
        .Int08U(0)
        .Strings(QStringList())
        .Strings(topic.PlateList().split(QLatin1Char(','), Qt::SkipEmptyParts))
        .Int08U(topic.quote_level)
        .Int32U(kAllSignalKinds);
    if (topic.quote_level >= kLongFormQuoteLevel) {
        params.Int08(1).Int08(4);
    }
    return params.Params();
}

void QzLv2RemoteApiCall_10016::SendRequest(const Topic& topic) {
    auto context = QSharedPointer<ProcessContext_s>::create();
    CKeyGroup& keys = context->keyGroup;
    keys.Append(kQuoteLevelKey, CTVar(int(topic.quote_level)));
    keys.Append(kIndexKey, CTVar(int(topic.index)));
    keys.Append(kCountKey, CTVar(int(topic.count)));
    keys.Append(kTimestampKey,
                CTVar::FromDataCell(nscell::UnsharedDataCell::FromInteger(topic.created_ms)));
    keys.Append(kPlateListKey, CTVar(topic.PlateList()));
    accessor_->AppendTaskByParams(kFunctionId, context, RequestParamsFor(topic));
}

void QzLv2RemoteApiCall_10016::OnResponse(const Resp_s& resp) {
    if (resp.context.isNull()) {
        return;
    }
    const CKeyGroup& keys = resp.context->keyGroup;
    HandleAnswer(Topic(keys.Value(kQuoteLevelKey).ToInt(), keys.Value(kPlateListKey).ToString(),
                       keys.Value(kIndexKey).ToInt(), keys.Value(kCountKey).ToInt(),
                       keys.Value(kTimestampKey).ToInt64()),
                 resp.body);
}

bool QzLv2RemoteApiCall_10016::HandleAnswer(const Topic& topic, const QByteArray& body) {
    QMutexLocker locker(&callLock_);
    DecodeResult<ResponsePkgEntity_10016> decoded = signalwire::DecodeSignalBody(body);
    if (!decoded.ok) {
        qzlog::Warning(kLogTag, decoded.error);
        return false;
    }
    StoreAndPublish(topic, Package(*decoded.record));
    if (driver_) {
        driver_->MarkAnswered(topic);
    }
    return true;
}
