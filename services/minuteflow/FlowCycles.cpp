#include "services/minuteflow/FlowCycles.h"

namespace minuteflow {

namespace {

constexpr int kMinuteFlowFunction = 12842;

constexpr FlowCycle kCycles[] = {
    {"1min", 1, true},        {"5mins", 2, false}, {"15mins", 3, false}, {"30mins", 4, false},
    {"60mins", 5, false},     {"week", 8, false},  {"month", 9, false},  {"quarter", 10, false},
    {"half_year", 11, false}, {"year", 12, false},
};

bool Accepts(const FlowCycle& cycle, int functionId) {
    return functionId != kMinuteFlowFunction || cycle.minuteFlow;
}

}  // namespace

int CycleId(const QString& code, int functionId) {
    for (const FlowCycle& cycle : kCycles) {
        if (code == QLatin1String(cycle.code) && Accepts(cycle, functionId)) {
            return cycle.id;
        }
    }
    return kUnknownCycle;
}

QStringList CycleCodes(int functionId) {
    QStringList codes;
    for (const FlowCycle& cycle : kCycles) {
        if (Accepts(cycle, functionId)) {
            codes << QLatin1String(cycle.code);
        }
    }
    return codes;
}

}  // namespace minuteflow
