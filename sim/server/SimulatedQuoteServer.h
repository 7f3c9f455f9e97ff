#pragma once

#include <QtGlobal>

#include <memory>

#include "sim/market/SimulatedMarketOptions.h"

#if defined(QZ_SIM_SERVER_BUILD)
#define QZ_SIM_SERVER_EXPORT Q_DECL_EXPORT
#else
#define QZ_SIM_SERVER_EXPORT Q_DECL_IMPORT
#endif

class SimulatedMarketBackend;

// A quote server for a host's tests and demos, with no network: a seeded simulated market that
// answers both services the plug-in talks to ("l2quote", and "pcl2xtquote" for the order book)
// through the stand-in accessor of host/access. Made, it is the server of both services for every
// accessor made afterwards; destroyed, it leaves them unless another server took its place.
//
// With timers (the default) the market moves every tick_ms on a thread of its own; without, it
// moves only on Step, so a test decides when the answers change. DropLink and RestoreLink play a
// lost and a regained connection (access state 2, then 1).
//
// Thread contract: made and destroyed on one thread (destroy it after the handlers whose
// accessors it serves); the other functions may be called from any thread.
class QZ_SIM_SERVER_EXPORT SimulatedQuoteServer {
public:
    using Options = SimulatedMarketOptions;

    SimulatedQuoteServer();
    explicit SimulatedQuoteServer(const Options& options);
    ~SimulatedQuoteServer();
    SimulatedQuoteServer(const SimulatedQuoteServer&) = delete;
    SimulatedQuoteServer& operator=(const SimulatedQuoteServer&) = delete;

    void Step();  // one tick of the market, then the answers and pushes it brings
    void DropLink();
    void RestoreLink();
    bool IsLinkUp() const;
    int RequestCount(int funcId) const;  // requests received, answered or not
    int AnswerCount(int funcId) const;   // answers sent

private:
    std::shared_ptr<SimulatedMarketBackend> backend_;
};
