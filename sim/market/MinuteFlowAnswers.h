#pragma once

#include <QByteArray>

#include <optional>

#include "host/access/ServerBackend.h"
#include "sim/market/KlineFlowHistory.h"
#include "sim/market/SimulatedMarket.h"

// The simulated server's answers to the minute-flow functions:
//   12842: a page of the stock's minute records (MinuteFlows::Page), kMinutePageRecords records
//          ending at the request's revindex (hhmm; 0: the newest minute);
//   12844: a page of the K-line flow history (KlineFlowHistory::Page), revcount records ending at
//          revindex (yyyyMMdd; 0: the newest). The request carries no cycle, so the server takes it
//          from the request's process context ("cyclecode");
//   12988: one indicator item per minute of the day so far.
// Every group of the record is sent. An unknown stock gets no answer (nothing).
// Threads: immutable after construction; the backend calls it under its lock.
namespace simmarket {

class MinuteFlowAnswers {
public:
    static constexpr int kMinuteFlowFunction = 12842;
    static constexpr int kKlineFlowFunction = 12844;
    static constexpr int kMinuteIndicatorFunction = 12988;
    static constexpr int kMinutePageRecords = 60;

    MinuteFlowAnswers(quint32 seed, QDate today) : history_(seed, today) {}

    static bool Serves(int funcId);
    std::optional<QByteArray> Answer(const SimulatedMarket& market,
                                     const ServerRequest& request) const;
    const KlineFlowHistory& History() const { return history_; }

private:
    KlineFlowHistory history_;
};

}  // namespace simmarket
