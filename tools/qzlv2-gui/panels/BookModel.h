#pragma once

#include <QAbstractTableModel>

#include "tools/qzlv2-gui/Theme.h"
#include "tools/views/BookView.h"

// The order book as an item model: sell N .. sell 1 above buy 1 .. buy N (N = `levels`: ten for
// the ladder, one for the best-price queues), columns level, price, lots, orders and queue. The
// queue cell carries the queued orders (QueueRole), the positions of the big ones (BigRole) and
// the largest order of the whole book (ScaleRole) for QueueBarDelegate; prices are coloured by
// their side of the previous close.
// Threads: main thread only.
namespace qzgui {

class BookModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Level, Price, Lots, Orders, Queue, ColumnCount };
    enum Role {
        QueueRole = Qt::UserRole + 1,  // QVariantList of lots, queue order
        BigRole,                       // QVariantList of positions in the queue
        ScaleRole,                     // qint64: the largest queued order of the book, lots
        BuyRole,                       // bool: a buy level
    };

    BookModel(int levels, const Theme& theme, QObject* parent = nullptr);

    void SetBook(const qzviews::Book& book);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const qzviews::BookLevel& LevelAt(int row) const;
    bool IsBuy(int row) const { return row >= levels_; }

    const int levels_;
    const Theme& theme_;
    qzviews::Book book_;
    qint64 scale_ = 1;
};

}  // namespace qzgui
