#include "services/minuteflow/QzLv2RemoteApiCall_12842.h"

#include <limits>

#include "framework/Log.h"
#include "framework/RequestParamsBuilder.h"
#include "services/minuteflow/FlowDecoder.h"
#include "services/minuteflow/FlowRequestContext.h"

namespace {
constexpr int kAllGroupsAsked = 255;  // the last parameter: every group of the record
}  // namespace

ResponsePkgTopic_12842 MinuteFlowCallTraits::TopicOf(const ScopeTreeNode& node) {
    Topic topic;
    topic.code = node.stock_list.GetStockCode().toStdString();
    const QString cycle = node.cycle.toString();
    topic.cycle = cycle.isEmpty() ? std::string(kDefaultCycle) : cycle.toStdString();
    topic.created = HostClock::NowMs();
    return topic;
}

bool MinuteFlowCallTraits::Decode(const QByteArray& body, FlowBatch& out) {
    return minuteflow::DecodeMinuteFlowBody(body, out);
}

ResponsePkg_12842 MinuteFlowCallTraits::PackageOf(quint16 count,
                                                  QSharedPointer<const FlowRecords> records) {
    return Package(QSharedPointer<ResponsePkgEntity_12842>(
        new ResponsePkgEntity_12842(count, std::move(records))));
}

RequestParams MinuteFlowCallTraits::ParamsOf(const Topic& topic) {
    return RequestParamsBuilder()
        .String(topic.Code())
        .Int16(topic.revindex)
        .Int08U(kAllGroupsAsked)
        .Params();
}

void MinuteFlowCallTraits::FillContext(CKeyGroup& keys, const Topic& topic) {
    minuteflow::FillContext(keys, {topic.Code(), topic.Cycle(), topic.revindex, -1, topic.created});
}

ResponsePkgTopic_12842 MinuteFlowCallTraits::TopicOfContext(const CKeyGroup& keys) {
    const minuteflow::SeriesRequest request = minuteflow::ReadContext(keys);
    Topic topic;
    topic.code = request.code.toStdString();
    topic.cycle = request.cycle.toStdString();
    topic.revindex = request.revindex;
    topic.created = request.created;
    return topic;
}

ResponsePkgTopic_12842 MinuteFlowCallTraits::FollowUpOf(const Topic& topic, qint32 revindex) {
    Topic next = topic;
    next.revindex = revindex;
    next.created = HostClock::NowMs();
    return next;
}

QzLv2RemoteApiCall_12842::~QzLv2RemoteApiCall_12842() {
    Shutdown();
}

bool QzLv2RemoteApiCall_12842::Requestable(const Topic& topic) const {
    if (topic.revindex >= std::numeric_limits<qint16>::min() &&
        topic.revindex <= std::numeric_limits<qint16>::max()) {
        return true;
    }
    qzlog::Warning("lv2-12842", "page of", topic.Code(), topic.Cycle(), "not asked: revindex",
                   topic.revindex, "does not fit Int16");
    return false;
}
