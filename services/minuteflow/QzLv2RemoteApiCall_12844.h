#pragma once

#include <set>

#include "framework/DiskCacheListener.h"

#include "services/minuteflow/FlowSeriesCall.h"
#include "services/minuteflow/ResponsePkgTopic_12844.h"
#include "services/minuteflow/ResponsePkg_12844.h"

struct KlineFlowCallTraits {
    using Topic = ResponsePkgTopic_12844;
    using Package = ResponsePkg_12844;
    using CacheKey = Topic;
    using CacheValue = FlowSeriesPtr;
    static constexpr int kFunctionId = 12844;
    static constexpr qint32 kPageRecords = 200;  // revcount of every request

    static Topic TopicOf(const ScopeTreeNode& node);
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
    static bool Decode(const QByteArray& body, FlowBatch& out);
    static Package PackageOf(quint16 count, QSharedPointer<const FlowRecords> records);
    static RequestParams ParamsOf(const Topic& topic);
    static void FillContext(CKeyGroup& keys, const Topic& topic);
    static Topic TopicOfContext(const CKeyGroup& keys);
    static Topic FollowUpOf(const Topic& topic, qint32 revindex);
};

// The K-line capital flows (function 12844), one record per period of a cycle of the cycle table,
// paged backwards in pages of 200 and merged into one cached series per (code, cycle), which is
// also kept in a history file: a series missing from memory is read from its file, and every
// merged answer is saved to it in the background (atomically: the file on disk is always a whole
// old or a whole new one). A series of a cycle outside the table is never requested.
// A failing save (full or read-only disk) goes to the process's HistorySaveLedger, which warns
// once per file until a save of it succeeds again; the series is still served from memory. A file
// that is missing or fails to load is not read again until this call has written it (one warning
// per damaged file, not one per miss).
// Threads: as FlowSeriesCall; the loader runs inside a cache miss under the call lock, the saver
// on the cache's background runner, taking the call lock first.
class QzLv2RemoteApiCall_12844 : public FlowSeriesCall<KlineFlowCallTraits> {
public:
    QzLv2RemoteApiCall_12844(QuoteDataSourceHandlerConfiguration* configuration,
                             CHQOWNServerAccesser* accessor);
    ~QzLv2RemoteApiCall_12844() override;

protected:
    bool Requestable(const Topic& topic) const override;

private:
    bool LoadOnce(cache::OnLoadFromDiskCacheListener<Topic, FlowSeriesPtr>& file,
                  const Topic& topic, FlowSeriesPtr& value);
    void OnSaved(const Topic& topic, bool saved);

    std::set<Topic> unreadable_;  // series whose file did not load; guarded by the call lock
};
