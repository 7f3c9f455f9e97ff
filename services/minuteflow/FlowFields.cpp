#include "services/minuteflow/FlowFields.h"

#include <cstring>

namespace minuteflow {

#define QZ_FLOW_FIELD(f)                                    \
    {                                                       \
#f, [](const FlowRecord& r) { return qint64(r.f); } \
    }
const FlowField kFlowFields[kFlowFieldCount] = {
    QZ_FLOW_FIELD(superin),          QZ_FLOW_FIELD(bigin),       QZ_FLOW_FIELD(superout),
    QZ_FLOW_FIELD(bigout),           QZ_FLOW_FIELD(superinvol),  QZ_FLOW_FIELD(biginvol),
    QZ_FLOW_FIELD(superoutvol),      QZ_FLOW_FIELD(bigoutvol),   QZ_FLOW_FIELD(superincap),
    QZ_FLOW_FIELD(bigincap),         QZ_FLOW_FIELD(superoutcap), QZ_FLOW_FIELD(bigoutcap),
    QZ_FLOW_FIELD(midincap),         QZ_FLOW_FIELD(smallincap),  QZ_FLOW_FIELD(midoutcap),
    QZ_FLOW_FIELD(smalloutcap),      QZ_FLOW_FIELD(midinvol),    QZ_FLOW_FIELD(smallinvol),
    QZ_FLOW_FIELD(midoutvol),        QZ_FLOW_FIELD(smalloutvol), QZ_FLOW_FIELD(midin),
    QZ_FLOW_FIELD(smallin),          QZ_FLOW_FIELD(midout),      QZ_FLOW_FIELD(smallout),
    QZ_FLOW_FIELD(net_capital_flow),
};
#undef QZ_FLOW_FIELD

namespace {

struct KlineColumn {
    const char* field;
    int id;
};

// Field ids of the K-line grid: counts 34-41, volumes 42-49, capital 50-57, in 58; each block
// lists super, big, mid, small inflow, then the same outflow.
constexpr KlineColumn kKlineColumns[] = {
    {"superin", 34},          {"bigin", 35},     {"midin", 36},     {"smallin", 37},
    {"superout", 38},         {"bigout", 39},    {"midout", 40},    {"smallout", 41},
    {"superinvol", 42},       {"biginvol", 43},  {"midinvol", 44},  {"smallinvol", 45},
    {"superoutvol", 46},      {"bigoutvol", 47}, {"midoutvol", 48}, {"smalloutvol", 49},
    {"superincap", 50},       {"bigincap", 51},  {"midincap", 52},  {"smallincap", 53},
    {"superoutcap", 54},      {"bigoutcap", 55}, {"midoutcap", 56}, {"smalloutcap", 57},
    {"net_capital_flow", 58},
};

}  // namespace

int KlineColumnId(const char* fieldName) {
    for (const KlineColumn& column : kKlineColumns) {
        if (std::strcmp(column.field, fieldName) == 0) {
            return column.id;
        }
    }
    return -1;
}

}  // namespace minuteflow
