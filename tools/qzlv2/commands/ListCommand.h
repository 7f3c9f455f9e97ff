#pragma once

#include <QString>

#include "tools/qzlv2/commands/Command.h"
#include "tools/qzlv2/loading/ServerTrades.h"

// `qzlv2 list`: what the simulated market offers, or what the server of --server trades.
// Threads: main thread.
namespace qzlv2 {

// The stocks, then the boards, as a text table.
QString MarketListing(const MarketContents& market = EmbeddedMarket());
Command ListCommand();

}  // namespace qzlv2
