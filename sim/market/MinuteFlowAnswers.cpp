#include "sim/market/MinuteFlowAnswers.h"

#include "services/minuteflow/FlowDecoder.h"
#include "sim/wire/minuteflow/MinuteFlowEncoders.h"

namespace simmarket {

namespace {

// Parameter positions of the requests the plug-in sends.
constexpr int kCodeParam = 0;            // every function
constexpr int kMinuteRevindexParam = 1;  // 12842
constexpr int kKlineRevindexParam = 2;   // 12844
constexpr int kKlineRevcountParam = 3;   // 12844

QVariant Param(const ServerRequest& request, int index) {
    return index < request.params.size() ? request.params.at(index).second : QVariant();
}

QString CycleOf(const ServerRequest& request) {
    return request.context.isNull() ? QString()
                                    : request.context->keyGroup.Value("cyclecode").ToString();
}

}  // namespace

bool MinuteFlowAnswers::Serves(int funcId) {
    return funcId == kMinuteFlowFunction || funcId == kKlineFlowFunction ||
           funcId == kMinuteIndicatorFunction;
}

std::optional<QByteArray> MinuteFlowAnswers::Answer(const SimulatedMarket& market,
                                                    const ServerRequest& request) const {
    const QString code = Param(request, kCodeParam).toString();
    const StockState* state = market.FindState(code);
    if (state == nullptr) {
        return std::nullopt;
    }
    switch (request.funcId) {
        case kMinuteFlowFunction:
            return simwire::EncodeMinuteFlowBody(
                code, minuteflow::kAllGroups,
                state->Minutes().Page(Param(request, kMinuteRevindexParam).toInt(),
                                      kMinutePageRecords));
        case kKlineFlowFunction:
            return simwire::EncodeKlineFlowBody(
                code, minuteflow::kAllGroups,
                history_.Page(code, CycleOf(request), Param(request, kKlineRevindexParam).toInt(),
                              Param(request, kKlineRevcountParam).toInt()));
        case kMinuteIndicatorFunction:
            return simwire::EncodeMinuteIndicatorBody(code, state->Minutes().IndicatorItems());
        default:
            return std::nullopt;
    }
}

}  // namespace simmarket
