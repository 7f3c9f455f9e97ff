#pragma once

#include <QString>

// `qzlv2 list`: what the simulated market offers.
// Threads: stateless.
namespace qzlv2 {

QString MarketListing();  // the stocks, then the boards, as a text table
int RunList();

}  // namespace qzlv2
