#include "tools/qzlv2/QuoteScreen.h"

#include <algorithm>

namespace qzlv2 {

namespace {

using nscell::DataRow;
using nscell::UnsharedDataCell;

constexpr int kLevels = 10;         // levels a side on the screen
constexpr qint64 kLotShares = 100;  // shares
const QString kNone = QStringLiteral("--");

const DataRow* QueueRowFor(const ThousandGearsQuoteData::RowMap& queues, qint64 rawPrice) {
    auto it = queues.constFind(UnsharedDataCell::FromInteger(rawPrice));
    return it == queues.constEnd() ? nullptr : &it.value();
}

QList<qint64> SplitNumbers(const QString& text) {
    QList<qint64> numbers;
    if (text.isEmpty()) {
        return numbers;
    }
    for (const QString& part : text.split(QLatin1Char(','))) {
        numbers << part.toLongLong();
    }
    return numbers;
}

ScreenLevel MakeLevel(const QString& label, const DataRow* level,
                      const ThousandGearsQuoteData::RowMap& queues, bool converted) {
    ScreenLevel out;
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

QString QueueText(const ScreenLevel& level, int width) {
    QString text;
    for (int i = 0; i < level.queue.size(); ++i) {
        const QString number = QString::number(level.queue[i]);
        const QString item = level.big.contains(i) ? QStringLiteral("*%1*").arg(number) : number;
        const QString more = QStringLiteral(" +%1").arg(level.queue.size() - i);
        if (width > 0 && text.size() + 1 + item.size() + more.size() > width &&
            i + 1 < level.queue.size()) {
            return text + more;
        }
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + item;
    }
    return text;
}

QString LevelLine(const ScreenLevel& level, int width) {
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

}  // namespace

bool ScreenModel::IsComplete() const {
    return has_book && converted && prev_close != kNone && missing_fields.isEmpty();
}

void FillBook(ScreenModel& model, const ResponsePkgEntity_12989* book) {
    model.sells.clear();
    model.buys.clear();
    model.has_book = book != nullptr;
    model.prev_close = kNone;
    if (book == nullptr) {
        return;
    }
    const UnsharedDataCell prev = book->wills.summary.Get(QStringLiteral("prev_price_base"));
    if (!prev.IsEmpty()) {
        model.prev_close = prev.DisplayText();
    }
    const DataRow* first = RowAt(book->wills.buy_rows, 0);
    if (first == nullptr) {
        first = RowAt(book->wills.sell_rows, 0);
    }
    model.converted = first != nullptr &&
                      first->Get(QStringLiteral("price")).kind() == UnsharedDataCell::Kind::Price;
    model.fast_ten = book->fast_ten_flag;
    for (int i = kLevels - 1; i >= 0; --i) {
        model.sells << MakeLevel(QStringLiteral("sell %1").arg(i + 1),
                                 RowAt(book->wills.sell_rows, i), book->gears.sell_queues,
                                 model.converted);
    }
    for (int i = 0; i < kLevels; ++i) {
        model.buys << MakeLevel(QStringLiteral("buy %1").arg(i + 1), RowAt(book->wills.buy_rows, i),
                                book->gears.buy_queues, model.converted);
    }
}

void FillFields(ScreenModel& model, const DataRow& row, const QStringList& keys,
                const QStringList& optional) {
    model.fields.clear();
    model.missing_fields.clear();
    const QStringList shown = keys + optional;
    for (const QString& key : shown) {
        const UnsharedDataCell cell = row.Get(key);
        if (!cell.IsEmpty()) {
            model.fields << qMakePair(key, cell.DisplayText());
        } else if (!optional.contains(key)) {
            model.missing_fields << key;
        }
    }
    QStringList others = row.Names();
    std::sort(others.begin(), others.end());
    for (const QString& name : others) {
        if (!shown.contains(name)) {
            model.fields << qMakePair(name, row.Get(name).DisplayText());
        }
    }
}

QString RenderScreen(const ScreenModel& m, int width) {
    QStringList lines;
    lines << QStringLiteral("%1 %2  %3  prev close %4  fast-ten %5  %6")
                 .arg(m.code, m.name, m.listing, m.prev_close)
                 .arg(m.fast_ten)
                 .arg(m.time);
    if (!m.status.isEmpty()) {
        lines << QStringLiteral("[%1; showing the last data]").arg(m.status);
    }
    if (!m.has_book) {
        lines << QStringLiteral("(waiting for the order book)");
    } else {
        const QString unit = m.converted ? QStringLiteral("lots") : QStringLiteral("shares");
        lines << QStringLiteral("%1%2%3%4  queue (%5, *big*)")
                     .arg(QStringLiteral("level").leftJustified(8),
                          QStringLiteral("price").rightJustified(10),
                          QStringLiteral("lots").rightJustified(10),
                          QStringLiteral("orders").rightJustified(8), unit);
        for (const ScreenLevel& level : m.sells) {
            lines << LevelLine(level, width);
        }
        lines << QString(width > 0 ? std::min(width, 60) : 60, QLatin1Char('-'));
        for (const ScreenLevel& level : m.buys) {
            lines << LevelLine(level, width);
        }
    }
    lines << QStringLiteral("board:");
    for (const auto& field : m.fields) {
        lines << QStringLiteral("  %1 %2").arg(field.first.leftJustified(30), field.second);
    }
    if (!m.missing_fields.isEmpty()) {
        lines << QStringLiteral("  (waiting for %1)")
                     .arg(m.missing_fields.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace qzlv2
