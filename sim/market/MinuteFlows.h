#pragma once

#include <QtGlobal>

#include <vector>

#include "services/minuteflow/FlowRecord.h"
#include "services/minuteflow/ResponsePkgEntity_12988.h"
#include "sim/market/TradeFlow.h"

// A stock's day of trades by session minute: each classified trade is added to the flow of the
// minute it was made in, so the day's minute records add up to the day's flow of each class.
// The simulated session runs kSpeedUp times faster than the host clock (one session minute every
// kSessionMinuteMs of host time from the open), so a demo shows the shape of a day within
// minutes; trades after the session's last minute (15:00) count to it.
// Minute records (the 12842 record): counts of trades, volumes in shares and capital in yuan, of
// buy-initiated ("in") and sell-initiated ("out") trades per order size (super: extra-large, big:
// large, mid: medium, small: little); trades of neither side count nowhere.
// Threads: not thread-safe; the owning market serialises use.
namespace simmarket {

class MinuteFlows {
public:
    static constexpr int kSpeedUp = 12;
    static constexpr qint64 kSessionMinuteMs = 60000 / kSpeedUp;  // ms of host time
    static constexpr int kSessionMinutes = 241;  // 09:30 ... 11:29, 13:00 ... 15:00

    explicit MinuteFlows(qint64 openMs = 0) : open_ms_(openMs) {}

    void Add(const Trade& trade);
    // Minutes from the open to the last trade's minute (every minute between has a record).
    int MinuteCount() const { return int(minutes_.size()); }
    const TradeFlow& Minute(int index) const { return minutes_[size_t(index)]; }
    FlowRecord Record(int index) const;
    // Up to `count` records ending at the minute `revindex` (hhmm, inclusive; 0: the newest),
    // ascending: a 12842 page.
    std::vector<FlowRecord> Page(qint32 revindex, int count) const;
    // One 12988 item per minute: main-force (large and extra-large) net inflow, retail (medium
    // and little) net inflow and the running main-force net, each in 10^4 yuan, truncated.
    std::vector<MinuteIndicatorItem> IndicatorItems() const;

private:
    qint64 open_ms_;
    std::vector<TradeFlow> minutes_;
};

// The 12842/12844 record of a flow, stamped with `time`.
FlowRecord FlowRecordOf(const TradeFlow& flow, qint32 time);

}  // namespace simmarket
