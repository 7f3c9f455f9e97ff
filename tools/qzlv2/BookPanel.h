#pragma once

#include <QSet>
#include <QVector>

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "tools/qzlv2/Panel.h"

// The order book of the watch screen: sell N .. sell 1 above buy 1 .. buy N (N as many levels
// as fit, at most ten), each with its price, lots, orders and queue of orders (lots once the
// prices are converted, big orders marked *like this*). Asks for the stock's "l2_fast_quote"
// node, whose joins also bring the previous close and the fast-ten flag.
// Threads: main thread only.
namespace qzlv2 {

struct BookLevel {
    QString label;        // "sell 10" .. "sell 1", "buy 1" .. "buy 10"
    bool filler = true;   // no order at this level
    QString price;        // the price cell's text (the stock's decimals once converted)
    qint64 lots = 0;      // level volume, lots
    qint64 orders = 0;    // orders queued at the level
    QList<qint64> queue;  // queued order volumes, lots (shares before conversion)
    QSet<int> big;        // positions in `queue` of the big orders
};

struct Book {
    bool has_book = false;
    bool converted = false;  // prices carry the stock's precision, queued orders are in lots
    QString prev_close;      // "--" until known
    int fast_ten = 0;
    QVector<BookLevel> sells;  // sell 1 .. sell 10
    QVector<BookLevel> buys;   // buy 1 .. buy 10

    bool IsComplete() const;
};

// The book of the fast-quote data the joins leave on the parent node (null: none yet).
Book ReadBook(const ResponsePkgEntity_12989* data);

class BookPanel : public Panel {
public:
    static constexpr int kMinLevels = 5;  // a side, the least the screen shows
    static constexpr int kMaxLevels = 10;

    QString Name() const override { return QStringLiteral("book"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    int MinLines(int width) const override;
    int MaxLines(int width) const override;
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetBook(const Book& book) { book_ = book; }
    const Book& book() const { return book_; }

private:
    int node_id_ = -1;
    Book book_;
};

}  // namespace qzlv2
