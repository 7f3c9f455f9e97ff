#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// The server side of the fast quote: builds a 12989 body from a book description, for the
// simulated server, tests, benchmarks and fuzz seeds.
// Threads: plain values and a stateless function.
namespace simwire {

struct FastQuoteLevel {
    qint32 price = 0;        // in units of the stock's price precision
    qint32 volume = 0;       // shares
    qint32 order_count = 0;  // orders queued at the price
    quint16 big_flag = 0;    // non-zero: the level counts as big
    QVector<qint32> queued;  // volumes of the queued orders in queue order, shares
};

struct FastQuoteBook {
    QString code;  // market prefix and code, e.g. "SH600000"
    QVector<FastQuoteLevel> buy;
    QVector<FastQuoteLevel> sell;
    qint8 fast_ten_flag = 0;
};

QByteArray EncodeFastQuoteBody(const FastQuoteBook& book);

// A full book for load and tests: `levels` levels a side around `midPrice`, `queued` queued
// orders per level with varied volumes.
FastQuoteBook MakeFullFastQuoteBook(const QString& code, qint32 midPrice, int levels, int queued);

}  // namespace simwire
