#include "sim/market/Trade.h"

namespace simmarket {

OrderSize ClassifyAmount(qint64 amountYuan) {
    if (amountYuan >= kExtraLargeFromYuan) {
        return OrderSize::ExtraLarge;
    }
    if (amountYuan >= kLargeFromYuan) {
        return OrderSize::Large;
    }
    return amountYuan >= kMediumFromYuan ? OrderSize::Medium : OrderSize::Little;
}

qint64 TradeAmount(qint64 shares, qint32 price, int decimals) {
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    return shares * price / scale;
}

}  // namespace simmarket
