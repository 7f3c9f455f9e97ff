#pragma once

#include <QStyledItemDelegate>

#include "tools/qzlv2-gui/Theme.h"

// Draws a price's volume (PriceVolumeModel's bar cell) as one horizontal bar as long as its share
// of the busiest price, split left to right into what buy-initiated (Up), sell-initiated (Down)
// and other deals (Other) traded there.
// Threads: main thread only.
namespace qzgui {

class VolumeBarDelegate : public QStyledItemDelegate {
public:
    VolumeBarDelegate(const Theme& theme, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), theme_(theme) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    const Theme& theme_;
};

}  // namespace qzgui
