#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

// The simulated server's short-line signal types: twelve in five groups, each detected by a rule
// on the simulated price, book and trade path (SignalDetector). Direction: +1 the buy side's
// signal, -1 the sell side's. Level: 1 (notice) to 3 (strong).
// Plain values; any thread.
namespace simmarket {

enum class SignalKind : quint8 {
    Rocket,         // 火箭发射: the price rose kSharpMovePermille within a minute
    Dive,           // 高台跳水: the price fell kSharpMovePermille within a minute
    BigBuy,         // 大笔买入: an extra-large buy-initiated trade (taken at the ask)
    BigSell,        // 大笔卖出: an extra-large sell-initiated trade (hit at the bid)
    BigBidOrder,    // 买一大单: a big order appeared at the best bid
    BigAskOrder,    // 卖一大单: a big order appeared at the best ask
    LimitUp,        // 封涨停板: the price touched the limit-up price
    LimitDown,      // 封跌停板: the price touched the limit-down price
    LimitUpOpened,  // 打开涨停: the price left the limit-up price
    VolumeSpike,    // 成交放量: a tick traded kSpikeFactor times the recent average
    NewHigh,        // 创今日新高
    NewLow,         // 创今日新低
};
constexpr int kSignalKinds = 12;

struct SignalTypeInfo {
    SignalKind kind;
    const char* code;
    quint16 group_code;
    const char* group_name;  // UTF-8
    const char* name;        // UTF-8
    qint8 direction;         // 0: by the triggering trades
    quint8 level;
};

const QVector<SignalTypeInfo>& SignalCatalogue();
const SignalTypeInfo& SignalInfo(SignalKind kind);

}  // namespace simmarket
