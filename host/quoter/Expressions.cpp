#include "host/quoter/KeyListExpression.h"
#include "host/quoter/StockListExpression.h"
#include "host/quoter/XrListExpression.h"

StockListExpression StockListExpression::FromStockCode(const QString& code) {
    StockListExpression e;
    if (!code.isEmpty()) {
        e.codes_ << code;
    }
    return e;
}

StockListExpression StockListExpression::FromStockList(const QStringList& codes) {
    StockListExpression e;
    e.codes_ = codes;
    return e;
}

KeyListExpression KeyListExpression::FromKeyList(const QStringList& keys) {
    KeyListExpression e;
    e.keys_ = keys;
    return e;
}

KeyListExpression KeyListExpression::FromKeyList(const QString& text) {
    KeyListExpression e;
    e.keys_ = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return e;
}

XrListExpression XrListExpression::FromXr(const QString& xr) {
    XrListExpression e;
    if (!xr.isEmpty()) {
        e.xrs_ << xr;
    }
    return e;
}

XrListExpression XrListExpression::FromXrList(const QStringList& xrs) {
    XrListExpression e;
    e.xrs_ = xrs;
    return e;
}
