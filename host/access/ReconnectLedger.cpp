#include "host/access/ReconnectLedger.h"

namespace {

// The server functions whose requests set up state the server keeps for the connection.
constexpr int kFastQuoteFunction = 12989;  // pushes the asked stock's book from then on
constexpr int kPushListFunction = 10000;   // the list of stocks whose snapshots are pushed

}  // namespace

QByteArray ReconnectLedger::StandingKeyOf(const ServerRequest& request) {
    switch (request.funcId) {
        case kFastQuoteFunction:
            return QByteArray::number(request.funcId) + ':' + request.encoded;
        case kPushListFunction:
            return QByteArray::number(request.funcId);
        default:
            return QByteArray();
    }
}

bool ReconnectLedger::Append(const ServerRequest& request, qint64 nowMs) {
    GiveUp(nowMs);
    const QByteArray key = StandingKeyOf(request);
    if (key.isNull()) {
        plainByAge_.emplace_back(nowMs, request.taskId);
    } else {
        const auto replaced = standing_.constFind(key);
        if (replaced != standing_.constEnd()) {
            owed_.erase(replaced.value());
        }
        standing_.insert(key, request.taskId);
    }
    owed_.emplace(request.taskId, Owed{request, key});
    return up_;
}

void ReconnectLedger::Settle(int taskId) {
    const auto found = owed_.find(taskId);
    if (found != owed_.end() && found->second.standingKey.isNull()) {
        owed_.erase(found);
    }
}

const ServerRequest* ReconnectLedger::Find(int taskId) const {
    const auto found = owed_.find(taskId);
    return found == owed_.end() ? nullptr : &found->second.request;
}

void ReconnectLedger::Down() {
    up_ = false;
}

QList<ServerRequest> ReconnectLedger::Up(qint64 nowMs) {
    QList<ServerRequest> again;
    if (up_) {
        return again;
    }
    up_ = true;
    GiveUp(nowMs);
    for (const auto& entry : owed_) {
        again.append(entry.second.request);
    }
    return again;
}

// Plain requests are appended in time order, so the given-up ones are at the front; so are, as a
// rule, the settled ones (answers come back in about the order asked), which go too.
void ReconnectLedger::GiveUp(qint64 nowMs) {
    while (!plainByAge_.empty()) {
        const auto oldest = owed_.find(plainByAge_.front().second);
        if (oldest != owed_.end()) {
            if (plainByAge_.front().first > nowMs - kGiveUpMs) {
                return;
            }
            owed_.erase(oldest);
        }
        plainByAge_.pop_front();
    }
}
