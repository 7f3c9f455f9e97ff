#include "services/fastquote/FastQuoteConversion.h"

#include <QVarLengthArray>

#include <algorithm>
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

constexpr int kMaxDigits = 18;  // digits: any such number fits a qint64

// The decimal value of text[from, to): an optional sign and 1..18 digits; anything else is not a
// number and reads as 0. Volumes are written by the decoder, so this never meets spaces.
qint64 ParseVolume(const QChar* text, int from, int to) {
    bool negative = false;
    if (from < to && (text[from] == QLatin1Char('-') || text[from] == QLatin1Char('+'))) {
        negative = text[from] == QLatin1Char('-');
        ++from;
    }
    if (from >= to || to - from > kMaxDigits) {
        return 0;
    }
    qint64 value = 0;
    for (int i = from; i < to; ++i) {
        const ushort c = text[i].unicode();
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

int DecimalDigits(int value) {
    int digits = 1;
    for (; value >= 10; value /= 10) {
        ++digits;
    }
    return digits;
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
    row.Set(fastquote::kVolumeUnit, fastquote::LotUnitCell());
    const qint64 raw = row.Get(fastquote::kWillPrice).ToInt64();
    row.Set(fastquote::kWillPrice, UnsharedDataCell::FromPrice(qint32(raw), precision));

    const QString shares = row.Get(fastquote::kWillVolumeList).ToString();
    const QChar* text = shares.constData();
    const int size = shares.size();
    // A part's lots are never longer than its shares, except an empty part, which gives "0":
    // at most size + 1 parts, so 2 * size + 1 chars. An index is never longer than the count of
    // parts.
    const int parts = int(std::count(text, text + size, QLatin1Char(','))) + 1;
    QVarLengthArray<char, kLotsTextOnStack> lotsText(2 * size + 1);
    QVarLengthArray<char, kLotsTextOnStack> bigText(parts * (DecimalDigits(parts) + 1));
    char* lots = lotsText.data();
    char* big = bigText.data();
    int start = 0;
    for (int i = 0;; ++i) {
        int end = start;
        while (end < size && text[end] != QLatin1Char(',')) {
            ++end;
        }
        const qint64 partLots = ParseVolume(text, start, end) / fastquote::kSharesPerLot;
        if (i > 0) {
            *lots++ = ',';
        }
        lots = std::to_chars(lots, lotsText.data() + lotsText.size(), partLots).ptr;
        if (IsBigOrder(partLots, double(partLots) * double(raw))) {
            if (big != bigText.data()) {
                *big++ = ',';
            }
            big = std::to_chars(big, bigText.data() + bigText.size(), i).ptr;
        }
        if (end == size) {
            break;
        }
        start = end + 1;
    }
    row.Set(fastquote::kWillVolumeList,
            UnsharedDataCell(
                QString::fromLatin1(lotsText.constData(), int(lots - lotsText.constData()))));
    row.Set(fastquote::kBigVolumeIndexList,
            UnsharedDataCell(
                big == bigText.data()
                    ? QString()
                    : QString::fromLatin1(bigText.constData(), int(big - bigText.constData()))));
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
