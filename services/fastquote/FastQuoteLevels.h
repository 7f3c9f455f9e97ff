#pragma once

#include <QByteArray>
#include <QString>
#include <QVarLengthArray>

#include <cstring>
#include <memory>

#include "host/core/DataRow.h"
#include "host/quoter/ThousandGearsQuoteData.h"

// What a stock's last decoded book leaves for the next one: each level's values as read, where
// its queued volumes lie in the body, the rows made from them, and each side's maps. A push
// usually changes a few levels of a book; a level whose values and queued bytes equal one of the
// last book's levels on the same side takes over that level's rows (rows are immutable once
// published), and a side none of whose levels changed takes over the maps as well; a side whose
// prices stayed takes them over with the changed levels put in, and notes which. The body is
// kept (shared, not copied) so that queued volumes are compared as the bytes they came in.
// Threads: immutable once built; shared by const pointer between the decoding thread and the
// cache.
struct FastQuoteLevels {
    static constexpr int kFullBook = 20;  // levels of a full book, held without a second allocation
    static constexpr int kQueuedVolumeBytes = 4;  // bytes: one queued order volume on the wire
    // chars: a comma and the decimal text of a queued volume, any int32 ("-2147483648"), in
    // shares or in lots
    static constexpr int kQueuedVolumeTextMax = 12;

    struct Level {
        qint32 price = 0;
        qint32 volume = 0;
        qint32 orderCount = 0;
        bool big = false;     // the big flag is non-zero
        int queuedAt = 0;     // offset of the queued volumes in the book's body
        int queuedBytes = 0;  // their length: 4 bytes an order
        nscell::DataRow level;
        nscell::DataRow queue;
    };
    struct Side {
        int first = 0;  // index of the side's first level in `levels`
        int count = 0;
        ThousandGearsQuoteData::RowMap levelMap;
        ThousandGearsQuoteData::RowMap queueMap;
        // The maps are those of the book numbered `patchedFrom` with the rows of the levels at
        // these indexes of the side put in at their prices (0: the maps were made otherwise), so
        // that a converted copy of that book's maps follows by converting only these.
        quint64 patchedFrom = 0;
        QVarLengthArray<int, kFullBook / 2> patched;
    };

    // The queued volumes of `level` as they came: little-endian int32 shares, and their count.
    const char* QueuedVolumes(const Level& level) const {
        return body.constData() + level.queuedAt;
    }
    static int QueuedCount(const Level& level) { return level.queuedBytes / kQueuedVolumeBytes; }

    // Whether `level` of this book shows these values and queued volume bytes.
    bool Shows(const Level& level, qint32 price, qint32 volume, qint32 orderCount, bool big,
               const char* queued, int queuedBytes) const {
        return level.price == price && level.volume == volume && level.orderCount == orderCount &&
               level.big == big && level.queuedBytes == queuedBytes &&
               std::memcmp(body.constData() + level.queuedAt, queued, size_t(queuedBytes)) == 0;
    }

    // The level of `side` that shows these values, trying its level `hint` first (a push keeps
    // most levels where they were), or null.
    const Level* Same(const Side& side, int hint, qint32 price, qint32 volume, qint32 orderCount,
                      bool big, const char* queued, int queuedBytes) const {
        if (hint < side.count) {
            const Level& at = levels[side.first + hint];
            if (Shows(at, price, volume, orderCount, big, queued, queuedBytes)) {
                return &at;
            }
        }
        for (int i = side.first; i < side.first + side.count; ++i) {
            const Level& candidate = levels[i];
            if (Shows(candidate, price, volume, orderCount, big, queued, queuedBytes)) {
                return &candidate;
            }
        }
        return nullptr;
    }

    quint64 serial = 0;                        // numbers the process's decoded books, from 1
    QByteArray body;                           // the book's answer body, shared with the answer
    QVarLengthArray<Level, kFullBook> levels;  // buy levels, then sell levels, in book order
    Side buy;
    Side sell;
};

using FastQuoteLevelsPtr = std::shared_ptr<const FastQuoteLevels>;
