#include "services/minuteflow/MinuteIndicatorRows.h"

#include <QDateTime>

#include "host/core/UnsharedDataCell.h"

namespace minuteflow {

namespace {
constexpr int kMorningStart = 9 * 60 + 30;  // minutes after midnight
constexpr int kAfternoonStart = 13 * 60;
const QDate kRowDate(2019, 1, 1);
}  // namespace

int SessionMinuteOf(int position) {
    const int minutes = position < kMorningMinutes ? kMorningStart + position
                                                   : kAfternoonStart + position - kMorningMinutes;
    return (minutes / 60) * 100 + minutes % 60;
}

void FillIndicatorRows(ResponsePkgEntity_12988& entity) {
    using nscell::UnsharedDataCell;
    entity.rows.clear();
    entity.rows.reserve(static_cast<int>(entity.items.size()));
    int position = 0;
    for (const MinuteIndicatorItem& item : entity.items) {
        const int hhmm = SessionMinuteOf(position);
        const QDateTime time(kRowDate, QTime((hhmm / 100) % 24, hhmm % 100));
        nscell::DataRow row;
        row.Set(QStringLiteral("index"), UnsharedDataCell::FromInteger(position));
        row.Set(QStringLiteral("time"),
                UnsharedDataCell::FromDateTime(time, QStringLiteral("hh:mm")));
        row.Set(QStringLiteral("value1"), UnsharedDataCell::FromBigInteger(item.value1));
        row.Set(QStringLiteral("value2"), UnsharedDataCell::FromBigInteger(item.value2));
        row.Set(QStringLiteral("value3"), UnsharedDataCell::FromBigInteger(item.value3));
        entity.rows.append(row);
        ++position;
    }
}

}  // namespace minuteflow
