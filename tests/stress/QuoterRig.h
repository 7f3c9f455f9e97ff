#pragma once

#include <QString>

#include <memory>

#include "host/access/ScriptedServerBackend.h"
#include "host/quoter/QuoteContext.h"

class IQuoteDataSourceController;
class QzLv2Quoter;
class QzLv2RemoteApiCall_10002;
class QzLv2RemoteApiCall_12989;

// A real quoter with its real calls, as a client sets it up: scripted backends on both services
// ("l2quote", "pcl2xtquote"), a context with a mid-result queue of the given capacity, and the
// context's intent holder pointing at the quoter as the head of the handler chain, so that a
// Redispatch re-runs the live intents through it.
// Threads: built and destroyed on the test's thread; the accessors are reached from any thread.
class QuoterRig {
public:
    explicit QuoterRig(int midResultCapacity);
    ~QuoterRig();

    ScriptedServerBackend& MainBackend() { return *main_backend_; }
    ScriptedServerBackend& FastBackend() { return *fast_backend_; }
    std::shared_ptr<ScriptedServerBackend> MainBackendPtr() const { return main_backend_; }
    std::shared_ptr<ScriptedServerBackend> FastBackendPtr() const { return fast_backend_; }
    QuoteContext& Context() { return *context_; }
    QuoteContext::MidResultQueue& Queue() { return context_->GetQuoteTaskExecMidResultQueue(); }
    QzLv2Quoter& Quoter() { return *quoter_; }
    QzLv2RemoteApiCall_10002* Board() const { return board_; }
    QzLv2RemoteApiCall_12989* FastQuote() const { return fast_quote_; }
    IQuoteDataSourceController* Controller() const;

    // Takes the quoter out of the chain and deletes it (as the client does at shutdown).
    void DeleteQuoter();
    // Runs an empty job on each accessor's thread and waits for it: every answer, push and
    // state report posted before has been handled.
    void FlushAccessors();
    // Empty while both calls' caches are within capacity, else what is wrong.
    QString CheckCaches() const;

private:
    std::shared_ptr<ScriptedServerBackend> main_backend_;
    std::shared_ptr<ScriptedServerBackend> fast_backend_;
    std::unique_ptr<QuoteContext> context_;
    std::unique_ptr<QzLv2Quoter> quoter_;
    QzLv2RemoteApiCall_10002* board_ = nullptr;
    QzLv2RemoteApiCall_12989* fast_quote_ = nullptr;
};
