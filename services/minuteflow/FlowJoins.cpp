#include "services/minuteflow/FlowJoins.h"

#include <QDateTime>

#include "host/core/PerformanceLoggerBuilder.h"
#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/KlineSegment.h"
#include "services/minuteflow/FlowFields.h"
#include "services/minuteflow/ResponsePkgEntity_12842.h"
#include "services/minuteflow/ResponsePkgEntity_12844.h"

namespace minuteflow {

namespace {

using nscell::UnsharedDataCell;

const QDate kMinuteRowDate(2019, 1, 1);

UnsharedDataCell MinuteCell(qint32 hhmm) {
    const QDateTime time(kMinuteRowDate, QTime((hhmm / 100) % 24, hhmm % 100));
    return UnsharedDataCell::FromDateTime(time, QStringLiteral("hh:mm"));
}

UnsharedDataCell DateCell(qint32 yyyymmdd) {
    const QDate date(yyyymmdd / 10000, (yyyymmdd / 100) % 100, yyyymmdd % 100);
    return UnsharedDataCell::FromDateTime(QDateTime(date, QTime(0, 0)), QStringLiteral("yyyyMMdd"));
}

// The grid index of every value field, in kFlowFields order, made once per segment.
QVector<int> KlineIndexes(DynamicDataGridHeader& header) {
    QVector<int> indexes(kFlowFieldCount);
    for (int f = 0; f < kFlowFieldCount; ++f) {
        indexes[f] = header.GetIndex(KlineColumnId(kFlowFields[f].name), true);
    }
    return indexes;
}

}  // namespace

JoinMethodResult JoinMinuteFlows(ScopeTreeNode& target, const ScopeTreeNode& source) {
    const auto* flows = dynamic_cast<const ResponsePkgEntity_12842*>(source.quote_data.data());
    if (flows == nullptr) {
        return JoinMethodResult(false);
    }
    static const QString kTime = QStringLiteral("time");
    static const QVector<QString> kNames = [] {
        QVector<QString> names;
        for (const FlowField& field : kFlowFields) {
            names << QLatin1String(field.name);
        }
        return names;
    }();
    auto data = QSharedPointer<BaseQuoteData>::create();
    data->rows.reserve(static_cast<int>(flows->records->size()));
    for (const FlowRecord& record : *flows->records) {
        nscell::DataRow row;
        row.Set(kTime, MinuteCell(record.time));
        for (int f = 0; f < kFlowFieldCount; ++f) {
            row.Set(kNames[f], UnsharedDataCell::FromBigInteger(kFlowFields[f].get(record)));
        }
        data->rows.append(row);
    }
    target.quote_data = data;
    return JoinMethodResult(true);
}

JoinMethodResult JoinKlineFlows(ScopeTreeNode& target, const ScopeTreeNode& source) {
    const auto* flows = dynamic_cast<const ResponsePkgEntity_12844*>(source.quote_data.data());
    if (flows == nullptr) {
        return JoinMethodResult(false);
    }
    PerformanceLoggerBuilder::InstantPhase(
        QStringLiteral("qzLv2quoter"), QStringLiteral("OnJoin12844ToStdIncrement"),
        QStringLiteral("supl"), QString::number(flows->records->size()));
    auto segment = QSharedPointer<KlineSegment>::create(QStringLiteral("supl"));
    const int dateIndex = segment->header->GetIndex(kKlineDateColumn, true);
    const QVector<int> indexes = KlineIndexes(*segment->header);
    const int width = segment->header->GetCapacity();
    segment->rows.reserve(static_cast<int>(flows->records->size()));
    for (const FlowRecord& record : *flows->records) {
        KlineSegment::Row row(width);
        row[dateIndex] = DateCell(record.time);
        for (int f = 0; f < kFlowFieldCount; ++f) {
            row[indexes[f]] = UnsharedDataCell::FromBigInteger(kFlowFields[f].get(record));
        }
        segment->rows.append(row);
    }
    target.quote_data = segment;
    return JoinMethodResult(true);
}

}  // namespace minuteflow
