#include "services/largedeals/QzLv2RemoteApiCall_12990.h"

#include <cstdlib>

#include "framework/Log.h"
#include "framework/RequestParamsBuilder.h"
#include "host/core/CKeyGroup.h"
#include "host/core/HostClock.h"
#include "services/largedeals/LargeDealDecoder.h"
#include "services/stockboard/MarketClearing.h"

namespace {
constexpr const char* kLogTag = "lv2-12990";
constexpr int kMarketCodeBytes = 2;  // a market code is the code's two-letter prefix
const QString kStockCodeKey = QStringLiteral("stock_code");
const QString kIndNameKey = QStringLiteral("ind_name");
const QString kFlagKey = QStringLiteral("flag");
const QString kIndexKey = QStringLiteral("index");
const QString kCountKey = QStringLiteral("count");
const QString kTimestampKey = QStringLiteral("timestamp");
constexpr quint16 kRequestFlags = 0;
}  // namespace

ResponsePkgTopic_12990 LargeDealCallTraits::TopicOf(const ScopeTreeNode& node) {
    return ResponsePkgTopic_12990(node.stock_list.GetStockCode(), node.variant.toString(), 0, 0,
                                  HostClock::NowMs());
}

QzLv2RemoteApiCall_12990::QzLv2RemoteApiCall_12990(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : RemoteApiCallBase(configuration, accessor, kCacheCapacity) {}

QzLv2RemoteApiCall_12990::~QzLv2RemoteApiCall_12990() {
    // Cut off answers, listeners and broadcasts before this call's own members go.
    Shutdown();
}

void QzLv2RemoteApiCall_12990::Init() {
    InitPolledFunction(
        kFunctionId, [this](const Resp_s& resp) { OnResponse(resp); }, kAwaitingIntervalMs,
        kPollingIntervalMs, [this](const Topic& topic) { SendRequest(topic); });
    SubscribeBroadcast(market_clearing::SingleMarketKey(),
                       [this](const QByteArray& market) { OnMarketCleared(market); });
}

int QzLv2RemoteApiCall_12990::KindOf(const Topic& topic) {
    return topic.ind_name == kLatestIndicator ? largedeal::kLatestKind : largedeal::kPagedKind;
}

RequestParams QzLv2RemoteApiCall_12990::RequestParamsFor(const Topic& topic) {
    int start = 0;
    int number = 1;
    const int kind = KindOf(topic);
    if (kind == largedeal::kPagedKind) {
        // A negative index asks for the last |count| deals; index 0 means the first one.
        start = topic.index < 0 ? 0 : qMax(1, topic.index);
        number = topic.index < 0 ? std::abs(topic.count) : topic.count;
    }
    return RequestParamsBuilder()
        .String(topic.Code())
        .Int32(start)
        .Int16(number)
        .Int16(kind)
        .Params();
}

// A tick of the driver's timers is its period's own request: only a request sent less than half a
// period before holds it back, so that polls keep their period however the ticks fall (a coarse
// timer fires a little early, a busy loop late). A request from another path (a first subscriber,
// a reload) is held back by any request of the topic in the last 3000 ms.
void QzLv2RemoteApiCall_12990::SendRequest(const Topic& topic) {
    const qint64 now = HostClock::NowMs();
    const qint64 holdMs = driver_ && driver_->InTimerTick()
                              ? kTickHoldBackMs
                              : RecentRequestSet<RecentTopicRequest<Topic>>::kWindowMs;
    if (accessor_ == nullptr || !recent_requests_.TrimAndInsert({topic, now}, now, holdMs)) {
        return;
    }
    auto context = QSharedPointer<ProcessContext_s>::create();
    CKeyGroup& keys = context->keyGroup;
    keys.Append(kStockCodeKey, CTVar(topic.Code()));
    keys.Append(kIndNameKey, CTVar(topic.IndName()));
    keys.Append(kFlagKey, CTVar(KindOf(topic)));
    keys.Append(kIndexKey, CTVar(int(topic.index)));
    keys.Append(kCountKey, CTVar(int(topic.count)));
    keys.Append(kTimestampKey,
                CTVar::FromDataCell(nscell::UnsharedDataCell::FromInteger(topic.created_ms)));
    accessor_->AppendTaskByParams(kFunctionId, kRequestFlags, context, RequestParamsFor(topic));
}

void QzLv2RemoteApiCall_12990::OnResponse(const Resp_s& resp) {
    if (resp.context.isNull()) {
        return;
    }
    const CKeyGroup& keys = resp.context->keyGroup;
    const Topic topic(keys.Value(kStockCodeKey).ToString(), keys.Value(kIndNameKey).ToString(),
                      keys.Value(kIndexKey).ToInt(), keys.Value(kCountKey).ToInt(),
                      keys.Value(kTimestampKey).ToInt64());
    HandleAnswer(topic, keys.Value(kFlagKey).ToInt(), resp.body);
}

std::optional<ResponsePkgTopic_12990> QzLv2RemoteApiCall_12990::HandleAnswer(
    const Topic& topic, int kind, const QByteArray& body) {
    QMutexLocker locker(&callLock_);
    DecodeResult<ResponsePkgEntity_12990> decoded = largedeal::DecodeLargeDealBody(body, kind);
    if (!decoded.ok) {
        qzlog::Warning(kLogTag, decoded.error);
        return std::nullopt;
    }
    const Package package(*decoded.record);
    if (driver_) {
        driver_->MarkAnswered(topic);
    }
    if (kind != largedeal::kLatestKind) {
        const std::optional<CacheValue> cached = Cached(topic);
        const LargeDealCacheEntry base = cached ? **cached : LargeDealCacheEntry();
        cache_.Put(topic, CacheValue::create(base.Merged(*package, body.size())));
    }
    publisher_.Publish(topic, package);
    return topic;
}

// A paged topic's late subscriber gets the merged records at once.
ResponsePkg_12990 QzLv2RemoteApiCall_12990::ReplayPackage(const Topic& topic) {
    const CacheValue entry = cache_.Get(topic);
    ResponsePkg_12990 package;
    package.Mutable().records = entry->records;
    package.Mutable().first_sequence =
        entry->records.isEmpty() ? 0 : entry->records.first().sequence;
    package.Mutable().next_sequence = entry->next_sequence;
    return package;
}

// The payload is a market code as bytes; only an exact two-letter code names a market.
void QzLv2RemoteApiCall_12990::OnMarketCleared(const QByteArray& market) {
    if (market.size() != kMarketCodeBytes) {
        return;
    }
    for (const Topic& topic : cache_.Keys()) {
        if (topic.code.compare(0, kMarketCodeBytes, market.constData(), kMarketCodeBytes) == 0) {
            cache_.Remove(topic);
            qzlog::Info(kLogTag, "clean cached", topic.Kind(), "-", topic.Code());
        }
    }
}
