#pragma once

#include "tools/qzlv2/commands/Command.h"

// `qzlv2 history CODE --cycle CYCLE`: asks the plug-in, as the client does, for the "supl"
// indicator of CODE's K-line of CYCLE against the embedded simulated market, follows the pages
// the plug-in fetches back to the start of the history (progress on stderr), prints the series
// (a table, or --json) and leaves it in the disk cache (--cache-dir), from which the next run
// starts. It says "kept in FILE" only when the plug-in reports (through its instance's
// properties) that its latest save of the file was kept, and exits 1 naming the file and the
// reason otherwise; a cached file the plug-in refuses is named on stderr (not with --quiet).
// Threads: main thread with a QCoreApplication; it runs the event loop.
namespace qzlv2 {

Command HistoryCommand();

}  // namespace qzlv2
