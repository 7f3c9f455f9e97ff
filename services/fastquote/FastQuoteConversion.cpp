#include "services/fastquote/FastQuoteConversion.h"

#include <QVarLengthArray>
#include <QtEndian>

#include <charconv>
#include <utility>
#include <vector>

#include "services/fastquote/DecodedFastQuote.h"
#include "services/fastquote/FastQuoteColumns.h"
#include "services/fastquote/FastQuoteRows.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

constexpr int kLotsTextOnStack = 1024;  // chars: a long queue's lots text without a heap buffer

constexpr int kRowsOfBook = 2 * 10 + 2;  // levels of both sides and a filler each

using RowMap = ThousandGearsQuoteData::RowMap;

bool Shares(const DataRow& a, const DataRow& b) {
    return a.GetCells().IsSharedWith(b.GetCells());
}

// The rows one conversion made, by the cells they had as decoded, so that a row stored several
// times (a level row is in its side's vector and map; fillers repeat) is converted once and the
// converted row is shared again. A queue row of the levels the book was decoded from (when known)
// is converted from its volumes as they came.
class ConvertedRows {
public:
    ConvertedRows(int precision, const FastQuoteLevels* levels)
        : precision_(precision), levels_(levels) {}

    DataRow Level(const DataRow& raw) { return Of(raw, false); }
    DataRow Queue(const DataRow& raw) { return Of(raw, true); }

private:
    DataRow Of(const DataRow& raw, bool queue) {
        for (const auto& pair : done_) {
            if (Shares(pair.first, raw)) {
                return pair.second;
            }
        }
        DataRow row = raw;
        if (!queue) {
            FastQuoteConversion::ConvertLevelRow(row, precision_);
        } else if (const FastQuoteLevels::Level* level = DecodedFrom(raw)) {
            FastQuoteConversion::ConvertQueueRow(row, precision_, levels_->QueuedVolumes(*level),
                                                 FastQuoteLevels::QueuedCount(*level));
        } else {
            FastQuoteConversion::ConvertQueueRow(row, precision_);
        }
        done_.append({raw, row});
        return row;
    }

    const FastQuoteLevels::Level* DecodedFrom(const DataRow& queue) const {
        if (levels_ == nullptr) {
            return nullptr;
        }
        for (const FastQuoteLevels::Level& level : levels_->levels) {
            if (Shares(level.queue, queue)) {
                return &level;
            }
        }
        return nullptr;
    }

    const int precision_;
    const FastQuoteLevels* const levels_;
    QVarLengthArray<std::pair<DataRow, DataRow>, kRowsOfBook> done_;  // as decoded, converted
};

using ConvertOne = DataRow (ConvertedRows::*)(const DataRow&);

void ConvertRows(std::vector<DataRow>& rows, ConvertedRows& done) {
    for (DataRow& row : rows) {
        row = done.Level(row);
    }
}

void ConvertMap(RowMap& map, ConvertedRows& done, ConvertOne convert) {
    for (DataRow& row : map) {  // detaches the map once
        row = (done.*convert)(row);
    }
}

// `rows` holds `last` converted; makes it hold `next` converted.
void UpdateRows(std::vector<DataRow>& rows, const std::vector<DataRow>& next,
                const std::vector<DataRow>& last, ConvertedRows& done) {
    rows.resize(next.size());
    for (size_t i = 0; i < next.size(); ++i) {
        if (i >= last.size() || !Shares(next[i], last[i])) {
            rows[i] = done.Level(next[i]);
        }
    }
}

bool SamePrices(const RowMap& a, const RowMap& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (auto x = a.cbegin(), y = b.cbegin(); x != a.cend(); ++x, ++y) {
        if (x.key() != y.key()) {
            return false;
        }
    }
    return true;
}

// How the decoder made a side's map from the last book's: the levels whose rows it put in.
struct SidePatch {
    const FastQuoteLevels* levels = nullptr;  // null: not known
    const FastQuoteLevels::Side* side = nullptr;
    nscell::DataRow FastQuoteLevels::Level::*row = nullptr;  // the map's row of a level
};

