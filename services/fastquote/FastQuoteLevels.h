#pragma once

#include <QLatin1String>
#include <QString>

#include <memory>
#include <vector>

#include "host/core/DataRow.h"
#include "host/quoter/ThousandGearsQuoteData.h"

// What a stock's last decoded book leaves for the next one: each level's values as read, the rows
// made from them, and each side's maps. A push usually changes a few levels of a book; a level
// whose values equal one of the last book's levels on the same side takes over that level's rows
// (rows are immutable once published), and a side none of whose levels changed takes over the
// maps as well. The values are what the rows show, so nothing of the answer body is kept.
// Threads: immutable once built; shared by const pointer between the decoding thread and the
// cache.
struct FastQuoteLevels {
    struct Level {
        qint32 price = 0;
        qint32 volume = 0;
        qint32 orderCount = 0;
        bool big = false;  // the big flag is non-zero
        QString queued;    // the queued volumes joined by "," (shared with the queue row)
        nscell::DataRow level;
        nscell::DataRow queue;

        // Whether a level read with these values makes the same rows as this one.
        bool Shows(qint32 p, qint32 v, qint32 orders, bool b, QLatin1String volumes) const {
            return price == p && volume == v && orderCount == orders && big == b &&
                   queued == volumes;
        }
    };
    struct Side {
        int first = 0;  // index of the side's first level in `levels`
        int count = 0;
        ThousandGearsQuoteData::RowMap levelMap;
        ThousandGearsQuoteData::RowMap queueMap;
    };

    // The level of `side` that shows these values, trying its level `hint` first (a push keeps
    // most levels where they were), or null.
    const Level* Same(const Side& side, int hint, qint32 price, qint32 volume, qint32 orderCount,
                      bool big, QLatin1String queued) const {
        if (hint < side.count) {
            const Level& at = levels[static_cast<size_t>(side.first + hint)];
            if (at.Shows(price, volume, orderCount, big, queued)) {
                return &at;
            }
        }
        for (int i = side.first; i < side.first + side.count; ++i) {
            const Level& candidate = levels[static_cast<size_t>(i)];
            if (candidate.Shows(price, volume, orderCount, big, queued)) {
                return &candidate;
            }
        }
        return nullptr;
    }

    std::vector<Level> levels;  // buy levels, then sell levels, in book order
    Side buy;
    Side sell;
};

using FastQuoteLevelsPtr = std::shared_ptr<const FastQuoteLevels>;
