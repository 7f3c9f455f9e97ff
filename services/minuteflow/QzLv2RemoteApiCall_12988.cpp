#include "services/minuteflow/QzLv2RemoteApiCall_12988.h"

#include "framework/RequestParamsBuilder.h"
#include "services/minuteflow/FlowDecoder.h"
#include "services/minuteflow/MinuteIndicatorRows.h"

namespace {
const QString kStockCodeKey = QStringLiteral("stock_code");
constexpr int kFirstItem = 0;
constexpr int kAllItems = -1;
}  // namespace

ResponsePkgTopic_12988 MinuteIndicatorCallTraits::TopicOf(const ScopeTreeNode& node) {
    return Topic{node.stock_list.GetStockCode().toStdString()};
}

QzLv2RemoteApiCall_12988::QzLv2RemoteApiCall_12988(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : RemoteApiCallBase(configuration, accessor, kCacheCapacity) {}

QzLv2RemoteApiCall_12988::~QzLv2RemoteApiCall_12988() {
    Shutdown();
}

void QzLv2RemoteApiCall_12988::Init() {
    QMutexLocker locker(&callLock_);
    RegisterSerial(kFunctionId);
    RegisterReceiver(kFunctionId, [this](const Resp_s& resp) {
        if (!resp.context.isNull()) {
            HandleBody(Topic{resp.context->keyGroup.Value(kStockCodeKey).ToString().toStdString()},
                       resp.body);
        }
    });
    supportedTypes_.Insert(ScopeTypeVariant(QString::number(kFunctionId)));
    Driver& driver = EnableDriver();
    driver.SetRequestListener(kPollMs, [this](const Topic& topic) { SendRequest(topic); });
    driver.SetPollListener(kPollMs, [this](const Topic& topic) { SendRequest(topic); });
}

bool QzLv2RemoteApiCall_12988::HandleBody(const Topic& topic, const QByteArray& body) {
    QMutexLocker locker(&callLock_);
    Package package;
    if (!minuteflow::DecodeMinuteIndicatorBody(body, package.Mutable().items)) {
        return false;
    }
    minuteflow::FillIndicatorRows(package.Mutable());
    publisher_.Publish(topic, package);
    if (driver_) {
        driver_->MarkAnswered(topic);
    }
    return true;
}

void QzLv2RemoteApiCall_12988::SendRequest(const Topic& topic) {
    if (accessor_ == nullptr) {
        return;
    }
    auto context = QSharedPointer<ProcessContext_s>::create();
    context->keyGroup.Append(kStockCodeKey, CTVar(topic.Code()));
    accessor_->AppendTaskByParams(
        kFunctionId, 0, context,
        RequestParamsBuilder().String(topic.Code()).Int16(kFirstItem).Int16(kAllItems).Params());
}
