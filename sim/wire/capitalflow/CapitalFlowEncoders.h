#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include "services/capitalflow/ResponsePkg_12930.h"
#include "services/capitalflow/ResponsePkg_12932.h"

// The server side of the capital flows: 12930, 12932 and 12973 bodies from values, for the
// simulated server, tests, benchmarks and fuzz seeds.
// Threads: plain values and stateless functions.
namespace simwire {

QByteArray EncodeStockFlowBody(const ResponsePkg_12930& flow);

// The amounts go out when mask bit 0 is set, buy side little to extra-large, then sell side.
QByteArray EncodeBoardFlowBody(const QString& boardCode, quint16 mask,
                               const ResponsePkg_12932& flow);

// One member of a board in the 12973 list (a string, a string, u8, i32, i32, u16, i32).
struct BoardAnalysisEntry {
    QString code;
    QString name;
    quint8 market = 0;      // 1 Shanghai, 2 Shenzhen
    qint32 change_bp = 0;   // against the previous close
    qint32 net_inflow = 0;  // buy- minus sell-initiated amount, 10^4 yuan
    quint16 rank = 0;       // 1 for the member with the largest net inflow
    qint32 last_price = 0;  // units of the price precision
};

// A 12973 answer: the groups the mask names (1 head, 2 list, 4 large inflow, 8 tail).
struct BoardAnalysis {
    quint16 mask = 0;
    quint8 member_count = 0;              // group 1
    qint32 head[4] = {0, 0, 0, 0};        // group 1: rise, fall, flat counts, mean change bp
    quint16 head_tail = 0;                // group 1
    QVector<BoardAnalysisEntry> entries;  // group 2
    qint32 large_in_capital = 0;          // group 4: CurrentDayLargeInCapital
    qint32 large_buy = 0;                 // group 4: 10^4 yuan
    qint32 large_sell = 0;                // group 4: 10^4 yuan
    quint16 rising_members = 0;           // group 4
    quint16 falling_members = 0;          // group 4
    quint8 flags[2] = {0, 0};             // group 4
    qint32 tail[4] = {0, 0, 0, 0};        // group 8: little/medium/large/extra-large net, 10^4 yuan
};

QByteArray EncodeBoardAnalysisBody(const BoardAnalysis& analysis);

}  // namespace simwire
