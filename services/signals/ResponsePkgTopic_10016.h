#pragma once

#include <QString>
#include <QtGlobal>

#include <string>
#include <tuple>

// A request for the short-line signals of some plates: the quote level, the plate list (market
// prefixes such as "SH" and custom list names, comma-separated, as the node gives it), the
// window (index 0: the newest `count` signals; index n > 0: from order n on, at most `count`)
// and when the topic was made (ms since the epoch; not part of the identity).
// Threads: a plain value.
struct ResponsePkgTopic_10016 {
    static constexpr qint32 kInitialIndex = 0;
    static constexpr qint32 kInitialCount = 200;  // signals

    qint32 quote_level = 0;
    std::string plate_list;
    qint32 index = kInitialIndex;
    qint32 count = kInitialCount;
    qint64 created_ms = 0;

    ResponsePkgTopic_10016() = default;
    ResponsePkgTopic_10016(qint32 level, const QString& plates, qint32 idx = kInitialIndex,
                           qint32 cnt = kInitialCount, qint64 createdMs = 0)
        : quote_level(level),
          plate_list(plates.toStdString()),
          index(idx),
          count(cnt),
          created_ms(createdMs) {}

    QString PlateList() const { return QString::fromStdString(plate_list); }

    bool operator<(const ResponsePkgTopic_10016& o) const {
        return std::tie(quote_level, plate_list, index, count) <
               std::tie(o.quote_level, o.plate_list, o.index, o.count);
    }
    bool operator==(const ResponsePkgTopic_10016& o) const {
        return std::tie(quote_level, plate_list, index, count) ==
               std::tie(o.quote_level, o.plate_list, o.index, o.count);
    }
    bool operator!=(const ResponsePkgTopic_10016& o) const { return !(*this == o); }
};
