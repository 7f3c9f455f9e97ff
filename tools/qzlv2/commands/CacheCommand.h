#pragma once

#include "tools/qzlv2/commands/Command.h"

// `qzlv2 cache ls|show|verify`: the K-line flow history files under the cache directory
// (--cache-dir): list them; show one's header fields and records; verify every file (exit 1 when
// one is bad, naming it and why).
// Threads: main thread only.
namespace qzlv2 {

Command CacheCommand();

}  // namespace qzlv2
