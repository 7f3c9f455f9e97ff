#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/BookView.h"

// The order book of the watch screen: sell N .. sell 1 above buy 1 .. buy N (N as many levels
// as fit, at most ten), each with its price, lots, orders and queue of orders (lots once the
// prices are converted, big orders marked *like this*).
// Threads: main thread only.
namespace qzlv2 {

using qzviews::Book;
using qzviews::BookLevel;
using qzviews::ReadBook;

class BookPanel : public ViewPanel<qzviews::BookView> {
public:
    static constexpr int kMinLevels = 5;  // a side, the least the screen shows
    static constexpr int kMaxLevels = qzviews::kBookLevels;

    QString Name() const override { return QStringLiteral("book"); }
    int MinLines(int width) const override;
    int MaxLines(int width) const override;
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetBook(const Book& book) { view_.SetBook(book); }
    const Book& book() const { return view_.book(); }
};

}  // namespace qzlv2
