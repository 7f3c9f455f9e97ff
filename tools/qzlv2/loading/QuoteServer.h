#pragma once

#include <QtGlobal>

#include <memory>
#include <optional>

#include "host/access/transport/ServerAddress.h"
#include "host/access/transport/TcpServerBackend.h"
#include "sim/market/SimulatedMarketBackend.h"

// The quote server a live session talks to, installed for both of the plug-in's services: the
// embedded simulated market, or the connection to a qzlv2-server (--server), which comes back by
// itself after a loss. Exactly one of the two is set.
// Threads: main thread.
namespace qzlv2 {

struct QuoteServer {
    std::shared_ptr<SimulatedMarketBackend> market;       // the embedded market
    std::shared_ptr<transport::TcpServerBackend> remote;  // the main service's link to --server

    // `tickMs` and `seed` (0: the market's own) set the embedded market.
    static QuoteServer Install(const std::optional<transport::ServerAddress>& server, int tickMs,
                               quint32 seed);
    bool IsLinkUp() const { return market ? market->IsLinkUp() : remote->IsLinkUp(); }
};

}  // namespace qzlv2
