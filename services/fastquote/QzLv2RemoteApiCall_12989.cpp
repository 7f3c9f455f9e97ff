#include "services/fastquote/QzLv2RemoteApiCall_12989.h"

#include <cstdio>

#include "framework/RequestParamsBuilder.h"
#include "host/core/CKeyGroup.h"
#include "host/core/HostClock.h"
#include "host/quoter/QzSignalControlMgr.h"
#include "host/quoter/SignalFastTen.h"
#include "services/fastquote/DecodedFastQuote.h"
#include "services/fastquote/FastQuoteDecoder.h"

namespace {
const QString kStockCodeKey = QStringLiteral("stock_code");
const QString kIndexKey = QStringLiteral("index");
const QString kCountKey = QStringLiteral("count");
const QString kTimestampKey = QStringLiteral("timestamp");
constexpr quint16 kRequestFlags = 0;
}  // namespace

ResponsePkgTopic_12989 FastQuoteCallTraits::TopicOf(const ScopeTreeNode& node) {
    return ResponsePkgTopic_12989(node.stock_list.GetStockCode());
}

QzLv2RemoteApiCall_12989::QzLv2RemoteApiCall_12989(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : RemoteApiCallBase(configuration, accessor, kCacheCapacity) {
    QMutexLocker locker(&callLock_);
    RegisterReceiver(kFunctionId, [this](const Resp_s& resp) { OnResponse(resp); });
}

QzLv2RemoteApiCall_12989::~QzLv2RemoteApiCall_12989() {
    // Cut off answers, listeners and broadcasts before this call's own members go.
    Shutdown();
}

void QzLv2RemoteApiCall_12989::Init() {
    QMutexLocker locker(&callLock_);
    supportedTypes_.Insert(ScopeTypeVariant(QString::number(kFunctionId)));
    RegisterReplayListener();
    // Losing the last subscriber sends nothing; the stock's last levels go.
    SetTopicListeners([this](const Topic& topic) { OnTopicInserted(topic); },
                      [this](const Topic& topic) { OnTopicDeleted(topic); });
}

void QzLv2RemoteApiCall_12989::AttachNode(const ScopeTreeNode& node) {
    QMutexLocker locker(&callLock_);
    PrintNodeLine("AttachNode", node.scope_id);
    RemoteApiCallBase::AttachNode(node);
}

void QzLv2RemoteApiCall_12989::DetachNode(const ScopeTreeNode& node) {
    QMutexLocker locker(&callLock_);
    PrintNodeLine("DetachNode", node.scope_id);
    RemoteApiCallBase::DetachNode(node);
}

qint8 QzLv2RemoteApiCall_12989::LastFastTenFlag() const {
    QMutexLocker locker(&callLock_);
    return last_fast_ten_flag_;
}

void QzLv2RemoteApiCall_12989::PrintNodeLine(const char* what, int scopeId) {
    const QByteArray now = HostClock::Now().toString("yyyy-MM-dd hh:mm:ss.zzz").toLatin1();
    std::printf("%s node.scope_id = %d, %s\n", what, scopeId, now.constData());
}

// A new package with copies of the cached book; only the new subscriber receives it.
ResponsePkg_12989 QzLv2RemoteApiCall_12989::ReplayPackage(const Topic& topic) {
    const FastQuoteCacheValue entry = cache_.Get(topic.Code());
    ResponsePkg_12989 package;
    package.Mutable().wills = entry->wills;
    package.Mutable().gears = entry->gears;
    package.Mutable().fast_ten_flag = entry->fast_ten_flag;
    return package;
}

void QzLv2RemoteApiCall_12989::OnTopicInserted(const Topic& topic) {
    subscribed_levels_.insert(topic.Code(), nullptr);
    FastQuoteRequestKey key;
    key.code = topic.code;
    key.index = kRequestIndex;
    key.count = kRequestCount;
    key.timestamp = HostClock::NowMs();
    if (recent_requests_.TrimAndInsert(key, key.timestamp)) {
        SendRequest(key);
    }
}

void QzLv2RemoteApiCall_12989::OnTopicDeleted(const Topic& topic) {
    subscribed_levels_.remove(topic.Code());
}

// What the stock's last book left: kept for a subscribed stock, else (an answer for a stock
// nobody follows any more) whatever the cache still holds, into `last`.
const FastQuoteLevels* QzLv2RemoteApiCall_12989::PreviousLevels(const QString& stockCode,
                                                                FastQuoteCacheValue& last) {
    auto found = subscribed_levels_.constFind(stockCode);
    if (found != subscribed_levels_.constEnd() && found.value() != nullptr) {
        return found.value().get();
    }
    return cache_.Peek(stockCode, last) ? last->levels.get() : nullptr;
}

void QzLv2RemoteApiCall_12989::SendRequest(const FastQuoteRequestKey& key) {
    if (accessor_ == nullptr) {
        return;
    }
    const QString code = QString::fromStdString(key.code);
    auto context = QSharedPointer<ProcessContext_s>::create();
    context->keyGroup.Append(kStockCodeKey, CTVar(code));
    context->keyGroup.Append(kIndexKey, CTVar(int(key.index)));
    context->keyGroup.Append(kCountKey, CTVar(int(key.count)));
    context->keyGroup.Append(
        kTimestampKey, CTVar::FromDataCell(nscell::UnsharedDataCell::FromInteger(key.timestamp)));
    const RequestParams params = RequestParamsBuilder()
                                     .String(code)
                                     .Int16U(kRequestCount)
                                     .Int16U(0)
                                     .Int16U(0)
                                     .Int16U(3)
                                     .Int08(1)
                                     .Int08(4);
    accessor_->AppendTaskByParams(kFunctionId, kRequestFlags, context, params);
}

void QzLv2RemoteApiCall_12989::OnResponse(const Resp_s& resp) {
    if (resp.context.isNull()) {
        return;
    }
    const CKeyGroup& keys = resp.context->keyGroup;
    const QString stockCode = keys.Value(kStockCodeKey).ToString();
    // index, count and timestamp come back too; the topic is the code alone.
    // The stock's last book lends the new one the rows of every level that did not change.
    FastQuoteCacheValue last;
    const FastQuoteLevels* previous = PreviousLevels(stockCode, last);
    auto decoded = QSharedPointer<DecodedFastQuote>::create();
    QString bodyCode;
    FastQuoteLevelsPtr levels;
    if (!FastQuoteDecoder::DecodeNext(resp.body, previous, *decoded, bodyCode, levels)) {
        return;
    }
    decoded->levels = levels;
    const ResponsePkg_12989 package(std::move(decoded));
    UpdateFastTenFlag(package->fast_ten_flag);
    publisher_.Publish(Topic(stockCode), package);
    auto subscribed = subscribed_levels_.find(stockCode);
    if (subscribed != subscribed_levels_.end()) {
        subscribed.value() = levels;
    }

    auto entry = QSharedPointer<FastQuoteCacheEntry>::create();
    entry->fast_ten_flag = package->fast_ten_flag;
    entry->wills = package->wills;
    entry->gears = package->gears;
    entry->levels = std::move(levels);
    cache_.Put(bodyCode, entry);
}

void QzLv2RemoteApiCall_12989::UpdateFastTenFlag(qint8 flag) {
    if (flag == last_fast_ten_flag_) {
        return;
    }
    QzSignalControlMgr::GetInstance()->PublishMsg(
        Topic_SignalFastTen(QString::fromLatin1(Topic_SignalFastTen::kDefaultTopic)),
        Source_SignalFastTen(flag));
    last_fast_ten_flag_ = flag;
    std::printf("[TOPIC_STR_FASTTEN] get 12989 isright = %d\n", int(flag));
}
