#include "services/fastquote/FastQuoteDecoder.h"

#include <algorithm>
#include <atomic>
#include <charconv>

#include <QVarLengthArray>
#include <QtEndian>

#include "framework/DecodeResult.h"
#include "framework/Log.h"
#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"
#include "services/fastquote/FastQuoteColumns.h"
#include "services/fastquote/FastQuoteRows.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

constexpr int kLevelRecordMinBytes = 16;  // bytes: price, volume, order count, big flag, K
constexpr int kQueuedVolumeBytes = FastQuoteLevels::kQueuedVolumeBytes;
constexpr int kQueueTextOnStack = 1024;  // chars: 85 queued orders of the longest text

// The K queued order volumes of a level at `volumes`, as decimal text joined by ",", formatted
// into a buffer on the stack (on the heap only for very long queues). The caller has checked that
// the K volumes are there.
QString QueuedVolumesText(const char* volumes, int queued) {
    QVarLengthArray<char, kQueueTextOnStack> text(queued * FastQuoteLevels::kQueuedVolumeTextMax);
    char* out = text.data();
    char* const limit = out + text.size();
    for (int i = 0; i < queued; ++i) {
        const auto volume = qFromLittleEndian<qint32>(volumes + i * kQueuedVolumeBytes);
        if (i > 0) {
            *out++ = ',';
        }
        out = std::to_chars(out, limit, volume).ptr;
    }
    return QString::fromLatin1(text.constData(), int(out - text.constData()));
}

// The filler rows of a side: every filler of every book is the same row, so they share one.
const DataRow& FillerLevel(const QString& type) {
    static const DataRow buy = fastquote::MakeFillerLevelRow(fastquote::kBuy);
    static const DataRow sell = fastquote::MakeFillerLevelRow(fastquote::kSell);
    return type == fastquote::kBuy ? buy : sell;
}

const DataRow& FillerQueue(const QString& type) {
    static const DataRow buy = fastquote::MakeFillerQueueRow(fastquote::kBuy);
    static const DataRow sell = fastquote::MakeFillerQueueRow(fastquote::kSell);
    return type == fastquote::kBuy ? buy : sell;
}

// One side of the book being decoded, and what the stock's last book had on that side.
struct SideDecode {
    const QString& type;
    const FastQuoteLevels* previous;  // null: nothing to take over
    const FastQuoteLevels::Side* previousSide;
    std::vector<DataRow>& rows;
    ThousandGearsQuoteData::RowMap& levelMap;
    ThousandGearsQuoteData::RowMap& queueMap;
};

// Reads the level record at `index` of a side. A level whose values and queued bytes equal one
// of the last book's levels of the side takes over that level's rows; any other is made into rows.
FastQuoteLevels::Level ReadLevel(CMemArchive& in, const SideDecode& side, int index) {
    const qint32 price = in.Read<qint32>();       // price
    const qint32 volume = in.Read<qint32>();      // volume
    const qint32 orderCount = in.Read<qint32>();  // order count
    const bool big = in.Read<quint16>() != 0;     // big flag
    const quint16 queued = in.Read<quint16>();    // queued order count K
    wire::RequireItems(in, queued, kQueuedVolumeBytes);
    const int queuedAt = in.Position();
    const int queuedBytes = queued * kQueuedVolumeBytes;
    const char* volumes = in.TryRead(queuedBytes) - queuedBytes;  // K order volumes
    const FastQuoteLevels::Level* same =
        side.previous == nullptr ? nullptr
                                 : side.previous->Same(*side.previousSide, index, price, volume,
                                                       orderCount, big, volumes, queuedBytes);
    if (same != nullptr) {
        FastQuoteLevels::Level taken = *same;
        taken.queuedAt = queuedAt;  // the same bytes, in this book's body
        return taken;
    }
    return {
        price,
        volume,
        orderCount,
        big,
        queuedAt,
        queuedBytes,
        fastquote::MakeLevelRow(side.type, price, volume, big ? 1 : 0),
        fastquote::MakeQueueRow(side.type, price, orderCount, QueuedVolumesText(volumes, queued))};
}

// Fills a side's two maps from its levels (a later level with the same price replaces the
// earlier) and the filler levels keyed 0, 1, ... up to the shown levels.
void FillMaps(const FastQuoteLevels& next, const FastQuoteLevels::Side& range,
              const SideDecode& side) {
    for (int i = range.first; i < range.first + range.count; ++i) {
        const FastQuoteLevels::Level& level = next.levels[i];
        const UnsharedDataCell key = UnsharedDataCell::FromInteger(level.price);
        side.levelMap.insert(key, level.level);
        side.queueMap.insert(key, level.queue);
    }
    for (int j = 0; j < FastQuoteDecoder::kShownLevels - range.count; ++j) {
        const UnsharedDataCell key = UnsharedDataCell::FromInteger(j);
        side.levelMap.insert(key, FillerLevel(side.type));
        side.queueMap.insert(key, FillerQueue(side.type));
    }
}

// Whether FillMaps lets a filler win the map entries of a level at `price`: a side of `count`
// levels has fillers keyed 0 .. kShownLevels - count - 1, put in after the levels.
bool FillerKeyed(qint32 price, int count) {
    return price >= 0 && price < FastQuoteDecoder::kShownLevels - count;
}

