#pragma once

#include "tools/qzlv2/commands/Command.h"

// `qzlv2 record FILE watch CODE [watch options]`: runs `watch` with every server backend wrapped
// in a recording backend, so that the session's traffic lands in FILE (docs/recording.md).
// Threads: main thread only.
namespace qzlv2 {

Command RecordCommand();

}  // namespace qzlv2
