#pragma once

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include "host/core/DataRow.h"
#include "host/quoter/ResponsePkgEntity_12989.h"

// The watch screen: what the client shows of one stock's order book and board fields, built from
// the quote data that the joins left on the request's parent nodes, and its text rendering.
// Threads: plain values and stateless functions.
namespace qzlv2 {

struct ScreenLevel {
    QString label;        // "sell 10" .. "sell 1", "buy 1" .. "buy 10"
    bool filler = true;   // no order at this level
    QString price;        // the price cell's text (the stock's decimals once converted)
    qint64 lots = 0;      // level volume, lots
    qint64 orders = 0;    // orders queued at the level
    QList<qint64> queue;  // queued order volumes, lots (shares before conversion)
    QSet<int> big;        // positions in `queue` of the big orders
};

struct ScreenModel {
    QString code;
    QString name;
    QString listing;     // e.g. "创业板 SZ"
    QString prev_close;  // "--" until known
    bool has_book = false;
    bool converted = false;  // prices carry the stock's precision, queued orders are in lots
    int fast_ten = 0;
    QVector<ScreenLevel> sells;             // top to bottom: sell 10 .. sell 1
    QVector<ScreenLevel> buys;              // top to bottom: buy 1 .. buy 10
    QList<QPair<QString, QString>> fields;  // board field name -> display text
    QStringList missing_fields;             // asked for, not arrived yet
    QString time;                           // when the screen was drawn
    QString status;  // link or pause trouble (LinkStatus), shown under the title; empty: none

    // Every part has arrived: the book with converted prices and every required board field.
    bool IsComplete() const;
};

// Fills the book part of `model` from the fast-quote data (null: no book yet).
void FillBook(ScreenModel& model, const ResponsePkgEntity_12989* book);
// Fills the fields: first `keys` then `optional` in order (missing keys are listed in
// missing_fields, missing optional ones are left out), then every other cell of the row by name.
void FillFields(ScreenModel& model, const nscell::DataRow& row, const QStringList& keys,
                const QStringList& optional);

// The screen as text lines joined by "\n" (ending with one). `width` limits each level's queue
// to the columns left (0: no limit).
QString RenderScreen(const ScreenModel& model, int width);

}  // namespace qzlv2
