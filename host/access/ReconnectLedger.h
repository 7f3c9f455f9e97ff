#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

#include <deque>
#include <map>
#include <utility>

#include "host/access/ServerBackend.h"

// What an accessor owes its server when the link comes back (docs/reconnection.md): the requests
// not yet answered, and the standing requests, which set up state the server keeps for the
// connection and forgets when it drops (a stock's pushed book, the push list).
//
//   - A plain request is owed from Append until its answer or failure (Settle), or until it is
//     kGiveUpMs old: by then its caller has asked again if it still wants it.
//   - A standing request is owed until a later request with the same standing key replaces it:
//     12989 keys by its parameters (one book a stock), 10000 by the function (one push list).
//   - Down holds every request appended from then on; Up returns everything owed, each once, in
//     the order appended, and sends again from then on.
//
// Threads: none of its own; the accessor calls it under the one mutex that also orders its sends.
class ReconnectLedger {
public:
    static constexpr qint64 kGiveUpMs = 10000;  // ms after which an unanswered request is dropped

    // Records the request; true when it is to be sent now (the link is up).
    bool Append(const ServerRequest& request, qint64 nowMs);
    // The answer or failure of a task arrived.
    void Settle(int taskId);
    void Down();
    // The link is back: the requests to send again, oldest first; none when it was not down.
    QList<ServerRequest> Up(qint64 nowMs);

    // The request of a task still owed (for a backend that matches answers to their requests),
    // or null. Valid until the next call that changes the ledger.
    const ServerRequest* Find(int taskId) const;

    bool IsUp() const { return up_; }
    int OwedCount() const { return int(owed_.size()); }

    // The key a standing request is replaced by, or a null array for a plain request.
    static QByteArray StandingKeyOf(const ServerRequest& request);

private:
    struct Owed {
        ServerRequest request;
        QByteArray standingKey;  // null: plain
    };

    void GiveUp(qint64 nowMs);

    bool up_ = true;                                 // until the server reports otherwise
    std::map<int, Owed> owed_;                       // task id -> request, in append order
    QHash<QByteArray, int> standing_;                // standing key -> its task id
    std::deque<std::pair<qint64, int>> plainByAge_;  // (appended ms, task id), oldest first
};
