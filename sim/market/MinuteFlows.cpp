#include "sim/market/MinuteFlows.h"

#include <algorithm>

#include "services/minuteflow/MinuteIndicatorRows.h"

namespace simmarket {

namespace {

constexpr qint64 kTenThousand = 10000;  // yuan per unit of the indicator values

qint64 NetAmount(const TradeFlow& flow, OrderSize size) {
    return flow.Cell(TradeSide::Buy, size).amount - flow.Cell(TradeSide::Sell, size).amount;
}

}  // namespace

FlowRecord FlowRecordOf(const TradeFlow& flow, qint32 time) {
    auto in = [&](OrderSize size) { return flow.Cell(TradeSide::Buy, size); };
    auto out = [&](OrderSize size) { return flow.Cell(TradeSide::Sell, size); };
    FlowRecord r;
    r.time = time;
    r.superin = qint32(in(OrderSize::ExtraLarge).count);
    r.bigin = qint32(in(OrderSize::Large).count);
    r.superout = qint32(out(OrderSize::ExtraLarge).count);
    r.bigout = qint32(out(OrderSize::Large).count);
    r.midin = in(OrderSize::Medium).count;
    r.smallin = in(OrderSize::Little).count;
    r.midout = out(OrderSize::Medium).count;
    r.smallout = out(OrderSize::Little).count;
    r.superinvol = in(OrderSize::ExtraLarge).volume;
    r.biginvol = in(OrderSize::Large).volume;
    r.superoutvol = out(OrderSize::ExtraLarge).volume;
    r.bigoutvol = out(OrderSize::Large).volume;
    r.midinvol = in(OrderSize::Medium).volume;
    r.smallinvol = in(OrderSize::Little).volume;
    r.midoutvol = out(OrderSize::Medium).volume;
    r.smalloutvol = out(OrderSize::Little).volume;
    r.superincap = in(OrderSize::ExtraLarge).amount;
    r.bigincap = in(OrderSize::Large).amount;
    r.superoutcap = out(OrderSize::ExtraLarge).amount;
    r.bigoutcap = out(OrderSize::Large).amount;
    r.midincap = in(OrderSize::Medium).amount;
    r.smallincap = in(OrderSize::Little).amount;
    r.midoutcap = out(OrderSize::Medium).amount;
    r.smalloutcap = out(OrderSize::Little).amount;
    r.net_capital_flow = FlowRecord::NetCapitalFlow(r);
    return r;
}

void MinuteFlows::Add(const Trade& trade) {
    const qint64 elapsed = qMax<qint64>(0, trade.time_ms - open_ms_);
    const int index = int(qMin<qint64>(elapsed / kSessionMinuteMs, kSessionMinutes - 1));
    if (index >= MinuteCount()) {
        minutes_.resize(size_t(index) + 1);
    }
    minutes_[size_t(index)].Add(trade);
}

FlowRecord MinuteFlows::Record(int index) const {
    return FlowRecordOf(Minute(index), minuteflow::SessionMinuteOf(index));
}

std::vector<FlowRecord> MinuteFlows::Page(qint32 revindex, int count) const {
    int end = MinuteCount();  // one past the page's last minute
    if (revindex != 0) {
        end = 0;
        while (end < MinuteCount() && minuteflow::SessionMinuteOf(end) <= revindex) {
            ++end;
        }
    }
    const int begin = qMax(0, end - qMax(0, count));
    std::vector<FlowRecord> page;
    page.reserve(size_t(end - begin));
    for (int i = begin; i < end; ++i) {
        page.push_back(Record(i));
    }
    return page;
}

std::vector<MinuteIndicatorItem> MinuteFlows::IndicatorItems() const {
    std::vector<MinuteIndicatorItem> items;
    items.reserve(minutes_.size());
    qint64 running = 0;
    for (const TradeFlow& minute : minutes_) {
        const qint64 main =
            NetAmount(minute, OrderSize::ExtraLarge) + NetAmount(minute, OrderSize::Large);
        const qint64 retail =
            NetAmount(minute, OrderSize::Medium) + NetAmount(minute, OrderSize::Little);
        running += main;
        items.push_back({qint32(main / kTenThousand), qint32(retail / kTenThousand),
                         qint32(running / kTenThousand)});
    }
    return items;
}

}  // namespace simmarket
