// The simulated server's large deals (12990) and short-line signals (10015, 10016): both come
// from the market's classified trades and its state after each step.
#include <QDebug>
#include <QMutexLocker>

#include "sim/market/SimulatedMarketBackend.h"
#include "sim/wire/largedeals/LargeDealBodyEncoder.h"
#include "sim/wire/signals/SignalBodyEncoders.h"

namespace {

// Parameter positions of the requests the plug-in sends.
constexpr int kLargeDealCodeParam = 0;
constexpr int kLargeDealStartParam = 1;
constexpr int kLargeDealNumberParam = 2;
constexpr int kLargeDealKindParam = 3;
constexpr int kLatestKind = 2;
constexpr int kSignalIndexParam = 0;
constexpr int kSignalCountParam = 1;
constexpr int kSignalPlatesParam = 4;
constexpr int kShortFormParams = 7;  // the long form adds two

QVariant Param(const ServerRequest& request, int index) {
    return index < request.params.size() ? request.params.at(index).second : QVariant();
}

}  // namespace

void SimulatedMarketBackend::WatchTrades() {
    market_.AddTradeListener([this](const simmarket::Trade& trade) {
        const simmarket::SimStock* stock = simmarket::FindStock(trade.code);
        if (stock == nullptr) {
            return;
        }
        large_deals_.Record(trade, stock->price_precision);
        signal_detector_.OnTrade(trade, *stock);
    });
}

// Kind 2: the latest large deal (none yet: no answer; the client asks again). Kind 1: a page.
void SimulatedMarketBackend::OnLargeDeal(IServerLink* link, const ServerRequest& request) {
    const QString code = Param(request, kLargeDealCodeParam).toString();
    simwire::LargeDealAnswer answer;
    answer.code = code;
    if (Param(request, kLargeDealKindParam).toInt() == kLatestKind) {
        const LargeDealRecord* latest = large_deals_.Latest(code);
        if (latest == nullptr) {
            qDebug().noquote() << "simmarket {:SEPARATOR} no large deal of" << code << "yet";
            return;
        }
        answer.records = {*latest};
    } else {
        answer.records = large_deals_.Page(code, Param(request, kLargeDealStartParam).toInt(),
                                           Param(request, kLargeDealNumberParam).toInt());
    }
    answer.first_sequence = answer.records.isEmpty() ? 0 : answer.records.first().sequence;
    AnswerLocked(link, request, simwire::EncodeLargeDealBody(answer));
}

void SimulatedMarketBackend::OnSignalTypes(IServerLink* link, const ServerRequest& request) {
    ResponsePkgEntity_10015 catalogue;
    catalogue.flags = ResponsePkgEntity_10015::kLevelFlag;
    for (const simmarket::SignalTypeInfo& info : simmarket::SignalCatalogue()) {
        SignalType type;
        type.signal_type_code = QString::fromLatin1(info.code);
        type.signal_type_group_code = info.group_code;
        type.signal_type_group_name = QString::fromUtf8(info.group_name);
        type.signal_type_name = QString::fromUtf8(info.name);
        type.level = info.level;
        catalogue.types.append(type);
    }
    AnswerLocked(link, request, simwire::EncodeSignalTypeBody(catalogue));
}

// The long request form gets the wide order and value C; the short one 16-bit orders.
void SimulatedMarketBackend::OnSignals(IServerLink* link, const ServerRequest& request) {
    ResponsePkgEntity_10016 answer;
    if (request.params.size() > kShortFormParams) {
        answer.flags =
            ResponsePkgEntity_10016::kWideOrderFlag | ResponsePkgEntity_10016::kValueCFlag;
    }
    answer.signal_list = signal_detector_.Query(Param(request, kSignalPlatesParam).toStringList(),
                                                Param(request, kSignalIndexParam).toInt(),
                                                Param(request, kSignalCountParam).toInt());
    AnswerLocked(link, request, simwire::EncodeSignalBody(answer));
}

void SimulatedMarketBackend::ReadSignals(
    const std::function<void(const simmarket::LargeDealTape&, const simmarket::SignalDetector&)>&
        read) const {
    QMutexLocker lock(&mutex_);
    read(large_deals_, signal_detector_);
}