// `map` holds `last` converted; makes it hold `next` converted. A map the decoder made from
// `last` by putting in some levels' rows (a typical push) takes those levels' rows converted;
// with the same prices otherwise, only the changed rows are put in; else the map is made anew
// from `next`, rows the last book had at the same price taken over.
void UpdateMap(RowMap& map, const RowMap& next, const RowMap& last, ConvertedRows& done,
               ConvertOne convert, const SidePatch& patch) {
    if (next.isSharedWith(last)) {
        return;
    }
    if (patch.side != nullptr) {
        for (int i : patch.side->patched) {
            const FastQuoteLevels::Level& level = patch.levels->levels[patch.side->first + i];
            map[UnsharedDataCell::FromInteger(level.price)] = (done.*convert)(level.*patch.row);
        }
        return;
    }
    if (SamePrices(next, last)) {
        auto before = last.cbegin();
        for (auto row = next.cbegin(); row != next.cend(); ++row, ++before) {
            if (!Shares(row.value(), before.value())) {
                map[row.key()] = (done.*convert)(row.value());
            }
        }
        return;
    }
    const RowMap converted = map;
    map = next;
    for (auto row = map.begin(); row != map.end(); ++row) {  // detaches the map once
        const auto at = last.constFind(row.key());
        if (at != last.cend() && Shares(row.value(), at.value())) {
            row.value() = converted.value(row.key());
        } else {
            row.value() = (done.*convert)(row.value());
        }
    }
}

// The patch of a side (buy or sell) of `next` when the decoder made it from `last`; else none.
SidePatch PatchOf(const FastQuoteLevels* last, const FastQuoteLevels* next, bool buy,
                  nscell::DataRow FastQuoteLevels::Level::*row) {
    if (last == nullptr || next == nullptr) {
        return {};
    }
    const FastQuoteLevels::Side& side = buy ? next->buy : next->sell;
    return side.patchedFrom == last->serial ? SidePatch{next, &side, row} : SidePatch{};
}

constexpr int kMaxPartChars = 18;  // chars of a part, sign included: any such number fits a qint64
constexpr int kIndexTextMax = 12;  // chars: a comma and any int

// The parts of a comma-separated list of volumes, read in one pass: a part is an optional sign
// and digits, 1 to 18 chars in all; anything else reads as 0. Volumes are written by the decoder,
// so this never meets spaces.
class VolumeList {
public:
    VolumeList(const QChar* text, int size) : text_(text), size_(size) {}

    // The next part's value; false once every part was read (an empty list is one empty part).
    bool Next(qint64& value) {
        if (at_ > size_) {
            return false;
        }
        const int from = at_;
        int i = from;
        bool negative = false;
        if (i < size_ && (text_[i] == QLatin1Char('-') || text_[i] == QLatin1Char('+'))) {
            negative = text_[i] == QLatin1Char('-');
            ++i;
        }
        const int digitsFrom = i;
        bool digitsOnly = true;
        qint64 magnitude = 0;
        for (; i < size_ && text_[i] != QLatin1Char(','); ++i) {
            const ushort c = text_[i].unicode();
            if (c < '0' || c > '9') {
                digitsOnly = false;
            } else if (i - from < kMaxPartChars) {
                magnitude = magnitude * 10 + (c - '0');
            }
        }
        const bool number = digitsOnly && i > digitsFrom && i - from <= kMaxPartChars;
        value = number ? (negative ? -magnitude : magnitude) : 0;
        at_ = i + 1;
        return true;
    }

private:
    const QChar* const text_;
    const int size_;
    int at_ = 0;
};

// Queued volumes as they came on the wire: little-endian int32 shares. An empty queue reads as
// one part, 0, as its empty text does.
class WireVolumeList {
public:
    WireVolumeList(const char* volumes, int count)
        : at_(volumes), left_(count), emptyPart_(count == 0) {}

    bool Next(qint64& value) {
        if (left_ == 0) {
            value = 0;
            return std::exchange(emptyPart_, false);
        }
        value = qFromLittleEndian<qint32>(at_);
        at_ += FastQuoteLevels::kQueuedVolumeBytes;
        --left_;
        return true;
    }

private:
    const char* at_;
    int left_;
    bool emptyPart_;
};

// Sets a queue row's unit and its price at `precision`; returns the raw price.
qint64 ConvertQueuePrice(DataRow& row, int precision) {
    row.Set(fastquote::kVolumeUnit, fastquote::LotUnitCell());
    const qint64 raw = row.Get(fastquote::kWillPrice).ToInt64();
    row.Set(fastquote::kWillPrice, UnsharedDataCell::FromPrice(qint32(raw), precision));
    return raw;
}

