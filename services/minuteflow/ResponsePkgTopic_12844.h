#pragma once

#include <QString>

#include <string>

// The topic of the K-line capital flows: the series (security code, cycle code) and the paging
// position of the request that carries it (revindex, yyyyMMdd, 0 for the newest records; revcount,
// records asked for) and its creation time (ms since the epoch). Only the series orders topics:
// every page of a series is published to the series' subscribers and cached as one series.
// Threads: a plain value.
struct ResponsePkgTopic_12844 {
    std::string code;
    std::string cycle;
    qint32 revindex = 0;
    qint32 revcount = 0;
    qint64 created = 0;

    QString Code() const { return QString::fromStdString(code); }
    QString Cycle() const { return QString::fromStdString(cycle); }

    bool operator<(const ResponsePkgTopic_12844& o) const {
        return code != o.code ? code < o.code : cycle < o.cycle;
    }
    bool operator==(const ResponsePkgTopic_12844& o) const {
        return code == o.code && cycle == o.cycle;
    }
};
