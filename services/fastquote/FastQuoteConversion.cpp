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

constexpr int kNumberTextMax = 24;      // chars: any qint64 and a comma
constexpr int kLotsTextOnStack = 1024;  // chars: a long queue's lots text without a heap buffer

// Remembers rows already converted, by the cells they shared before conversion, so that a row
// stored several times is converted once and stays shared.
class ConvertedRows {
public:
    template <typename Convert>
    void Apply(DataRow& row, Convert convert) {
        for (const auto& done : done_) {
            if (done.first.GetCells().IsSharedWith(row.GetCells())) {
                row = done.second;
                return;
            }
        }
        const DataRow original = row;
        convert(row);
        done_.emplace_back(original, row);
    }

private:
    std::vector<std::pair<DataRow, DataRow>> done_;
};

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

void AppendNumber(QString& text, qint64 value) {
    char digits[kNumberTextMax];
    const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
    text.append(QLatin1String(digits, int(end - digits)));
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
    // at most size + 1 parts, so 2 * size + 1 chars.
    QVarLengthArray<char, kLotsTextOnStack> lotsText(2 * size + 1);
    char* out = lotsText.data();
    char* const limit = out + lotsText.size();
    QString bigIndexes;
    int start = 0;
    for (int i = 0;; ++i) {
        int end = start;
        while (end < size && text[end] != QLatin1Char(',')) {
            ++end;
        }
        const qint64 lots = ParseVolume(text, start, end) / fastquote::kSharesPerLot;
        if (i > 0) {
            *out++ = ',';
        }
        out = std::to_chars(out, limit, lots).ptr;
        if (IsBigOrder(lots, double(lots) * double(raw))) {
            if (!bigIndexes.isEmpty()) {
                bigIndexes.append(QLatin1Char(','));
            }
            AppendNumber(bigIndexes, i);
        }
        if (end == size) {
            break;
        }
        start = end + 1;
    }
    row.Set(fastquote::kWillVolumeList,
            UnsharedDataCell(
                QString::fromLatin1(lotsText.constData(), int(out - lotsText.constData()))));
    row.Set(fastquote::kBigVolumeIndexList, UnsharedDataCell(bigIndexes));
}

void FastQuoteConversion::ConvertBook(WillsQuoteData& wills, ThousandGearsQuoteData& gears,
                                      int precision) {
    const auto level = [precision](DataRow& row) { ConvertLevelRow(row, precision); };
    const auto queue = [precision](DataRow& row) { ConvertQueueRow(row, precision); };
    ConvertedRows levels;
    ConvertedRows queues;
    for (DataRow& row : wills.buy_rows) {
        levels.Apply(row, level);
    }
    for (DataRow& row : wills.sell_rows) {
        levels.Apply(row, level);
    }
    for (DataRow& row : gears.buy_levels) {
        levels.Apply(row, level);
    }
    for (DataRow& row : gears.sell_levels) {
        levels.Apply(row, level);
    }
    for (DataRow& row : gears.buy_queues) {
        queues.Apply(row, queue);
    }
    for (DataRow& row : gears.sell_queues) {
        queues.Apply(row, queue);
    }
}