// Sets a queue row's volumes in lots and the indexes of its big orders, from its volumes in
// shares as `volumes` reads them; `lotsChars` bounds the lots text.
template <typename Volumes>
void ConvertQueueVolumes(DataRow& row, Volumes volumes, int lotsChars, qint64 rawPrice) {
    QVarLengthArray<char, kLotsTextOnStack> lotsText(lotsChars);
    QVarLengthArray<char, kLotsTextOnStack> bigText;
    char* lots = lotsText.data();
    qint64 volume = 0;
    for (int i = 0; volumes.Next(volume); ++i) {
        const qint64 partLots = volume / fastquote::kSharesPerLot;
        if (i > 0) {
            *lots++ = ',';
        }
        lots = std::to_chars(lots, lotsText.data() + lotsText.size(), partLots).ptr;
        if (FastQuoteConversion::IsBigOrder(partLots, double(partLots) * double(rawPrice))) {
            char index[kIndexTextMax];
            char* end = index;
            if (!bigText.isEmpty()) {
                *end++ = ',';
            }
            end = std::to_chars(end, index + sizeof(index), i).ptr;
            for (const char* c = index; c < end; ++c) {
                bigText.append(*c);  // a char at a time: a few chars, not worth a memcpy call
            }
        }
    }
    row.Set(fastquote::kWillVolumeList,
            UnsharedDataCell(
                QString::fromLatin1(lotsText.constData(), int(lots - lotsText.constData()))));
    row.Set(fastquote::kBigVolumeIndexList,
            UnsharedDataCell(bigText.isEmpty()
                                 ? QString()
                                 : QString::fromLatin1(bigText.constData(), bigText.size())));
}

}  // namespace

bool FastQuoteConversion::IsBigOrder(qint64 lots, double amount) {
    return lots >= kBigLots || amount >= kBigAmount || lots >= kLargeLots ||
           (amount > kLargeAmount && amount < kBigAmount);
}

void FastQuoteConversion::ConvertLevelRow(DataRow& row, int precision) {
    const qint64 raw = row.Get(fastquote::kPrice).ToInt64();
    row.Set(fastquote::kPrice, UnsharedDataCell::FromPrice(qint32(raw), precision));
}

void FastQuoteConversion::ConvertQueueRow(DataRow& row, int precision) {
    const qint64 raw = ConvertQueuePrice(row, precision);
    const QString shares = row.Get(fastquote::kWillVolumeList).ToString();
    // A part's lots are never longer than its shares, except an empty part, which gives "0":
    // at most size + 1 parts, so 2 * size + 1 chars.
    ConvertQueueVolumes(row, VolumeList(shares.constData(), shares.size()), 2 * shares.size() + 1,
                        raw);
}

void FastQuoteConversion::ConvertQueueRow(DataRow& row, int precision, const char* volumes,
                                          int queued) {
    const qint64 raw = ConvertQueuePrice(row, precision);
    ConvertQueueVolumes(row, WireVolumeList(volumes, queued),
                        (queued + 1) * FastQuoteLevels::kQueuedVolumeTextMax, raw);
}

void FastQuoteConversion::ConvertBook(WillsQuoteData& wills, ThousandGearsQuoteData& gears,
                                      int precision, const FastQuoteLevels* levels) {
    ConvertedRows done(precision, levels);
    ConvertRows(wills.buy_rows, done);
    ConvertRows(wills.sell_rows, done);
    ConvertMap(gears.buy_levels, done, &ConvertedRows::Level);
    ConvertMap(gears.sell_levels, done, &ConvertedRows::Level);
    ConvertMap(gears.buy_queues, done, &ConvertedRows::Queue);
    ConvertMap(gears.sell_queues, done, &ConvertedRows::Queue);
}

void FastQuoteConversion::UpdateBook(const ResponsePkgEntity_12989& last,
                                     const ResponsePkgEntity_12989& next, int precision,
                                     WillsQuoteData& wills, ThousandGearsQuoteData& gears) {
    const FastQuoteLevels* lastLevels = DecodedLevelsOf(last);
    const FastQuoteLevels* nextLevels = DecodedLevelsOf(next);
    ConvertedRows done(precision, nextLevels);
    UpdateRows(wills.buy_rows, next.wills.buy_rows, last.wills.buy_rows, done);
    UpdateRows(wills.sell_rows, next.wills.sell_rows, last.wills.sell_rows, done);
    const ThousandGearsQuoteData& n = next.gears;
    const ThousandGearsQuoteData& l = last.gears;
    using Level = FastQuoteLevels::Level;
    UpdateMap(gears.buy_levels, n.buy_levels, l.buy_levels, done, &ConvertedRows::Level,
              PatchOf(lastLevels, nextLevels, true, &Level::level));
    UpdateMap(gears.sell_levels, n.sell_levels, l.sell_levels, done, &ConvertedRows::Level,
              PatchOf(lastLevels, nextLevels, false, &Level::level));
    UpdateMap(gears.buy_queues, n.buy_queues, l.buy_queues, done, &ConvertedRows::Queue,
              PatchOf(lastLevels, nextLevels, true, &Level::queue));
    UpdateMap(gears.sell_queues, n.sell_queues, l.sell_queues, done, &ConvertedRows::Queue,
              PatchOf(lastLevels, nextLevels, false, &Level::queue));
}
