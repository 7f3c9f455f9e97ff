#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <random>
#include <vector>

#include "host/access/ScriptedServerBackend.h"

// Plays the quote server on a ScriptedServerBackend from a test thread: each step answers the
// requests recorded since the last one (10000, 10002 and 12989, with bodies from the wire
// encoders) and adds unsolicited traffic: 10001 pushes for random stocks of a wide pool (most of
// them subscribed by nobody) and repeated 12989 answers to old requests (their stocks possibly
// unsubscribed since), plus a 12989 push without context that the call must ignore.
// Threads: one thread steps an instance; the backend is thread-safe.
class StressServer {
public:
    StressServer(std::shared_ptr<ScriptedServerBackend> backend, quint32 seed);

    // Waits at most waitMs for a request, answers every recorded one, then sends `unsolicited`
    // messages. Returns the number of requests answered.
    int Step(int waitMs, int unsolicited);
    int AnsweredCount() const { return answered_; }

private:
    void AnswerRequest(const ServerRequest& request);
    void SendUnsolicited();
    QByteArray SnapshotBody(const QString& code, quint32 mask1, quint32 mask2, quint32 mask3);
    QByteArray FastQuoteBody(const QString& code);

    std::shared_ptr<ScriptedServerBackend> backend_;
    std::mt19937 random_;
    std::vector<ServerRequest> fast_history_;  // recent 12989 requests, bounded
    QHash<QString, QByteArray> fast_bodies_;   // code -> 12989 body
    int answered_ = 0;
};
