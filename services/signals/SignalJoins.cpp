#include "services/signals/SignalJoins.h"

#include <QHash>

#include <algorithm>
#include <set>
#include <utility>

#include "host/quoter/BaseQuoteData.h"
#include "services/signals/SignalFilter.h"
#include "services/signals/SignalRows.h"

using nscell::DataRow;

namespace shortline {

namespace {

const QString kTypeSource = QStringLiteral("10015");
const QString kSignalSource = QStringLiteral("10016");

// A copy of the target's data to change and store back (a fresh one when it has none). The
// sources stay shared: published packages are never changed.
QSharedPointer<BaseQuoteData> CopyOfTargetData(const ScopeTreeNode& target) {
    const auto* current = dynamic_cast<const BaseQuoteData*>(target.quote_data.data());
    return QSharedPointer<BaseQuoteData>(current != nullptr ? new BaseQuoteData(*current)
                                                            : new BaseQuoteData());
}

template <typename Entity>
QSharedPointer<const Entity> SourceOf(const BaseQuoteData& data, const QString& function) {
    return data.sources.value(function).template dynamicCast<const Entity>();
}

// The kept signals as rows ascending by order; of several with one order the last one counts.
QList<DataRow> SortedRows(const QVector<ShortLineSignal>& kept) {
    std::vector<const ShortLineSignal*> byOrder;
    byOrder.reserve(size_t(kept.size()));
    for (const ShortLineSignal& signal : kept) {
        byOrder.push_back(&signal);
    }
    std::stable_sort(
        byOrder.begin(), byOrder.end(),
        [](const ShortLineSignal* a, const ShortLineSignal* b) { return a->order < b->order; });
    QList<DataRow> rows;
    rows.reserve(int(byOrder.size()));
    for (size_t i = 0; i < byOrder.size(); ++i) {
        if (i + 1 < byOrder.size() && byOrder[i + 1]->order == byOrder[i]->order) {
            continue;
        }
        rows.append(SignalRow(*byOrder[i]));
    }
    return rows;
}

// Merges two row lists ascending by order; on equal orders the incoming row wins.
QList<DataRow> MergeByOrder(const QList<DataRow>& existing, const QList<DataRow>& incoming) {
    QList<DataRow> merged;
    merged.reserve(existing.size() + incoming.size());
    auto old = existing.cbegin();
    auto next = incoming.cbegin();
    while (old != existing.cend() && next != incoming.cend()) {
        const qint64 oldOrder = old->OrderValue();
        const qint64 nextOrder = next->OrderValue();
        if (oldOrder < nextOrder) {
            merged.append(*old++);
            continue;
        }
        if (oldOrder == nextOrder) {
            ++old;
        }
        merged.append(*next++);
    }
    std::copy(old, existing.cend(), std::back_inserter(merged));
    std::copy(next, incoming.cend(), std::back_inserter(merged));
    if (merged.size() > kMaxSignalRows) {
        merged.erase(merged.begin(), merged.begin() + (merged.size() - kMaxSignalRows));
    }
    return merged;
}

void RebuildStatistics(BaseQuoteData& data) {
    const auto types = SourceOf<ResponsePkgEntity_10015>(data, kTypeSource);
    const auto signalAnswer = SourceOf<ResponsePkgEntity_10016>(data, kSignalSource);
    if (!types || !signalAnswer) {
        return;
    }
    QHash<QString, std::pair<qint64, qint64>> counts;  // type name -> (sell side, buy side)
    std::set<int> directions;
    for (const ShortLineSignal& signal : signalAnswer->signal_list) {
        auto& count = counts[signal.signal_type_name];
        (signal.signal_type_deal_direction > 0 ? count.second : count.first) += 1;
        directions.insert(signal.signal_type_deal_direction);
    }
    data.rows.clear();
    for (const SignalType& type : types->types) {
        const std::pair<qint64, qint64> count = counts.value(type.signal_type_name);
        for (int direction : directions) {
            data.rows.append(
                StatisticsRow(type, direction, direction > 0 ? count.second : count.first));
        }
    }
}

}  // namespace

JoinMethodResult JoinSignalTypeList(ScopeTreeNode& target, const ScopeTreeNode& source) {
    const auto types = source.quote_data.dynamicCast<ResponsePkgEntity_10015>();
    if (!types) {
        return JoinMethodResult(false);
    }
    QSharedPointer<BaseQuoteData> data = CopyOfTargetData(target);
    data->sources.insert(kTypeSource, types);
    data->rows.clear();
    data->rows.reserve(types->types.size());
    for (const SignalType& type : types->types) {
        data->rows.append(SignalTypeRow(type));
    }
    target.quote_data = data;
    return JoinMethodResult(true);
}

JoinMethodResult JoinSignalList(ScopeTreeNode& target, const ScopeTreeNode& source) {
    const auto answer = source.quote_data.dynamicCast<ResponsePkgEntity_10016>();
    if (!answer) {
        return JoinMethodResult(false);
    }
    QSharedPointer<BaseQuoteData> data = CopyOfTargetData(target);
    const SignalFilter filter = SignalFilter::FromBaseRow(data->base_row);
    QVector<ShortLineSignal> kept;
    kept.reserve(answer->signal_list.size());
    for (const ShortLineSignal& signal : answer->signal_list) {
        if (filter.Keeps(signal)) {
            kept.append(signal);
        }
    }
    data->sources.insert(kSignalSource, answer);
    data->rows = MergeByOrder(data->rows, SortedRows(kept));
    target.quote_data = data;
    return JoinMethodResult(true);
}

JoinMethodResult JoinSignalStatistics(ScopeTreeNode& target, const ScopeTreeNode& source) {
    QSharedPointer<QuoteData> stored;
    if (source.quote_data.dynamicCast<ResponsePkgEntity_10015>()) {
        stored = source.quote_data;
    }
    QSharedPointer<BaseQuoteData> data = CopyOfTargetData(target);
    if (const auto answer = source.quote_data.dynamicCast<ResponsePkgEntity_10016>()) {
        stored = QSharedPointer<ResponsePkgEntity_10016>::create(
            SignalFilter::FromBaseRow(data->base_row).Filtered(*answer));
    }
    if (!stored) {
        return JoinMethodResult(false);
    }
    data->sources.insert(
        stored.dynamicCast<ResponsePkgEntity_10015>() ? kTypeSource : kSignalSource, stored);
    RebuildStatistics(*data);
    target.quote_data = data;
    return JoinMethodResult(true);
}

}  // namespace shortline
