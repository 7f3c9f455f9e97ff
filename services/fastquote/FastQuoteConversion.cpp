#include "services/fastquote/FastQuoteConversion.h"

#include <QVarLengthArray>

#include <charconv>
#include <utility>
#include <vector>

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
// converted row is shared again.
class ConvertedRows {
public:
    explicit ConvertedRows(int precision) : precision_(precision) {}

    DataRow Level(const DataRow& raw) { return Of(raw, &FastQuoteConversion::ConvertLevelRow); }
    DataRow Queue(const DataRow& raw) { return Of(raw, &FastQuoteConversion::ConvertQueueRow); }

private:
    DataRow Of(const DataRow& raw, void (*convert)(DataRow&, int)) {
        for (const auto& pair : done_) {
            if (Shares(pair.first, raw)) {
                return pair.second;
            }
        }
        DataRow row = raw;
        convert(row, precision_);
        done_.append({raw, row});
        return row;
    }

    const int precision_;
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

// `map` holds `last` converted; makes it hold `next` converted. With the same prices (a typical
// push) only the changed rows are put in; otherwise the map is made anew from `next`, rows the
// last book had at the same price taken over.
void UpdateMap(RowMap& map, const RowMap& next, const RowMap& last, ConvertedRows& done,
               ConvertOne convert) {
    if (next.isSharedWith(last)) {
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
    row.Set(fastquote::kVolumeUnit, fastquote::LotUnitCell());
    const qint64 raw = row.Get(fastquote::kWillPrice).ToInt64();
    row.Set(fastquote::kWillPrice, UnsharedDataCell::FromPrice(qint32(raw), precision));

    const QString shares = row.Get(fastquote::kWillVolumeList).ToString();
    // A part's lots are never longer than its shares, except an empty part, which gives "0":
    // at most size + 1 parts, so 2 * size + 1 chars.
    QVarLengthArray<char, kLotsTextOnStack> lotsText(2 * shares.size() + 1);
    QVarLengthArray<char, kLotsTextOnStack> bigText;
    char* lots = lotsText.data();
    VolumeList volumes(shares.constData(), shares.size());
    qint64 volume = 0;
    for (int i = 0; volumes.Next(volume); ++i) {
        const qint64 partLots = volume / fastquote::kSharesPerLot;
        if (i > 0) {
            *lots++ = ',';
        }
        lots = std::to_chars(lots, lotsText.data() + lotsText.size(), partLots).ptr;
        if (IsBigOrder(partLots, double(partLots) * double(raw))) {
            char index[kIndexTextMax];
            char* end = index;
            if (!bigText.isEmpty()) {
                *end++ = ',';
            }
            end = std::to_chars(end, index + sizeof(index), i).ptr;
            bigText.append(index, int(end - index));
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

void FastQuoteConversion::ConvertBook(WillsQuoteData& wills, ThousandGearsQuoteData& gears,
                                      int precision) {
    ConvertedRows done(precision);
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
    ConvertedRows done(precision);
    UpdateRows(wills.buy_rows, next.wills.buy_rows, last.wills.buy_rows, done);
    UpdateRows(wills.sell_rows, next.wills.sell_rows, last.wills.sell_rows, done);
    const ThousandGearsQuoteData& n = next.gears;
    const ThousandGearsQuoteData& l = last.gears;
    UpdateMap(gears.buy_levels, n.buy_levels, l.buy_levels, done, &ConvertedRows::Level);
    UpdateMap(gears.sell_levels, n.sell_levels, l.sell_levels, done, &ConvertedRows::Level);
    UpdateMap(gears.buy_queues, n.buy_queues, l.buy_queues, done, &ConvertedRows::Queue);
    UpdateMap(gears.sell_queues, n.sell_queues, l.sell_queues, done, &ConvertedRows::Queue);
}
