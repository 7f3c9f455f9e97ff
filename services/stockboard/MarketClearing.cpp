#include "services/stockboard/MarketClearing.h"

#include "framework/Log.h"
#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"
#include "host/tolk/subscriber/ISubscriber.h"

namespace market_clearing {

QString SingleMarketKey() {
    return QString::fromUtf8("清理个股实时缓存(市场缩码)");
}
QString MarketListKey() {
    return QString::fromUtf8("清理个股实时缓存(市场缩码列表)");
}

QStringList MarketsOfSingle(const QByteArray& payload) {
    const QString market = QString::fromUtf8(payload);
    return market.isEmpty() ? QStringList() : QStringList{market};
}

std::optional<QStringList> MarketsOfList(const QByteArray& payload) {
    CMemArchive archive(payload);
    try {
        return wire::ReadStringList(archive);
    } catch (const CMemArchiveError&) {
        return std::nullopt;
    }
}

bool InMarkets(const QString& code, const QStringList& markets) {
    for (const QString& market : markets) {
        if (!market.isEmpty() && code.startsWith(market)) {
            return true;
        }
    }
    return false;
}

void Subscribe(kestrov::tolk::subscriber::SubscriptionList<QString, QByteArray>& list,
               QuoteContext::Broadcaster* broadcaster, const char* logTag,
               std::function<void(const QStringList&)> onMarkets) {
    using Subscriber = kestrov::tolk::subscriber::LambdaSubscriber<QString, QByteArray>;
    if (broadcaster == nullptr) {
        return;
    }
    list.Add(broadcaster, SingleMarketKey(),
             new Subscriber([onMarkets](const QString&, const QByteArray& payload) {
                 onMarkets(MarketsOfSingle(payload));
             }),
             true);
    list.Add(broadcaster, MarketListKey(),
             new Subscriber([onMarkets, logTag](const QString&, const QByteArray& payload) {
                 const std::optional<QStringList> markets = MarketsOfList(payload);
                 if (!markets) {
                     qzlog::Warning(logTag, "undecodable market list of", payload.size(), "bytes");
                     return;
                 }
                 onMarkets(*markets);
             }),
             true);
}

}  // namespace market_clearing
