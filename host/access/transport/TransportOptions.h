#pragma once

#include <QtGlobal>

// The timings and bounds of a connection between an accessor and the quote server, on both ends.
// The defaults are the documented ones (docs/wire/transport.md); tests shorten them.
// A plain value.
namespace transport {

struct TransportOptions {
    // Each end sends a heartbeat when it has sent nothing for this long.
    int heartbeat_ms = 1000;  // ms
    // A peer from which no complete frame arrived for this long is dead or stalled: the
    // connection is dropped. With the 250 ms check below, noticed within 2750 ms.
    int silence_ms = 2500;  // ms
    // How often each end looks at the two timings above.
    int check_ms = 250;  // ms
    // Bytes written to the socket but not yet taken by the peer. A frame that would pass this
    // bound drops the connection (a peer that does not read); a frame larger than the bound is
    // still sent when nothing else is waiting.
    qint64 send_queue_bytes = 4 << 20;
    // The accessor's reconnection: the first retry after this long, each next one after twice
    // the one before, up to the maximum. A connection that got the server's hello and then
    // ended without a fault (the server stopped or restarted) starts the sequence over.
    int first_retry_ms = 100;  // ms
    int max_retry_ms = 2000;   // ms
};

}  // namespace transport
