#include "services/minuteflow/QzLv2RemoteApiCall_12844.h"

#include "framework/HistoryDiskCache.h"
#include "framework/RequestParamsBuilder.h"
#include "services/minuteflow/FlowCycles.h"
#include "services/minuteflow/FlowDecoder.h"
#include "services/minuteflow/FlowHistoryFile.h"
#include "services/minuteflow/FlowRequestContext.h"

namespace {

// Request parameters whose values the server defines.
constexpr int kIndicatorKind = 7;
constexpr int kGroupsAsked = 63;  // every group of the record
constexpr int kLastParam = 255;

using Binding = historyfile::HistoryBinding<ResponsePkgTopic_12844, FlowSeriesPtr, FlowRecord>;

Binding MakeBinding() {
    Binding binding;
    binding.stockCode = [](const ResponsePkgTopic_12844& key) { return key.Code(); };
    binding.cycle = [](const ResponsePkgTopic_12844& key) { return key.Cycle(); };
    binding.toData = [](const FlowSeriesPtr& series) {
        historyfile::HistoryData<FlowRecord> data;
        data.flag = series->complete;
        data.records = *series->records;
        return data;
    };
    binding.fromData = [](historyfile::HistoryData<FlowRecord>&& data, FlowSeriesPtr& value) {
        auto series = new FlowSeries();
        series->complete = data.flag;
        series->records =
            QSharedPointer<const FlowRecords>(new FlowRecords(std::move(data.records)));
        value = FlowSeriesPtr(series);
    };
    return binding;
}

}  // namespace

ResponsePkgTopic_12844 KlineFlowCallTraits::TopicOf(const ScopeTreeNode& node) {
    Topic topic;
    topic.code = node.stock_list.GetStockCode().toStdString();
    topic.cycle = node.cycle.toString().toStdString();
    topic.revcount = kPageRecords;
    topic.created = HostClock::NowMs();
    return topic;
}

bool KlineFlowCallTraits::Decode(const QByteArray& body, FlowBatch& out) {
    return minuteflow::DecodeKlineFlowBody(body, out);
}

ResponsePkg_12844 KlineFlowCallTraits::PackageOf(quint16 count,
                                                 QSharedPointer<const FlowRecords> records) {
    return Package(QSharedPointer<ResponsePkgEntity_12844>(
        new ResponsePkgEntity_12844(count, std::move(records))));
}

RequestParams KlineFlowCallTraits::ParamsOf(const Topic& topic) {
    return RequestParamsBuilder()
        .String(topic.Code())
        .Int08U(kIndicatorKind)
        .Int32U(topic.revindex)
        .Int16U(topic.revcount)
        .Int08U(kGroupsAsked)
        .Int08U(kLastParam)
        .Params();
}

void KlineFlowCallTraits::FillContext(CKeyGroup& keys, const Topic& topic) {
    minuteflow::FillContext(
        keys, {topic.Code(), topic.Cycle(), topic.revindex, topic.revcount, topic.created});
}

ResponsePkgTopic_12844 KlineFlowCallTraits::TopicOfContext(const CKeyGroup& keys) {
    const minuteflow::SeriesRequest request = minuteflow::ReadContext(keys);
    Topic topic;
    topic.code = request.code.toStdString();
    topic.cycle = request.cycle.toStdString();
    topic.revindex = request.revindex;
    topic.revcount = request.revcount;
    topic.created = request.created;
    return topic;
}

ResponsePkgTopic_12844 KlineFlowCallTraits::FollowUpOf(const Topic& topic, qint32 revindex) {
    Topic next = topic;
    next.revindex = revindex;
    next.revcount = kPageRecords;
    next.created = HostClock::NowMs();
    return next;
}

QzLv2RemoteApiCall_12844::QzLv2RemoteApiCall_12844(
    QuoteDataSourceHandlerConfiguration* configuration, CHQOWNServerAccesser* accessor)
    : FlowSeriesCall(configuration, accessor) {
    Binding binding = MakeBinding();
    binding.saved = [this](const Topic& topic, bool saved) { OnSaved(topic, saved); };
    auto fileLoader =
        historyfile::MakeHistoryLoader(&callLock_, minuteflow::FlowHistoryFile(), binding);
    cache_.SetLoader(
        std::make_shared<cache::LambdaOnLoadFromDiskCacheListener<Topic, FlowSeriesPtr>>(
            [this, fileLoader](const Topic& topic, FlowSeriesPtr& value) {
                return LoadOnce(*fileLoader, topic, value);
            }));
    cache_.SetSaver(historyfile::MakeHistorySaver(&callLock_, minuteflow::FlowHistoryFile(),
                                                  binding,
                                                  historyfile::HistorySaveLedger::Instance()));
}

QzLv2RemoteApiCall_12844::~QzLv2RemoteApiCall_12844() {
    Shutdown();
    // Saves still queued finish now, while this call's members live.
    cache_.WaitForSaves();
}

bool QzLv2RemoteApiCall_12844::Requestable(const Topic& topic) const {
    return minuteflow::CycleId(topic.Cycle(), KlineFlowCallTraits::kFunctionId) !=
           minuteflow::kUnknownCycle;
}

bool QzLv2RemoteApiCall_12844::LoadOnce(
    cache::OnLoadFromDiskCacheListener<Topic, FlowSeriesPtr>& file, const Topic& topic,
    FlowSeriesPtr& value) {
    QMutexLocker locker(&callLock_);
    if (unreadable_.count(topic) != 0) {
        return false;
    }
    if (file.OnLoadFromDiskCache(topic, value)) {
        return true;
    }
    unreadable_.insert(topic);
    return false;
}

void QzLv2RemoteApiCall_12844::OnSaved(const Topic& topic, bool saved) {
    if (saved) {
        unreadable_.erase(topic);  // under the call lock, as the saver runs
    }
}
