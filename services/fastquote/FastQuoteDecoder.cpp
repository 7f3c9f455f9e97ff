#include "services/fastquote/FastQuoteDecoder.h"

#include <algorithm>
#include <charconv>

#include <QVarLengthArray>

#include "framework/Log.h"
#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"
#include "services/fastquote/FastQuoteColumns.h"
#include "services/fastquote/FastQuoteRows.h"
#include "framework/DecodeResult.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

constexpr int kLevelRecordMinBytes = 16;  // bytes: price, volume, order count, big flag, K
constexpr int kQueuedVolumeBytes = 4;     // bytes: one queued order volume
constexpr int kVolumeTextMax = 12;        // chars: "-2147483648" and a comma
constexpr int kQueueTextOnStack = 1024;   // chars: 85 queued orders of the longest text

// The K queued order volumes of a level, as decimal text joined by ",": formatted into a buffer
// on the stack (on the heap only for very long queues), then made into one exactly sized string.
QString ReadQueuedVolumes(CMemArchive& in, int queued) {
    wire::RequireItems(in, queued, kQueuedVolumeBytes);
    QVarLengthArray<char, kQueueTextOnStack> text(queued * kVolumeTextMax);
    char* out = text.data();
    char* const limit = out + text.size();
    for (int i = 0; i < queued; ++i) {
        const qint32 volume = in.Read<qint32>();  // queued order volume
        if (i > 0) {
            *out++ = ',';
        }
        out = std::to_chars(out, limit, volume).ptr;
    }
    return QString::fromLatin1(text.constData(), int(out - text.constData()));
}

// Reads `count` level records of one side into its rows vector and its two maps, then pads the
// side with filler levels keyed 0, 1, ... up to the shown levels.
void ReadSide(CMemArchive& in, int count, const QString& type, std::vector<DataRow>& rows,
              ThousandGearsQuoteData::RowMap& levels, ThousandGearsQuoteData::RowMap& queues) {
    rows.reserve(std::max(count, FastQuoteDecoder::kShownLevels));
    for (int i = 0; i < count; ++i) {
        const qint32 price = in.Read<qint32>();
        const qint32 volume = in.Read<qint32>();
        const qint32 orderCount = in.Read<qint32>();
        const quint16 bigFlag = in.Read<quint16>();
        const quint16 queued = in.Read<quint16>();
        const QString volumes = ReadQueuedVolumes(in, queued);

        const DataRow level = fastquote::MakeLevelRow(type, price, volume, bigFlag != 0 ? 1 : 0);
        const UnsharedDataCell key = UnsharedDataCell::FromInteger(price);
        levels.insert(key, level);
        queues.insert(key, fastquote::MakeQueueRow(type, price, orderCount, volumes));
        rows.push_back(level);
    }
    if (count >= FastQuoteDecoder::kShownLevels) {
        return;
    }
    // Every filler of a side is the same row, so they share one copy.
    const DataRow fillerLevel = fastquote::MakeFillerLevelRow(type);
    const DataRow fillerQueue = fastquote::MakeFillerQueueRow(type);
    for (int j = 0; j < FastQuoteDecoder::kShownLevels - count; ++j) {
        const UnsharedDataCell key = UnsharedDataCell::FromInteger(j);
        levels.insert(key, fillerLevel);
        queues.insert(key, fillerQueue);
        rows.push_back(fillerLevel);
    }
}

}  // namespace

bool FastQuoteDecoder::Decode(const QByteArray& body, ResponsePkgEntity_12989& entity,
                              QString& code, QString* why, int* consumed) {
    WillsQuoteData wills;
    ThousandGearsQuoteData gears;
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
        ReadSide(in, buyCount, fastquote::kBuy, wills.buy_rows, gears.buy_levels, gears.buy_queues);
        ReadSide(in, sellCount, fastquote::kSell, wills.sell_rows, gears.sell_levels,
                 gears.sell_queues);
        const qint8 fastTenFlag = in.Read<qint8>();

        entity.wills = std::move(wills);
        entity.gears = std::move(gears);
        entity.fast_ten_flag = fastTenFlag;
        code = bodyCode;
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
