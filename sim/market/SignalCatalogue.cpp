#include "sim/market/SignalCatalogue.h"

namespace simmarket {

const QVector<SignalTypeInfo>& SignalCatalogue() {
    using K = SignalKind;
    static const QVector<SignalTypeInfo> catalogue = {
        {K::Rocket, "101", 1, "涨速异动", "火箭发射", 1, 3},
        {K::Dive, "102", 1, "涨速异动", "高台跳水", -1, 3},
        {K::BigBuy, "201", 2, "大单成交", "大笔买入", 1, 2},
        {K::BigSell, "202", 2, "大单成交", "大笔卖出", -1, 2},
        {K::BigBidOrder, "301", 3, "盘口挂单", "买一大单", 1, 1},
        {K::BigAskOrder, "302", 3, "盘口挂单", "卖一大单", -1, 1},
        {K::LimitUp, "401", 4, "涨跌停", "封涨停板", 1, 3},
        {K::LimitDown, "402", 4, "涨跌停", "封跌停板", -1, 3},
        {K::LimitUpOpened, "403", 4, "涨跌停", "打开涨停", -1, 2},
        {K::VolumeSpike, "501", 5, "量价异动", "成交放量", 0, 1},
        {K::NewHigh, "502", 5, "量价异动", "创今日新高", 1, 1},
        {K::NewLow, "503", 5, "量价异动", "创今日新低", -1, 1},
    };
    return catalogue;
}

const SignalTypeInfo& SignalInfo(SignalKind kind) {
    return SignalCatalogue().at(int(kind));
}

}  // namespace simmarket
