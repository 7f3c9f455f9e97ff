#pragma once

#include <QDate>
#include <QString>

#include <vector>

#include "services/minuteflow/FlowRecord.h"

// The K-line capital-flow history of the simulated market (function 12844): one record per period
// of a cycle, from the first period ending in January 2000 up to `today`, for every stock. Nothing
// is stored: a record is made on demand from a hash of (seed, code, cycle, period), so the history
// is the same on every run and costs nothing until asked for.
// Periods end on: week, every Friday; month, quarter, half_year and year, the last weekday of
// their last month. A record's time is that date (yyyyMMdd). Cycles below a day have no history
// here (their periods would share one yyyyMMdd time), so they answer no records.
// Records: counts of trades (extra-large and large: hundreds a day; medium and little: thousands),
// volumes in shares, capital in 10^4 yuan, all scaled by the trading days of the period.
// Threads: immutable after construction; any thread.
namespace simmarket {

class KlineFlowHistory {
public:
    static constexpr int kFirstYear = 2000;

    KlineFlowHistory(quint32 seed, QDate today);

    int PeriodCount(const QString& cycle) const;
    qint32 PeriodDate(const QString& cycle, int index) const;  // yyyyMMdd
    FlowRecord Record(const QString& code, const QString& cycle, int index) const;
    // A 12844 page: up to `revcount` records ending at the period dated `revindex` (inclusive;
    // 0: the newest), ascending.
    std::vector<FlowRecord> Page(const QString& code, const QString& cycle, qint32 revindex,
                                 int revcount) const;

private:
    quint32 seed_;
    QDate today_;
};

}  // namespace simmarket
