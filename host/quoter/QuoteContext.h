#pragma once

#include <QMap>
#include <QMutex>
#include <QString>

#include "host/quoter/BlockingQueue.h"
#include "host/quoter/IIntentHolder.h"
#include "host/quoter/IQuoteDataSourceController.h"
#include "host/quoter/IntentHolder.h"
#include "host/quoter/JoinMethodManager.h"
#include "host/quoter/QuoteTaskExecMidResult.h"
#include "host/tolk/subscriber/Subscriber.h"

// The client's quote context, shared by every data source handler:
//   - the controller registry (by name; controllers are not owned);
//   - the mid-result queue through which data sources deliver (scope id, data);
//   - the join-method manager (the context's own, or one set by SetJoinMethodManager, possibly
//     null: then nothing can be registered);
//   - the intent holder (the context's own IntentHolder unless another is set);
//   - the broadcaster, a Publisher<QString, QByteArray> owned by the context. GetBroadcaster
//     returns a pointer (never null) so callers can keep it next to other non-owning pointers.
// Threads: the registry and the manager/holder pointers are guarded by the context's mutex; the
// queue, the manager, the holder and the broadcaster are thread-safe themselves.
class QuoteContext {
public:
    using Broadcaster = kestrov::tolk::subscriber::Publisher<QString, QByteArray>;
    using MidResultQueue = BlockingQueue<QuoteTaskExecMidResult>;
    static constexpr int kDefaultMidResultCapacity = 4096;  // results

    explicit QuoteContext(int midResultCapacity = kDefaultMidResultCapacity);
    ~QuoteContext();

    QuoteContext(const QuoteContext&) = delete;
    QuoteContext& operator=(const QuoteContext&) = delete;

    // False (and nothing changes) when the name is taken or the controller is null.
    bool RegisterQuoteDataSourceController(const QString& name,
                                           IQuoteDataSourceController* controller);
    void UnregisterQuoteDataSourceController(const QString& name);
    IQuoteDataSourceController* FindQuoteDataSourceController(const QString& name) const;
    QStringList QuoteDataSourceControllerNames() const;

    MidResultQueue& GetQuoteTaskExecMidResultQueue() { return mid_results_; }

    IJoinMethodManager* GetJoinMethodManager() const;
    void SetJoinMethodManager(IJoinMethodManager* manager);  // not owned; null allowed
    JoinMethodManager& OwnJoinMethodManager() { return own_join_methods_; }

    IIntentHolder* GetIntentHolder() const;
    void SetIntentHolder(IIntentHolder* holder);  // not owned; null restores the own holder
    IntentHolder& OwnIntentHolder() { return own_intent_holder_; }

    Broadcaster* GetBroadcaster() { return &broadcaster_; }

private:
    mutable QMutex mutex_;
    QMap<QString, IQuoteDataSourceController*> controllers_;
    MidResultQueue mid_results_;
    JoinMethodManager own_join_methods_;
    IJoinMethodManager* join_methods_;
    IntentHolder own_intent_holder_;
    IIntentHolder* intent_holder_;
    Broadcaster broadcaster_;
};
