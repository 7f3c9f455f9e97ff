#include "services/stockboard/QzLv2RemoteApiCall_10002.h"

#include "framework/Log.h"
#include "framework/RequestParamsBuilder.h"
#include "services/stockboard/MarketClearing.h"
#include "services/stockboard/StockSnapshotDecoder.h"

namespace {

constexpr const char* kLogTag = "lv2-10002";

struct Masks {
    quint32 mask1 = 0;
    quint32 mask2 = 0;
    quint32 last = 0;
};

// Push-kind topics ask for what pushes refresh; snapshot-kind topics for the board fields.
Masks MasksFor(const std::string& kind) {
    if (kind == topic_kind::kPush) {
        return {0x19600FDF, 0x60400415, 0x4000};
    }
    if (kind == topic_kind::kSnapshot) {
        return {0x601FF02F, 0x203E7E4A, 0x5004};
    }
    return {};
}

// The push subscription's masks; mode 4 replaces the list, mode 1 empties it.
constexpr int kPushListMode = 4;
constexpr int kEmptyPushListMode = 1;
constexpr quint32 kPushListMask1 = 0x19600FDF;
constexpr quint32 kPushListMask2 = 0x60400415;

int AsInt(quint32 value) {
    return static_cast<int>(value);
}

}  // namespace

QzLv2RemoteApiCall_10002::QzLv2RemoteApiCall_10002(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : RemoteApiCallBase(configuration, accessor, kCacheCapacity) {
    QMutexLocker locker(&callLock_);
    RegisterSerial(kPushListFunction);
    RegisterSerial(kSnapshotFunction);
    RegisterPush(kPushFunction);
    RegisterReceiver(kPushListFunction, [](const Resp_s&) {});  // the list's answer says nothing
    RegisterReceiver(kPushFunction, [this](const Resp_s& resp) { HandleBody(resp.body, false); });
    RegisterReceiver(kSnapshotFunction,
                     [this](const Resp_s& resp) { HandleBody(resp.body, true); });
}

QzLv2RemoteApiCall_10002::~QzLv2RemoteApiCall_10002() {
    // Cut off answers, listeners and broadcasts before this call's own members go.
    Shutdown();
}

void QzLv2RemoteApiCall_10002::Init() {
    {
        QMutexLocker locker(&callLock_);
        supportedTypes_.Insert("10000");
        supportedTypes_.Insert("10001");
        supportedTypes_.Insert("10002");
        supportedTypes_.SetAttribute("6_10_max_vol", 1, 0x80);
        RegisterReplayListener();
        WireDriver();
    }
    // Outside the call lock: the broadcaster comes before it in the lock order.
    if (QuoteContext* context = Context()) {
        market_clearing::Subscribe(broadcasts_, context->GetBroadcaster(), kLogTag,
                                   [this](const QStringList& markets) { ClearMarkets(markets); });
    }
}

void QzLv2RemoteApiCall_10002::WireDriver() {
    Driver& driver = EnableDriver();
    driver.SetRequestListener(kAwaitingIntervalMs,
                              [this](const Topic& topic) { SendSnapshotRequest(topic); });
    driver.SetPollListener(kPollingIntervalMs,
                           [this](const Topic& topic) { SendSnapshotRequest(topic); });
    driver.SetPushListListener([this](const std::list<Topic>& topics) { SendPushList(topics); });
    driver.SetPushRefreshListener(kPushRefreshIntervalMs,
                                  [this](const std::list<Topic>& topics) { SendPushList(topics); });
}

RequestParams QzLv2RemoteApiCall_10002::SnapshotParams(const Topic& topic) {
    const Masks masks = MasksFor(topic.kind);
    return RequestParamsBuilder()
        .Int16U(0)
        .Int16U(0)
        .Strings({topic.Code()})
        .Int32U(AsInt(masks.mask1))
        .Int32U(AsInt(masks.mask2))
        .Int32U(AsInt(masks.last))
        .Params();
}

RequestParams QzLv2RemoteApiCall_10002::PushListParams(const std::list<Topic>& topics) {
    if (topics.empty()) {
        return RequestParamsBuilder()
            .Int16U(0)
            .Int16U(kEmptyPushListMode)
            .Strings({})
            .Int32U(0)
            .Int32U(0)
            .Int32U(0)
            .Params();
    }
    QStringList codes;
    for (const Topic& topic : topics) {
        codes.append(topic.Code());
    }
    return RequestParamsBuilder()
        .Int16U(0)
        .Int16U(kPushListMode)
        .Strings(codes)
        .Int32U(AsInt(kPushListMask1))
        .Int32U(AsInt(kPushListMask2))
        .Int32U(0)
        .Params();
}

void QzLv2RemoteApiCall_10002::SendSnapshotRequest(const Topic& topic) {
    const bool lv2 = configuration_ != nullptr && configuration_->lv2_feature.Support(topic.Code());
    accessor_->AppendTaskByParams(kSnapshotFunction, lv2 ? kLv2Flags : 0, nullptr,
                                  SnapshotParams(topic));
}

void QzLv2RemoteApiCall_10002::SendPushList(const std::list<Topic>& topics) {
    accessor_->AppendTaskByParams(kPushListFunction, nullptr, PushListParams(topics));
}

std::optional<QzLv2RemoteApiCall_10002::Topic> QzLv2RemoteApiCall_10002::HandleBody(
    const QByteArray& body, bool fromSnapshot) {
    QMutexLocker locker(&callLock_);
    DecodeResult<StockSnapshot> decoded = DecodeStockSnapshotBody(body);
    if (!decoded.ok) {
        qzlog::Warning(kLogTag, decoded.error);
        return std::nullopt;
    }
    if (!decoded.record) {
        return std::nullopt;
    }
    StockSnapshot& record = *decoded.record;
    const bool snapshotKind = (record.mask1 & snapshot::kStockType) != 0;
    const Topic topic(record.code, snapshotKind ? topic_kind::kSnapshot : topic_kind::kPush);
    // The package is built in place: the record moves in, or the cached snapshot is copied once
    // and the record merged into the copy (the published package stays untouched).
    auto entity = QSharedPointer<ResponsePkgEntity_10002>::create();
    if (const std::optional<Package> cached = Cached(topic)) {
        entity->snapshot = (*cached)->snapshot;
        entity->snapshot.MergeFrom(record);
    } else {
        entity->snapshot = std::move(record);
    }
    StoreAndPublish(topic, Package(std::move(entity)));
    if (fromSnapshot && driver_) {
        if (snapshotKind) {
            driver_->MarkAnswered(topic);
        } else {
            driver_->StartPush(topic);
        }
    }
    return topic;
}

void QzLv2RemoteApiCall_10002::ClearMarkets(const QStringList& markets) {
    QMutexLocker locker(&callLock_);
    market_clearing::DropMarkets(cache_, markets, kLogTag, [this](const Topic& topic) {
        if (driver_) {
            driver_->Reload(topic);
        }
    });
}
