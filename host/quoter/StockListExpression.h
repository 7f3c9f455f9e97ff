#pragma once

#include <QString>
#include <QStringList>

// The stocks a scope tree node asks about, as market-prefixed codes ("SH600000").
// Threads: a plain value.
class StockListExpression {
public:
    StockListExpression() = default;

    static StockListExpression FromStockCode(const QString& code);
    static StockListExpression FromStockList(const QStringList& codes);

    // The first code, or an empty text when the list is empty.
    QString GetStockCode() const { return codes_.isEmpty() ? QString() : codes_.first(); }
    const QStringList& GetStockList() const { return codes_; }
    bool IsEmpty() const { return codes_.isEmpty(); }

    bool operator==(const StockListExpression& o) const { return codes_ == o.codes_; }
    bool operator!=(const StockListExpression& o) const { return codes_ != o.codes_; }

private:
    QStringList codes_;
};
