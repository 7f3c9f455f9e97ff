#include "tools/views/BookView.h"

namespace qzviews {

namespace {

using nscell::DataRow;
using nscell::UnsharedDataCell;

constexpr qint64 kLotShares = 100;  // shares
const char kFastQuoteScopeType[] = "l2_fast_quote";
const QString kNone = QStringLiteral("--");

const DataRow* QueueRowFor(const ThousandGearsQuoteData::RowMap& queues, qint64 rawPrice) {
    auto it = queues.constFind(UnsharedDataCell::FromInteger(rawPrice));
    return it == queues.constEnd() ? nullptr : &it.value();
}

QList<qint64> SplitNumbers(const QString& text) {
    QList<qint64> numbers;
    if (!text.isEmpty()) {
        for (const QString& part : text.split(QLatin1Char(','))) {
            numbers << part.toLongLong();
        }
    }
    return numbers;
}

BookLevel MakeLevel(const QString& label, const DataRow* level,
                    const ThousandGearsQuoteData::RowMap& queues, bool converted) {
    BookLevel out;
    out.label = label;
    if (level == nullptr) {
        return out;
    }
    const UnsharedDataCell price = level->Get(QStringLiteral("price"));
    const qint64 volume = level->Get(QStringLiteral("vol")).ToInt64();
    out.filler = price.ToInt64() == 0 && volume == 0;
    if (out.filler) {
        return out;
    }
    out.price = price.DisplayText();
    out.lots = volume / kLotShares;
    if (const DataRow* queue = QueueRowFor(queues, price.ToInt64())) {
        out.orders = queue->Get(QStringLiteral("total_will_count")).ToInt64();
        out.queue = SplitNumbers(queue->Get(QStringLiteral("will_volume_list")).ToString());
        if (converted) {
            for (qint64 i :
                 SplitNumbers(queue->Get(QStringLiteral("big_volumeindex_list")).ToString())) {
                out.big.insert(int(i));
            }
        }
    }
    return out;
}

const DataRow* RowAt(const std::vector<DataRow>& rows, int i) {
    return i < int(rows.size()) ? &rows[size_t(i)] : nullptr;
}

}  // namespace

bool BookLevel::operator==(const BookLevel& o) const {
    return label == o.label && filler == o.filler && price == o.price && lots == o.lots &&
           orders == o.orders && queue == o.queue && big == o.big;
}

bool Book::IsComplete() const {
    return has_book && converted && prev_close != kNone;
}

bool Book::operator==(const Book& o) const {
    return has_book == o.has_book && converted == o.converted && prev_close == o.prev_close &&
           fast_ten == o.fast_ten && sells == o.sells && buys == o.buys;
}

Book ReadBook(const ResponsePkgEntity_12989* data) {
    Book book;
    book.has_book = data != nullptr;
    book.prev_close = kNone;
    if (data == nullptr) {
        return book;
    }
    const UnsharedDataCell prev = data->wills.summary.Get(QStringLiteral("prev_price_base"));
    if (!prev.IsEmpty()) {
        book.prev_close = prev.DisplayText();
    }
    const DataRow* first = RowAt(data->wills.buy_rows, 0);
    if (first == nullptr) {
        first = RowAt(data->wills.sell_rows, 0);
    }
    book.converted = first != nullptr &&
                     first->Get(QStringLiteral("price")).kind() == UnsharedDataCell::Kind::Price;
    book.fast_ten = data->fast_ten_flag;
    for (int i = 0; i < kBookLevels; ++i) {
        book.sells << MakeLevel(QStringLiteral("sell %1").arg(i + 1),
                                RowAt(data->wills.sell_rows, i), data->gears.sell_queues,
                                book.converted);
        book.buys << MakeLevel(QStringLiteral("buy %1").arg(i + 1), RowAt(data->wills.buy_rows, i),
                               data->gears.buy_queues, book.converted);
    }
    return book;
}

QList<ScopeTreeNode> BookView::Request(const QString& code) {
    return {RootFor(ScopeTypeVariant(kFastQuoteScopeType), code, node_id_)};
}

void BookView::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(node_id_);
    SetBook(ReadBook(node ? dynamic_cast<const ResponsePkgEntity_12989*>(node->quote_data.data())
                          : nullptr));
}

void BookView::SetBook(const Book& book) {
    if (book != book_) {
        book_ = book;
        Changed();
    }
}

QStringList BookView::Missing() const {
    if (!book_.has_book) {
        return {QStringLiteral("order book")};
    }
    if (!book_.IsComplete()) {
        return {QStringLiteral("price precision and previous close")};
    }
    return {};
}

}  // namespace qzviews
