#include "framework/RequestParamsBuilder.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12930.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12932.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12973.h"

// The Int16 of 12932 and 12973 is the mask of the groups asked for; the answer carries it back.
namespace {
constexpr int kBoardFlowGroups = capitalflow::kBoardFlowGroup;
constexpr int kBoardAnalysisGroups = capitalflow::kAnalysisHead | capitalflow::kAnalysisEntries |
                                     capitalflow::kAnalysisLargeIn | capitalflow::kAnalysisTail;
}  // namespace

RequestParams StockFlowCallTraits::ParamsOf(const Topic& topic) {
    return RequestParamsBuilder().String(topic.Code());
}

RequestParams BoardFlowCallTraits::ParamsOf(const Topic& topic) {
    return RequestParamsBuilder().String(topic.Code()).Int16(kBoardFlowGroups);
}

RequestParams BoardAnalysisCallTraits::ParamsOf(const Topic& topic) {
    return RequestParamsBuilder().Int16(kBoardAnalysisGroups).String(topic.Code());
}
