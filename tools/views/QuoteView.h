#pragma once

#include "tools/views/View.h"

// The stock's quote snapshot: code, name, listing board, last price and previous close with
// their decimals, the day's volume and amount, and the fast-ten flag. Reads the basic quote
// (10001/10002 and its pushes) that the "l2_fast_quote" node's first child carries, so it asks
// for nothing of its own.
// Threads: main thread only.
namespace qzviews {

struct Quote {
    QString code;
    QString name;
    QString listing;  // e.g. "创业板 SZ"
    bool has_last = false;
    int precision = 0;      // decimals of the prices below
    qint64 last = 0;        // wire units
    qint64 prev_close = 0;  // wire units; 0 when unknown
    int fast_ten = 0;
    QString time;  // when the data was read, on the host clock
    bool has_volume = false;
    qint64 volume = 0;  // shares traded today
    qint64 amount = 0;  // yuan traded today

    bool operator==(const Quote& o) const;
    bool operator!=(const Quote& o) const { return !(*this == o); }
};

class QuoteView : public View {
public:
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;

    void SetQuote(const Quote& quote);
    const Quote& quote() const { return quote_; }

private:
    Quote quote_;
};

// `price` in wire units as text with `decimals` ("10.52").
QString PriceText(qint64 price, int decimals);

}  // namespace qzviews
