#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include "framework/RecentRequestSet.h"
#include "framework/RemoteApiCallBase.h"
#include "services/fastquote/FastQuoteCacheEntry.h"
#include "services/fastquote/FastQuoteRequestKey.h"
#include "services/fastquote/ResponsePkgTopic_12989.h"
#include "services/fastquote/ResponsePkg_12989.h"

struct FastQuoteCallTraits {
    using Topic = ResponsePkgTopic_12989;
    using Package = ResponsePkg_12989;
    using CacheKey = QString;  // the code the body names
    using CacheValue = FastQuoteCacheValue;
    static Topic TopicOf(const ScopeTreeNode& node);
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
};

// The fast quote (function 12989) on the fast-quote accessor. A stock's first subscriber makes
// the call ask for it once (not again while the same request is less than 3000 ms old); the
// server then pushes the stock's book. Every answer is decoded, a change of the fast-ten flag
// (one last flag for the whole call) is signalled through QzSignalControlMgr, the package is
// published on the stock's topic and cached (the ten most recent stocks) under the body's code
// so that a late subscriber gets the last book at once. Apart from the cache, the call keeps what
// each subscribed stock's last book leaves for its next one (FastQuoteLevels), so that a push
// takes over its unchanged levels however many stocks are subscribed; a stock's entry goes with
// its last subscriber.
//
// Threads: every entry point takes the call lock (RemoteApiCallBase): the receiver on the
// accessor's thread, AttachNode/DetachNode on the quoter's work thread, publisher listeners from
// whichever thread subscribes. The destructor does not touch the accessor, which the quoter may
// have deleted already; answers arriving after destruction are dropped by the receiver guard.
class QzLv2RemoteApiCall_12989 : public RemoteApiCallBase<FastQuoteCallTraits> {
public:
    static constexpr int kFunctionId = 12989;
    static constexpr int kCacheCapacity = 10;  // stocks
    static constexpr qint32 kRequestIndex = 0;
    static constexpr qint32 kRequestCount = 10;  // levels a side

    QzLv2RemoteApiCall_12989(QuoteDataSourceHandlerConfiguration* configuration,
                             CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_12989() override;

    void Init() override;
    void AttachNode(const ScopeTreeNode& node) override;
    void DetachNode(const ScopeTreeNode& node) override;

    // The last fast-ten flag signalled (-1 before the first answer); for tests.
    qint8 LastFastTenFlag() const;

protected:
    Package ReplayPackage(const Topic& topic) override;

private:
    void OnTopicInserted(const Topic& topic);
    void OnTopicDeleted(const Topic& topic);
    const FastQuoteLevels* PreviousLevels(const QString& stockCode, FastQuoteCacheValue& last);
    void SendRequest(const FastQuoteRequestKey& key);
    void OnResponse(const Resp_s& resp);
    void UpdateFastTenFlag(qint8 flag);
    static void PrintNodeLine(const char* what, int scopeId);

    RecentRequestSet<FastQuoteRequestKey> recent_requests_;
    // subscribed stock code -> what its last book leaves (null before its first answer)
    QHash<QString, FastQuoteLevelsPtr> subscribed_levels_;
    qint8 last_fast_ten_flag_ = -1;
};
