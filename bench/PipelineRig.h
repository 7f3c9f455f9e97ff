#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <chrono>
#include <ctime>
#include <deque>
#include <memory>
#include <vector>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"

// CPU time used so far on `clock` (a thread's or the process's), in microseconds.
double CpuMicros(clockid_t clock);

// An accessor's delivery thread, to read what it spent.
struct DeliveryThreadIds {
    clockid_t clock{};  // its CPU clock
    long tid = 0;       // its kernel thread id
};

// The plug-in's answer path as a client runs it, for benchmarks: both accessors (fast quote and
// main) on their own threads over scripted backends, the 12989 and 10002 calls, and per stock one
// node on the fast quote and one on the pushed snapshot (API type "10001"). A message is sent the
// way the server sends it (12989: an answer to the stock's request; 10001: a push) and is done
// when its result is popped from the client's mid-result queue on the calling thread, which then
// drops it as the client's executor would.
//
// Threads: built, used and destroyed on one thread (the benchmark's); the calls' receivers run on
// the accessors' threads.
class PipelineRig {
public:
    using Clock = std::chrono::steady_clock;

    explicit PipelineRig(int stocks);
    ~PipelineRig();
    PipelineRig(const PipelineRig&) = delete;
    PipelineRig& operator=(const PipelineRig&) = delete;

    bool Ready() const { return ready_; }
    int Stocks() const { return static_cast<int>(codes_.size()); }
    QString Code(int stock) const { return codes_[static_cast<size_t>(stock)]; }

    // Sends one message for a stock and notes its send time under the node's scope id.
    void SendBook(int stock, const QByteArray& body);
    void SendPush(const QByteArray& body, int stock);

    // Pops `count` results, appending each one's latency (send -> pop) in microseconds. False
    // when a result does not come within the wait.
    bool Collect(int count, std::vector<double>& latenciesUs);

    // CPU time used so far by the two accessors' threads, in microseconds: where every answer is
    // received, decoded, cached, published and handed to the client's queue.
    double AccessorCpuMicros() const;
    // Times the accessors' threads have gone to sleep so far (each such sleep costs a wake-up).
    long AccessorSleeps() const;

    static constexpr int kBookScopeBase = 1000;  // scope ids of the fast-quote nodes
    static constexpr int kPushScopeBase = 5000;  // scope ids of the snapshot nodes

private:
    std::shared_ptr<ScriptedServerBackend> fastBackend_;
    std::shared_ptr<ScriptedServerBackend> mainBackend_;
    QuoteContext context_;
    QuoteDataSourceHandlerConfiguration configuration_;
    CHQOWNServerAccesser* fastAccessor_ = nullptr;
    CHQOWNServerAccesser* mainAccessor_ = nullptr;
    std::unique_ptr<QzLv2RemoteApiCall_12989> bookCall_;
    std::unique_ptr<QzLv2RemoteApiCall_10002> snapshotCall_;
    std::vector<QString> codes_;
    std::vector<ServerRequest> bookRequests_;  // per stock: the request its books answer
    // scope id -> send times of its messages not yet popped (one accessor thread per node, so
    // a node's results come in send order)
    QHash<int, std::deque<Clock::time_point>> sent_;
    std::vector<DeliveryThreadIds> accessorThreads_;
    bool ready_ = false;
};

// The floor under the pushed snapshot's path: a main accessor on its own thread over a scripted
// backend, whose receiver of the push function only hands each message on to the client's
// mid-result queue, as a call's delivery does, without decoding, caching or publishing it. What
// the accessor's thread spends per message here, no call's code can save.
// Threads: as PipelineRig.
class HandOffRig {
public:
    HandOffRig();
    ~HandOffRig();
    HandOffRig(const HandOffRig&) = delete;
    HandOffRig& operator=(const HandOffRig&) = delete;

    bool Ready() const { return accessor_ != nullptr; }
    void SendPush(const QByteArray& body);
    bool Collect(int count, std::vector<double>& latenciesUs);
    double AccessorCpuMicros() const;
    long AccessorSleeps() const;

private:
    std::shared_ptr<ScriptedServerBackend> backend_;
    QuoteContext context_;
    CHQOWNServerAccesser* accessor_ = nullptr;
    std::deque<std::chrono::steady_clock::time_point> sent_;
    DeliveryThreadIds accessorThread_;
};