// A side whose levels have the last book's prices, in the same order, while some of them changed
// (a typical push): the last book's maps, with the changed levels' rows put in at their prices.
// The maps are copied whole rather than built key by key. A changed level whose price a later
// level repeats, or a filler's key, is left out, as FillMaps would leave it. False (nothing done)
// for any other side.
bool PatchMaps(const FastQuoteLevels& next, FastQuoteLevels::Side& range, const SideDecode& side) {
    if (side.previous == nullptr || side.previousSide->count != range.count) {
        return false;
    }
    const auto& before = side.previous->levels;
    const int first = range.first;
    const int previousFirst = side.previousSide->first;
    const int count = range.count;
    for (int i = 0; i < count; ++i) {
        if (next.levels[first + i].price != before[previousFirst + i].price) {
            return false;
        }
    }
    side.levelMap = side.previousSide->levelMap;
    side.queueMap = side.previousSide->queueMap;
    for (int i = 0; i < count; ++i) {
        const FastQuoteLevels::Level& level = next.levels[first + i];
        if (level.level.GetCells().IsSharedWith(before[previousFirst + i].level.GetCells())) {
            continue;
        }
        bool repeated = false;
        for (int j = i + 1; j < count && !repeated; ++j) {
            repeated = next.levels[first + j].price == level.price;
        }
        if (!repeated && !FillerKeyed(level.price, range.count)) {
            const UnsharedDataCell key = UnsharedDataCell::FromInteger(level.price);
            side.levelMap.insert(key, level.level);
            side.queueMap.insert(key, level.queue);
            range.patched.append(i);
        }
    }
    range.patchedFrom = side.previous->serial;
    return true;
}

// Reads `count` level records of one side into its rows vector and its two maps, pads the side
// with filler levels up to the shown levels, and notes the side in `next`. A side whose levels
// are all the last book's, in the same order, shares the last book's maps.
void ReadSide(CMemArchive& in, int count, const SideDecode& side, FastQuoteLevels& next,
              FastQuoteLevels::Side& nextSide) {
    nextSide.first = next.levels.size();
    nextSide.count = count;
    side.rows.reserve(std::max(count, FastQuoteDecoder::kShownLevels));
    bool unchanged = side.previous != nullptr && side.previousSide->count == count;
    for (int i = 0; i < count; ++i) {
        next.levels.push_back(ReadLevel(in, side, i));
        const FastQuoteLevels::Level& level = next.levels.back();
        side.rows.push_back(level.level);
        unchanged =
            unchanged && level.level.GetCells().IsSharedWith(
                             side.previous->levels[side.previousSide->first + i].level.GetCells());
    }
    for (int j = count; j < FastQuoteDecoder::kShownLevels; ++j) {
        side.rows.push_back(FillerLevel(side.type));
    }
    if (unchanged) {
        side.levelMap = side.previousSide->levelMap;
        side.queueMap = side.previousSide->queueMap;
        nextSide.patchedFrom = side.previous->serial;  // with nothing put in
    } else if (!PatchMaps(next, nextSide, side)) {
        FillMaps(next, nextSide, side);
    }
    nextSide.levelMap = side.levelMap;
    nextSide.queueMap = side.queueMap;
}

}  // namespace

bool FastQuoteDecoder::Decode(const QByteArray& body, ResponsePkgEntity_12989& entity,
                              QString& code, QString* why, int* consumed) {
    FastQuoteLevelsPtr unused;
    return DecodeNext(body, nullptr, entity, code, unused, why, consumed);
}

bool FastQuoteDecoder::DecodeNext(const QByteArray& body, const FastQuoteLevels* previous,
                                  ResponsePkgEntity_12989& entity, QString& code,
                                  FastQuoteLevelsPtr& levels, QString* why, int* consumed) {
    WillsQuoteData wills;
    ThousandGearsQuoteData gears;
    static std::atomic<quint64> books{0};
    auto next = std::make_shared<FastQuoteLevels>();
    next->serial = ++books;
    next->body = body;
    try {
        CMemArchive in(body);
        in.Skip(4);                                     // not interpreted
        in.Skip(4);                                     // not interpreted
        const QString bodyCode = wire::ReadString(in);  // stock code
        in.Skip(4);                                     // not interpreted
        in.Skip(2);                                     // not interpreted
        const quint16 buyCount = in.Read<quint16>();
        const quint16 sellCount = in.Read<quint16>();
        wire::RequireItems(in, qint64(buyCount) + sellCount, kLevelRecordMinBytes);
        next->levels.reserve(int(buyCount) + sellCount);
        ReadSide(in, buyCount,
                 SideDecode{fastquote::kBuy, previous, previous ? &previous->buy : nullptr,
                            wills.buy_rows, gears.buy_levels, gears.buy_queues},
                 *next, next->buy);
        ReadSide(in, sellCount,
                 SideDecode{fastquote::kSell, previous, previous ? &previous->sell : nullptr,
                            wills.sell_rows, gears.sell_levels, gears.sell_queues},
                 *next, next->sell);
        const qint8 fastTenFlag = in.Read<qint8>();

        entity.wills = std::move(wills);
        entity.gears = std::move(gears);
        entity.fast_ten_flag = fastTenFlag;
        code = bodyCode;
        levels = std::move(next);
        if (consumed != nullptr) {
            *consumed = in.Position();
        }
        return true;
    } catch (const CMemArchiveError& error) {
        qzlog::Warning("lv2-12989", "FastQuoteDecoder::Decode: function", kFunctionId,
                       "body rejected: offset", error.offset(), "wanted", error.wanted(),
                       "bytes of", error.size());
        if (why != nullptr) {
            *why = DescribeShortBody("FastQuoteDecoder::Decode", error);
        }
        return false;
    }
}
