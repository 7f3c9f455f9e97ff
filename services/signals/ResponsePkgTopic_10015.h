#pragma once

#include <QtGlobal>

// The signal-type catalogue has one request for everybody: its topic carries only the time it
// was made (ms since the epoch), which is not part of its identity, so every node shares it.
// Threads: a plain value.
struct ResponsePkgTopic_10015 {
    qint64 created_ms = 0;

    bool operator<(const ResponsePkgTopic_10015&) const { return false; }
    bool operator==(const ResponsePkgTopic_10015&) const { return true; }
    bool operator!=(const ResponsePkgTopic_10015&) const { return false; }
};
