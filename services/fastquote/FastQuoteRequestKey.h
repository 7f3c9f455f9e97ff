#pragma once

#include <QtGlobal>

#include <string>
#include <tuple>

// One fast-quote request as the recent-request set remembers it: what was asked (code, index,
// count) and when (ms since the epoch). Two keys are the same request when code, index and count
// are equal; the order adds the timestamp last so that keys made at different times stay
// distinct in ordered containers.
// Threads: a plain value.
struct FastQuoteRequestKey {
    std::string code;
    qint32 index = 0;
    qint32 count = 0;
    qint64 timestamp = 0;  // ms since the epoch when the key was made

    qint64 Timestamp() const { return timestamp; }

    bool operator==(const FastQuoteRequestKey& o) const {
        return code == o.code && index == o.index && count == o.count;
    }
    bool operator!=(const FastQuoteRequestKey& o) const { return !(*this == o); }
    bool operator<(const FastQuoteRequestKey& o) const {
        return std::tie(code, index, count, timestamp) <
               std::tie(o.code, o.index, o.count, o.timestamp);
    }
};
