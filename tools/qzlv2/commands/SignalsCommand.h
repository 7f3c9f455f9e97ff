#pragma once

#include "tools/qzlv2/commands/Command.h"

// `qzlv2 signals [--markets SH,SZ] [--stocks CODE,...] [--types NAME,...]`: runs the plug-in
// against the embedded simulated market and shows the filtered short-line signal feed (newest
// first) above the statistics per signal type and side, redrawn in place, as plain frames, or as
// JSON lines.
// Threads: main thread only.
namespace qzlv2 {

Command SignalsCommand();

}  // namespace qzlv2
