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
// stored several times is converted once and stays shared; rows converted by the node's last
// conversion (`previous`) are taken over without converting them again.
class ConvertedRows {
public:
    using RowPairs = FastQuoteConvertedBook::RowPairs;

    ConvertedRows(const RowPairs* previous, RowPairs& done) : previous_(previous), done_(done) {}

    template <typename Convert>
    void Apply(DataRow& row, Convert convert) {
        if (const DataRow* converted = Find(done_, row, done_.size())) {
            row = *converted;
            return;
        }
        const DataRow* earlier =
            previous_ != nullptr ? Find(*previous_, row, done_.size()) : nullptr;
        DataRow original = row;
        if (earlier != nullptr) {
            row = *earlier;
        } else {
            convert(row);
        }
        done_.emplace_back(std::move(original), row);
    }

    // Notes a conversion taken over with a whole map, for the next book's rows to find.
    void Note(const DataRow& raw, const DataRow& converted) { done_.emplace_back(raw, converted); }

private:
    // The converted form of `raw` in `pairs`, trying position `hint` first (a book's rows mostly
    // come in the order of the last book's).
    static const DataRow* Find(const RowPairs& pairs, const DataRow& raw, size_t hint) {
        if (hint < pairs.size() && pairs[hint].first.GetCells().IsSharedWith(raw.GetCells())) {
            return &pairs[hint].second;
        }
        for (const auto& pair : pairs) {
            if (pair.first.GetCells().IsSharedWith(raw.GetCells())) {
                return &pair.second;
            }
        }
        return nullptr;
    }

    const RowPairs* previous_;
    RowPairs& done_;
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
    std::shared_ptr<const FastQuoteConvertedBook> unused;
    ConvertBook(wills, gears, precision, nullptr, unused);
}

void FastQuoteConversion::ConvertBook(WillsQuoteData& wills, ThousandGearsQuoteData& gears,
                                      int precision, const FastQuoteConvertedBook* previous,
                                      std::shared_ptr<const FastQuoteConvertedBook>& next) {
    if (previous != nullptr && previous->precision != precision) {
        previous = nullptr;
    }
    auto book = std::make_shared<FastQuoteConvertedBook>();
    book->precision = precision;
    constexpr size_t kRowsOfBook = 2 * 10 + 2;  // levels of both sides and a filler each
    book->levels.reserve(kRowsOfBook);
    book->queues.reserve(kRowsOfBook);
    const auto level = [precision](DataRow& row) { ConvertLevelRow(row, precision); };
    const auto queue = [precision](DataRow& row) { ConvertQueueRow(row, precision); };
    ConvertedRows levels(previous != nullptr ? &previous->levels : nullptr, book->levels);
    ConvertedRows queues(previous != nullptr ? &previous->queues : nullptr, book->queues);
    for (DataRow& row : wills.buy_rows) {
        levels.Apply(row, level);
    }
    for (DataRow& row : wills.sell_rows) {
        levels.Apply(row, level);
    }
    ThousandGearsQuoteData::RowMap* maps[FastQuoteConvertedBook::kMaps] = {
        &gears.buy_levels, &gears.sell_levels, &gears.buy_queues, &gears.sell_queues};
    for (int i = 0; i < FastQuoteConvertedBook::kMaps; ++i) {
        ThousandGearsQuoteData::RowMap& map = *maps[i];
        book->raw[i] = map;
        if (previous != nullptr && map.isSharedWith(previous->raw[i])) {
            map = previous->converted[i];
            if (i >= 2) {  // queue rows live only in the maps: note them for the next book
                for (auto raw = book->raw[i].cbegin(), done = map.cbegin();
                     raw != book->raw[i].cend(); ++raw, ++done) {
                    queues.Note(raw.value(), done.value());
                }
            }
        } else {
            for (DataRow& row : map) {
                if (i < 2) {
                    levels.Apply(row, level);
                } else {
                    queues.Apply(row, queue);
                }
            }
        }
        book->converted[i] = map;
    }
    next = std::move(book);
}
