#pragma once

#include <QString>

#include <string>

// The topic of the minute capital flows: the series (security code, cycle code) and the paging
// position of the request that carries it (revindex, hhmm; 0 for the newest records) and its
// creation time (ms since the epoch). Only the series orders topics: every page of a series is
// published to the series' subscribers.
// Threads: a plain value.
struct ResponsePkgTopic_12842 {
    std::string code;
    std::string cycle;
    qint32 revindex = 0;
    qint64 created = 0;

    QString Code() const { return QString::fromStdString(code); }
    QString Cycle() const { return QString::fromStdString(cycle); }

    bool operator<(const ResponsePkgTopic_12842& o) const {
        return code != o.code ? code < o.code : cycle < o.cycle;
    }
    bool operator==(const ResponsePkgTopic_12842& o) const {
        return code == o.code && cycle == o.cycle;
    }
};
