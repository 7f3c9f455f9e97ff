#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "framework/Log.h"
#include "host/quoter/QuoteContext.h"
#include "host/tolk/subscriber/SubscriptionList.h"

// The host broadcasts two keys asking data sources to forget cached per-stock data of whole
// markets: one names a single market (payload: the two-character market code as bytes), the other
// a list (payload: a string list in the archive encoding). A code belongs to a market when it
// begins with the market code.
// Stateless helpers; any thread.
namespace market_clearing {

QString SingleMarketKey();  // "清理个股实时缓存(市场缩码)"
QString MarketListKey();    // "清理个股实时缓存(市场缩码列表)"

QStringList MarketsOfSingle(const QByteArray& payload);
// Nothing when the payload is not a well-formed string list.
std::optional<QStringList> MarketsOfList(const QByteArray& payload);
bool InMarkets(const QString& code, const QStringList& markets);

// Subscribes to both keys through the list; onMarkets gets the decoded market codes (an
// undecodable list payload is logged under the tag and dropped).
void Subscribe(kestrov::tolk::subscriber::SubscriptionList<QString, QByteArray>& list,
               QuoteContext::Broadcaster* broadcaster, const char* logTag,
               std::function<void(const QStringList&)> onMarkets);

// Removes every cached topic of the given markets, logs "clean cached <kind>-<code>" under the
// tag, and hands the topic to askAgain, which requests it again if it is still wanted.
// Called under the owning call's lock.
template <typename Cache, typename AskAgain>
void DropMarkets(Cache& cache, const QStringList& markets, const char* logTag, AskAgain askAgain)
{
    for (const auto& topic : cache.Keys()) {
        if (!InMarkets(topic.Code(), markets)) {
            continue;
        }
        cache.Remove(topic);
        qzlog::Info(logTag, "clean cached ", topic.Kind(), "-", topic.Code());
        askAgain(topic);
    }
}

}  // namespace market_clearing
