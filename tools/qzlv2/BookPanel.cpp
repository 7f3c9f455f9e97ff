#include "tools/qzlv2/BookPanel.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace qzlv2 {

namespace {

using nscell::DataRow;
using nscell::UnsharedDataCell;

constexpr qint64 kLotShares = 100;  // shares
constexpr int kFrameLines = 2;      // the column heads and the line between the sides
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

QString QueueText(const BookLevel& level, int width) {
    QString text;
    for (int i = 0; i < level.queue.size(); ++i) {
        const QString number = QString::number(level.queue[i]);
        const QString item = level.big.contains(i) ? QStringLiteral("*%1*").arg(number) : number;
        const QString more = QStringLiteral(" +%1").arg(level.queue.size() - i);
        const bool last = i + 1 == level.queue.size();
        if (width > 0 && text.size() + 1 + item.size() + (last ? 0 : more.size()) > width) {
            return text + more;
        }
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + item;
    }
    return text;
}

QString LevelLine(const BookLevel& level, int width) {
    const QString head = level.label.leftJustified(8);
    if (level.filler) {
        return head + kNone.rightJustified(10);
    }
    const QString columns = head + level.price.rightJustified(10) +
                            QString::number(level.lots).rightJustified(10) +
                            QString::number(level.orders).rightJustified(8) + QStringLiteral("  ");
    const int left = width > 0 ? std::max(10, width - int(columns.size())) : 0;
    return columns + QueueText(level, left);
}

QJsonArray LevelsJson(const QVector<BookLevel>& levels) {
    QJsonArray array;
    for (const BookLevel& l : levels) {
        if (l.filler) {
            array.append(QJsonValue());
            continue;
        }
        QJsonArray queue;
        for (qint64 v : l.queue) {
            queue.append(v);
        }
        QJsonArray big;
        QList<int> positions = l.big.values();
        std::sort(positions.begin(), positions.end());
        for (int i : positions) {
            big.append(i);
        }
        array.append(QJsonObject{{"price", l.price},
                                 {"lots", l.lots},
                                 {"orders", l.orders},
                                 {"queue", queue},
                                 {"big", big}});
    }
    return array;
}

}  // namespace

bool Book::IsComplete() const {
    return has_book && converted && prev_close != kNone;
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
    for (int i = 0; i < BookPanel::kMaxLevels; ++i) {
        book.sells << MakeLevel(QStringLiteral("sell %1").arg(i + 1),
                                RowAt(data->wills.sell_rows, i), data->gears.sell_queues,
                                book.converted);
        book.buys << MakeLevel(QStringLiteral("buy %1").arg(i + 1), RowAt(data->wills.buy_rows, i),
                               data->gears.buy_queues, book.converted);
    }
    return book;
}

QList<ScopeTreeNode> BookPanel::Request(const QString& code) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(kFastQuoteScopeType));
    node.stock_list = StockListExpression::FromStockCode(code);
    node_id_ = node.scope_id;
    return {node};
}

void BookPanel::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(node_id_);
    book_ = ReadBook(node ? dynamic_cast<const ResponsePkgEntity_12989*>(node->quote_data.data())
                          : nullptr);
}

QStringList BookPanel::Missing() const {
    if (!book_.has_book) {
        return {QStringLiteral("order book")};
    }
    if (!book_.IsComplete()) {
        return {QStringLiteral("price precision and previous close")};
    }
    return {};
}

int BookPanel::MinLines(int) const {
    return kFrameLines + 2 * kMinLevels;
}

int BookPanel::MaxLines(int) const {
    return kFrameLines + 2 * kMaxLevels;
}

QStringList BookPanel::Render(int width, int lines) const {
    if (!book_.has_book) {
        return {QStringLiteral("(waiting for the order book)")};
    }
    const int levels = std::clamp((lines - kFrameLines) / 2, 1, kMaxLevels);
    const QString unit = book_.converted ? QStringLiteral("lots") : QStringLiteral("shares");
    QStringList out;
    out << QStringLiteral("%1%2%3%4  queue (%5, *big*)")
               .arg(QStringLiteral("level").leftJustified(8),
                    QStringLiteral("price").rightJustified(10),
                    QStringLiteral("lots").rightJustified(10),
                    QStringLiteral("orders").rightJustified(8), unit);
    for (int i = levels - 1; i >= 0; --i) {
        out << LevelLine(book_.sells.value(i), width);
    }
    out << QString(width > 0 ? std::min(width, 60) : 60, QLatin1Char('-'));
    for (int i = 0; i < levels; ++i) {
        out << LevelLine(book_.buys.value(i), width);
    }
    return out;
}

QJsonValue BookPanel::Json() const {
    if (!book_.has_book) {
        return QJsonValue();
    }
    return QJsonObject{{"converted", book_.converted},
                       {"prev_close", book_.prev_close},
                       {"fast_ten", book_.fast_ten},
                       {"sell", LevelsJson(book_.sells)},
                       {"buy", LevelsJson(book_.buys)}};
}

}  // namespace qzlv2
