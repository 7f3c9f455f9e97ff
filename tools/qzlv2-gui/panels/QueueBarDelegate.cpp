#include "tools/qzlv2-gui/panels/QueueBarDelegate.h"

#include <QPainter>

#include "tools/qzlv2-gui/panels/BookModel.h"

namespace qzgui {

void QueueBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, QModelIndex());  // the cell's ground
    const QVariantList queue = index.data(BookModel::QueueRole).toList();
    const QVariantList big = index.data(BookModel::BigRole).toList();
    const double scale = double(qMax<qint64>(1, index.data(BookModel::ScaleRole).toLongLong()));
    const QColor side = index.data(BookModel::BuyRole).toBool() ? theme_.Up() : theme_.Down();
    const QRect cell = option.rect.adjusted(2, 3, -2, -3);
    painter->save();
    int x = cell.left();
    for (int i = 0; i < queue.size(); ++i) {
        const int width = qMax(kShortestBar, int(queue[i].toDouble() / scale * kLongestBar + 0.5));
        if (x + width > cell.right() - 24 && i + 1 < queue.size()) {
            painter->setPen(theme_.Text());
            painter->drawText(QRect(x, cell.top(), cell.right() - x, cell.height()),
                              Qt::AlignLeft | Qt::AlignVCenter,
                              QStringLiteral("+%1").arg(queue.size() - i));
            break;
        }
        const QRect bar(x, cell.top(), width, cell.height());
        if (big.contains(i)) {
            painter->fillRect(bar, theme_.Big());
            painter->setPen(theme_.Text());
            painter->drawRect(bar.adjusted(0, 0, -1, -1));
        } else {
            painter->fillRect(bar, side);
        }
        x += width + kGap;
    }
    painter->restore();
}

}  // namespace qzgui
