#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "host/access/ServerBackend.h"
#include "sim/market/LargeDealTape.h"
#include "sim/market/MinuteFlowAnswers.h"
#include "sim/market/SignalDetector.h"
#include "sim/market/SimulatedMarket.h"
#include "sim/market/SimulatedMarketOptions.h"

class QObject;
class QThread;

// The quote server of the simulated market, for both services the plug-in talks to:
// "pcl2xtquote" (12989, the order book) and "l2quote" (10000 push list, 10002 snapshot, 10012 and
// 12755 data sets; 10001 pushes; 12930, 12932, 12973 capital flows; 12915, 12917 deals; 12990
// large deals; 10015, 10016 short-line signals; the minute flows of MinuteFlowAnswers.h). Every
// request is answered at once with a body built by the wire encoders from the market's current
// state; an unknown function or stock gets no answer and a debug line.
//
// Updates: each tick (Step) moves the market one step, then
//   - answers again the last 12989 request of every stock a link asked for. The fast-quote
//     receiver drops packages without a process context, and a 12989 push has none, so the
//     book is kept up to date by repeating the answer to the original request (which carries
//     the context) instead of pushing;
//   - every `snapshot_push_every` ticks, pushes 10001 (link->Push) for each code of the push
//     list that the link's last 10000 request set, with that request's masks.
// With timers on (the default), a thread of the backend's own runs Step every `tick_ms`; with
// timers off, nothing happens unless Step is called (deterministic tests).
//
// Link state: a link hears access state 1 shortly after it attaches (at once without timers), or
// state 2 at once if it attaches during an outage. DropLink reports state 2 to every link and
// forgets the subscriptions and push lists (as a server does when the connection goes); until
// RestoreLink (state 1 again) requests are not answered and nothing is pushed. The accessors ask
// for the forgotten subscriptions again when they hear state 1 (docs/reconnection.md).
//
// Threads: OnRequest runs on the requesting thread, Step on the backend's timer thread or the
// caller's; every public function may be called from any thread. mutex_ guards the market and
// every member below it, and links are called only under it (they post, never block), so no
// link is called after Detach returns.
class SimulatedMarketBackend : public IServerBackend {
public:
    static constexpr int kFastQuoteFunction = 12989;
    static constexpr int kPushListFunction = 10000;
    static constexpr int kPushedQuoteFunction = 10001;
    static constexpr int kSnapshotFunction = 10002;
    static constexpr int kDataSetFunction = 10012;
    static constexpr int kStockRelatedFunction = 12755;
    static constexpr int kStockFlowFunction = 12930;
    static constexpr int kBoardFlowFunction = 12932;
    static constexpr int kBoardAnalysisFunction = 12973;
    static constexpr int kPriceDealsFunction = 12915;
    static constexpr int kWillDealsFunction = 12917;
    static constexpr int kLargeDealFunction = 12990;
    static constexpr int kSignalTypeFunction = 10015;
    static constexpr int kSignalFunction = 10016;
    static const char kFastQuoteService[];  // "pcl2xtquote"
    static const char kMainService[];       // "l2quote"

    using Options = SimulatedMarketOptions;

    SimulatedMarketBackend();
    explicit SimulatedMarketBackend(const Options& options);
    ~SimulatedMarketBackend() override;

    // Installs the backend in ServerBackendRegistry for both services.
    static void InstallForBothServices(const std::shared_ptr<SimulatedMarketBackend>& backend);

    void Attach(IServerLink* link) override;
    void Detach(IServerLink* link) override;
    void OnRequest(IServerLink* link, const ServerRequest& request) override;

    void Step();
    void DropLink();
    void RestoreLink();
    bool IsLinkUp() const;

    // For tests and diagnostics.
    int StepCount() const;
    int RequestCount(int funcId) const;  // requests received, answered or not
    int AnswerCount(int funcId) const;   // answers sent, repeated 12989 answers included
    int PushCount(int funcId) const;
    QStringList FastQuoteSubscriptions() const;  // codes, every link
    QStringList PushList() const;                // codes, every link
    int LinkCount() const;
    // Runs `read` on the market under the backend's lock.
    void ReadMarket(const std::function<void(const simmarket::SimulatedMarket&)>& read) const;
    // Runs `read` on the large deals and the signals under the backend's lock.
    void ReadSignals(const std::function<void(const simmarket::LargeDealTape&,
                                              const simmarket::SignalDetector&)>& read) const;

private:
    struct PushListEntry {
        QStringList codes;
        quint32 mask1 = 0, mask2 = 0, mask3 = 0;
    };
    using FastQuoteKey = QPair<IServerLink*, QString>;  // (link, code)

    void StartTimers();
    void StopTimers();
    void ReportConnectedLater(IServerLink* link);
    void AnswerLocked(IServerLink* link, const ServerRequest& request, const QByteArray& body);
    void OnFastQuote(IServerLink* link, const ServerRequest& request);
    void OnPushList(IServerLink* link, const ServerRequest& request);
    void OnSnapshot(IServerLink* link, const ServerRequest& request);
    void OnDataSet(IServerLink* link, const ServerRequest& request);
    void OnStockRelated(IServerLink* link, const ServerRequest& request);
    void OnFlowOrDeals(IServerLink* link, const ServerRequest& request);
    // Large deals and short-line signals (SimulatedMarketSignals.cpp).
    void WatchTrades();
    void OnLargeDeal(IServerLink* link, const ServerRequest& request);
    void OnSignalTypes(IServerLink* link, const ServerRequest& request);
    void OnSignals(IServerLink* link, const ServerRequest& request);
    void OnMinuteFlow(IServerLink* link, const ServerRequest& request);  // 12842, 12844, 12988
    void PushBooksLocked();
    void PushSnapshotsLocked();

    const Options options_;
    QThread* thread_ = nullptr;  // owned; runs ticker_ with timers on
    QObject* ticker_ = nullptr;  // lives on thread_; owns the tick timer

    mutable QMutex mutex_;
    simmarket::SimulatedMarket market_;
    simmarket::LargeDealTape large_deals_;
    simmarket::SignalDetector signal_detector_;
    const simmarket::MinuteFlowAnswers minute_flows_;
    QList<IServerLink*> links_;
    bool link_up_ = true;
    QMap<FastQuoteKey, ServerRequest> fast_quotes_;  // the last 12989 request per (link, code)
    QHash<IServerLink*, PushListEntry> push_lists_;
    QHash<int, int> requests_;
    QHash<int, int> answers_;
    QHash<int, int> pushes_;
};
