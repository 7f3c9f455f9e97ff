#include "tools/qzlv2-gui/panels/VolumeBarDelegate.h"

#include <QPainter>

#include "tools/qzlv2-gui/panels/PriceVolumeModel.h"

namespace qzgui {

void VolumeBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, QModelIndex());
    const QVariantList parts = index.data(PriceVolumeModel::BarRole).toList();
    if (parts.size() != 4) {
        return;
    }
    const double busiest = qMax(1.0, parts[3].toDouble());
    const QRect cell = option.rect.adjusted(2, 3, -2, -3);
    const QColor colours[] = {theme_.Up(), theme_.Down(), theme_.Other()};
    double x = cell.left();
    for (int i = 0; i < 3; ++i) {
        const double width = parts[i].toDouble() / busiest * cell.width();
        painter->fillRect(QRectF(x, cell.top(), width, cell.height()), colours[i]);
        x += width;
    }
}

}  // namespace qzgui
