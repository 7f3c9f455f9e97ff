#include "sim/market/KlineFlowHistory.h"

namespace simmarket {

namespace {

constexpr int kNoPeriods = 0;

struct CycleShape {
    const char* code;
    int months;       // months a period spans; 0 for a week
    int tradingDays;  // trading days a period holds, about
};

constexpr CycleShape kShapes[] = {
    {"week", 0, 5}, {"month", 1, 21}, {"quarter", 3, 63}, {"half_year", 6, 126}, {"year", 12, 252},
};

const CycleShape* ShapeOf(const QString& cycle) {
    for (const CycleShape& shape : kShapes) {
        if (cycle == QLatin1String(shape.code)) {
            return &shape;
        }
    }
    return nullptr;
}

const QDate kFirstFriday(2000, 1, 7);

// The last weekday of a month.
QDate LastWeekday(int year, int month) {
    QDate date(year, month, QDate(year, month, 1).daysInMonth());
    while (date.dayOfWeek() > 5) {
        date = date.addDays(-1);
    }
    return date;
}

QDate PeriodEnd(const CycleShape& shape, int index) {
    if (shape.months == 0) {
        return kFirstFriday.addDays(7 * qint64(index));
    }
    const int month = (shape.months - 1) + index * shape.months;  // months after January 2000
    return LastWeekday(KlineFlowHistory::kFirstYear + month / 12, month % 12 + 1);
}

qint32 DateNumber(const QDate& date) {
    return date.year() * 10000 + date.month() * 100 + date.day();
}

// SplitMix64: a well-mixed 64-bit value from a 64-bit state.
quint64 Mix(quint64 x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

quint64 CodeHash(const QString& code) {
    quint64 h = 1469598103934665603ull;  // FNV-1a
    for (QChar c : code) {
        h = (h ^ c.unicode()) * 1099511628211ull;
    }
    return h;
}

}  // namespace

KlineFlowHistory::KlineFlowHistory(quint32 seed, QDate today) : seed_(seed), today_(today) {}

int KlineFlowHistory::PeriodCount(const QString& cycle) const {
    const CycleShape* shape = ShapeOf(cycle);
    if (shape == nullptr) {
        return kNoPeriods;
    }
    int lo = 0;
    int hi = 1;
    while (PeriodEnd(*shape, hi - 1) <= today_) {
        hi *= 2;
    }
    while (lo < hi) {  // the first index whose period ends after today
        const int mid = (lo + hi) / 2;
        if (PeriodEnd(*shape, mid) <= today_) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

qint32 KlineFlowHistory::PeriodDate(const QString& cycle, int index) const {
    const CycleShape* shape = ShapeOf(cycle);
    return shape != nullptr ? DateNumber(PeriodEnd(*shape, index)) : 0;
}

FlowRecord KlineFlowHistory::Record(const QString& code, const QString& cycle, int index) const {
    const CycleShape* shape = ShapeOf(cycle);
    FlowRecord r;
    if (shape == nullptr) {
        return r;
    }
    r.time = DateNumber(PeriodEnd(*shape, index));
    quint64 state =
        Mix(seed_ ^ CodeHash(code) ^ (quint64(shape->months + 1) << 40) ^ quint64(index));
    const qint64 days = shape->tradingDays;
    // A value in [lo, hi) times the period's trading days.
    auto next = [&](qint64 lo, qint64 hi) {
        state = Mix(state);
        return days * (lo + qint64(state % quint64(hi - lo)));
    };
    r.superin = qint32(next(20, 200));
    r.bigin = qint32(next(100, 800));
    r.superout = qint32(next(20, 200));
    r.bigout = qint32(next(100, 800));
    r.midin = next(1000, 5000);
    r.smallin = next(5000, 30000);
    r.midout = next(1000, 5000);
    r.smallout = next(5000, 30000);
    r.superincap = next(500, 3000);  // 10^4 yuan
    r.bigincap = next(800, 4000);
    r.superoutcap = next(500, 3000);
    r.bigoutcap = next(800, 4000);
    r.midincap = next(1000, 5000);
    r.smallincap = next(1500, 6000);
    r.midoutcap = next(1000, 5000);
    r.smalloutcap = next(1500, 6000);
    r.superinvol = r.superincap * 1000;  // shares at about 10 yuan
    r.biginvol = r.bigincap * 1000;
    r.superoutvol = r.superoutcap * 1000;
    r.bigoutvol = r.bigoutcap * 1000;
    r.midinvol = r.midincap * 1000;
    r.smallinvol = r.smallincap * 1000;
    r.midoutvol = r.midoutcap * 1000;
    r.smalloutvol = r.smalloutcap * 1000;
    r.net_capital_flow = FlowRecord::NetCapitalFlow(r);
    return r;
}

std::vector<FlowRecord> KlineFlowHistory::Page(const QString& code, const QString& cycle,
                                               qint32 revindex, int revcount) const {
    const int count = PeriodCount(cycle);
    int end = count;
    if (revindex != 0) {
        int lo = 0;
        int hi = count;
        while (lo < hi) {  // the first period dated after revindex
            const int mid = (lo + hi) / 2;
            if (PeriodDate(cycle, mid) <= revindex) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        end = lo;
    }
    const int begin = qMax(0, end - qMax(0, revcount));
    std::vector<FlowRecord> page;
    page.reserve(size_t(end - begin));
    for (int i = begin; i < end; ++i) {
        page.push_back(Record(code, cycle, i));
    }
    return page;
}

}  // namespace simmarket
