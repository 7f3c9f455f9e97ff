#include "tools/qzlv2-gui/panels/BookModel.h"

#include <algorithm>

namespace qzgui {

namespace {
const qzviews::BookLevel kNoLevel;
}

BookModel::BookModel(int levels, const Theme& theme, QObject* parent)
    : QAbstractTableModel(parent), levels_(levels), theme_(theme) {}

void BookModel::SetBook(const qzviews::Book& book) {
    book_ = book;
    scale_ = 1;
    for (const auto* side : {&book_.sells, &book_.buys}) {
        for (const qzviews::BookLevel& level : *side) {
            for (qint64 lots : level.queue) {
                scale_ = std::max(scale_, lots);
            }
        }
    }
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int BookModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2 * levels_;
}

int BookModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

// Row 0 is the highest sell level shown, row levels_ is buy 1.
const qzviews::BookLevel& BookModel::LevelAt(int row) const {
    const QVector<qzviews::BookLevel>& side = IsBuy(row) ? book_.buys : book_.sells;
    const int i = IsBuy(row) ? row - levels_ : levels_ - 1 - row;
    return i < side.size() ? side[i] : kNoLevel;
}

QVariant BookModel::data(const QModelIndex& index, int role) const {
    const qzviews::BookLevel& level = LevelAt(index.row());
    const int column = index.column();
    if (role == Qt::DisplayRole) {
        if (column == Level) {
            return IsBuy(index.row()) ? QStringLiteral("buy %1").arg(index.row() - levels_ + 1)
                                      : QStringLiteral("sell %1").arg(levels_ - index.row());
        }
        if (level.filler) {
            return column == Price ? QVariant(QStringLiteral("--")) : QVariant();
        }
        switch (column) {
            case Price:
                return level.price;
            case Lots:
                return level.lots;
            case Orders:
                return level.orders;
            default:
                return QVariant();
        }
    }
    if (role == Qt::TextAlignmentRole && column != Level && column != Queue) {
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role == Qt::ForegroundRole && column == Price && !level.filler) {
        const double prev = book_.prev_close.toDouble();
        return prev > 0 ? theme_.ForChange(level.price.toDouble() - prev) : theme_.Text();
    }
    if (column != Queue) {
        return QVariant();
    }
    switch (role) {
        case QueueRole: {
            QVariantList lots;
            for (qint64 v : level.queue) {
                lots << v;
            }
            return lots;
        }
        case BigRole: {
            QList<int> big = level.big.values();
            std::sort(big.begin(), big.end());
            QVariantList positions;
            for (int i : big) {
                positions << i;
            }
            return positions;
        }
        case ScaleRole:
            return scale_;
        case BuyRole:
            return IsBuy(index.row());
        default:
            return QVariant();
    }
}

QVariant BookModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QVariant();
    }
    static const char* const kHeads[] = {"level", "price", "lots", "orders", "queue (lots)"};
    return QString::fromLatin1(kHeads[section]);
}

}  // namespace qzgui
