#pragma once

#include <QStyledItemDelegate>

#include "tools/qzlv2-gui/Theme.h"

// Draws a level's queue (BookModel's queue cell) as one bar per queued order, in queue order from
// the left: as long as the order's share of the book's largest order, in the colour of its side
// (buy Up, sell Down), a big order filled in the Big colour with an outline. Orders that do not
// fit the cell are counted at its right end ("+12").
// Threads: main thread only.
namespace qzgui {

class QueueBarDelegate : public QStyledItemDelegate {
public:
    static constexpr int kLongestBar = 60;  // px, the book's largest order
    static constexpr int kShortestBar = 2;  // px
    static constexpr int kGap = 2;          // px between bars

    QueueBarDelegate(const Theme& theme, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), theme_(theme) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    const Theme& theme_;
};

}  // namespace qzgui
