#pragma once

#include "tools/qzlv2/Panel.h"

// The top line of the watch screen: code, name, listing board, last price with its change from
// the previous close, the fast-ten flag and the time
// of day. Reads the basic quote (10001) that the
// "l2_fast_quote" node's first child carries, so it asks for nothing of its own.
// Threads: main thread only.
namespace qzlv2 {

struct Quote {
    QString code;
    QString name;
    QString listing;  // e.g. "创业板 SZ"
    bool has_last = false;
    int precision = 0;      // decimals of the prices below
    qint64 last = 0;        // wire units
    qint64 prev_close = 0;  // wire units; 0 when unknown
    int fast_ten = 0;
    QString time;  // when the data was read
};

class HeaderPanel : public Panel {
public:
    QString Name() const override { return QStringLiteral("quote"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    int MinLines(int) const override { return 1; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetQuote(const Quote& quote) { quote_ = quote; }

private:
    Quote quote_;
};

}  // namespace qzlv2
