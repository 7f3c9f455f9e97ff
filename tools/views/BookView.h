#pragma once

#include <QList>
#include <QSet>
#include <QVector>

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "tools/views/View.h"

// The stock's order book as the joins leave it on its "l2_fast_quote" node: ten levels a side,
// each with its price, lots, orders and queue of orders (lots once the prices are converted, the
// big ones marked), the previous close and the fast-ten flag.
// Threads: main thread only.
namespace qzviews {

constexpr int kBookLevels = 10;  // a side

struct BookLevel {
    QString label;        // "sell 10" .. "sell 1", "buy 1" .. "buy 10"
    bool filler = true;   // no order at this level
    QString price;        // the price cell's text (the stock's decimals once converted)
    qint64 lots = 0;      // level volume, lots
    qint64 orders = 0;    // orders queued at the level
    QList<qint64> queue;  // queued order volumes, lots (shares before conversion)
    QSet<int> big;        // positions in `queue` of the big orders

    bool operator==(const BookLevel& o) const;
    bool operator!=(const BookLevel& o) const { return !(*this == o); }
};

struct Book {
    bool has_book = false;
    bool converted = false;  // prices carry the stock's precision, queued orders are in lots
    QString prev_close;      // "--" until known
    int fast_ten = 0;
    QVector<BookLevel> sells;  // sell 1 .. sell 10
    QVector<BookLevel> buys;   // buy 1 .. buy 10

    bool IsComplete() const;
    bool operator==(const Book& o) const;
    bool operator!=(const Book& o) const { return !(*this == o); }
};

// The book of the fast-quote data the joins leave on the parent node (null: none yet).
Book ReadBook(const ResponsePkgEntity_12989* data);

class BookView : public View {
public:
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;

    void SetBook(const Book& book);
    const Book& book() const { return book_; }

private:
    int node_id_ = -1;
    Book book_;
};

}  // namespace qzviews
