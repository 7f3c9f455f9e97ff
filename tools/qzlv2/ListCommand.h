#pragma once

#include <QString>

#include "tools/qzlv2/Command.h"

// `qzlv2 list`: what the simulated market offers.
// Threads: stateless.
namespace qzlv2 {

QString MarketListing();  // the stocks, then the boards, as a text table
Command ListCommand();

}  // namespace qzlv2
