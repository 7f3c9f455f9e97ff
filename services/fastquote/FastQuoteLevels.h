#pragma once

#include <QByteArray>

#include <cstring>
#include <memory>
#include <vector>

#include "host/core/DataRow.h"
#include "host/quoter/ThousandGearsQuoteData.h"

// What a stock's last decoded book leaves for the next one: the body (shared, not copied), where
// each level's record lies in it, the rows made from that record, and each side's maps. A push
// usually changes a few levels of a book; a level whose record has the same bytes as one of the
// last book's levels on the same side takes over that level's rows (rows are immutable once
// published), and a side none of whose levels changed takes over the maps as well.
// Threads: immutable once built; shared by const pointer between the decoding thread and the
// cache.
struct FastQuoteLevels {
    struct Level {
        int offset = 0;  // of the record in `body`
        int size = 0;    // bytes of the record, queued volumes included
        qint32 price = 0;
        nscell::DataRow level;
        nscell::DataRow queue;
    };
    struct Side {
        int first = 0;  // index of the side's first level in `levels`
        int count = 0;
        ThousandGearsQuoteData::RowMap levelMap;
        ThousandGearsQuoteData::RowMap queueMap;
    };

    // The level of `side` with the same record bytes as body[offset, offset + size), or null.
    const Level* Same(const Side& side, const QByteArray& other, int offset, int size,
                      qint32 price) const {
        for (int i = side.first; i < side.first + side.count; ++i) {
            const Level& candidate = levels[static_cast<size_t>(i)];
            if (candidate.price == price && candidate.size == size &&
                std::memcmp(body.constData() + candidate.offset, other.constData() + offset,
                            static_cast<size_t>(size)) == 0) {
                return &candidate;
            }
        }
        return nullptr;
    }

    QByteArray body;
    std::vector<Level> levels;  // buy levels, then sell levels, in book order
    Side buy;
    Side sell;
};

using FastQuoteLevelsPtr = std::shared_ptr<const FastQuoteLevels>;
