#include "tests/stress/StressServer.h"

#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"
#include "sim/wire/stockboard/StockBoardEncoders.h"
#include "tests/stress/StressIntents.h"

namespace {

constexpr int kPushListFunction = 10000;
constexpr int kPushFunction = 10001;
constexpr int kSnapshotFunction = 10002;
constexpr int kFastQuoteFunction = 12989;

// Parameter positions: 10002 sends (u16, u16, codes, mask1, mask2, mask3); 12989 starts with the
// code.
constexpr int kCodesParam = 2;
constexpr int kMask1Param = 3;
constexpr int kFastCodeParam = 0;

// What the server refreshes in a 10001 push (no snapshot-kind bit).
constexpr quint32 kPushMask1 = 0x19600FDF;
constexpr quint32 kPushMask2 = 0x60400415;
constexpr quint32 kPushMask3 = 0x4000;

constexpr size_t kFastHistory = 64;  // requests kept for repeated answers
constexpr int kBookLevels = 10;
constexpr int kQueuedPerLevel = 3;

quint32 MaskAt(const ServerRequest& request, int index) {
    return quint32(request.params.value(index).second.toLongLong());
}

}  // namespace

StressServer::StressServer(std::shared_ptr<ScriptedServerBackend> backend, quint32 seed)
    : backend_(std::move(backend)), random_(seed) {}

int StressServer::Step(int waitMs, int unsolicited) {
    backend_->WaitForRequests(1, waitMs);
    // A request recorded between these two calls is lost, as if the server missed it: the
    // driver asks again at its next tick.
    const QList<ServerRequest> requests = backend_->Requests();
    backend_->ClearRequests();
    for (const ServerRequest& request : requests) {
        AnswerRequest(request);
    }
    for (int i = 0; i < unsolicited; ++i) {
        SendUnsolicited();
    }
    return requests.size();
}

void StressServer::AnswerRequest(const ServerRequest& request) {
    switch (request.funcId) {
        case kPushListFunction:
            backend_->Answer(request, simwire::EncodeEmptyStockSnapshotBody());
            break;
        case kSnapshotFunction: {
            const QString code = request.params.value(kCodesParam).second.toStringList().value(0);
            backend_->Answer(request, SnapshotBody(code, MaskAt(request, kMask1Param),
                                                   MaskAt(request, kMask1Param + 1),
                                                   MaskAt(request, kMask1Param + 2)));
            break;
        }
        case kFastQuoteFunction: {
            const QString code = request.params.value(kFastCodeParam).second.toString();
            backend_->Answer(request, FastQuoteBody(code));
            if (fast_history_.size() == kFastHistory) {
                fast_history_.erase(fast_history_.begin());
            }
            fast_history_.push_back(request);
            break;
        }
        default:
            return;  // 10012 / 12755 are not asked for by these tests
    }
    ++answered_;
}

void StressServer::SendUnsolicited() {
    const int pick = int(random_() % 8);
    if (pick == 0) {
        // No process context: the fast-quote receiver has to drop it.
        backend_->Push(kFastQuoteFunction, FastQuoteBody(stress::CodeAt(0)));
    } else if (pick < 4 && !fast_history_.empty()) {
        const ServerRequest& old = fast_history_.at(random_() % fast_history_.size());
        backend_->Answer(old, FastQuoteBody(old.params.value(kFastCodeParam).second.toString()));
    } else {
        const QString code = stress::CodeAt(int(random_() % stress::kPushPool));
        backend_->Push(kPushFunction, SnapshotBody(code, kPushMask1, kPushMask2, kPushMask3));
    }
}

QByteArray StressServer::SnapshotBody(const QString& code, quint32 mask1, quint32 mask2,
                                      quint32 mask3) {
    StockSnapshot snapshot = simwire::MakeFullStockSnapshot(code);
    snapshot.mask1 = mask1;
    snapshot.mask2 = mask2;
    snapshot.mask3 = mask3;
    return simwire::EncodeStockSnapshotBody(snapshot);
}

QByteArray StressServer::FastQuoteBody(const QString& code) {
    auto found = fast_bodies_.constFind(code);
    if (found != fast_bodies_.constEnd()) {
        return found.value();
    }
    const qint32 midPrice = 1000 + 10 * int(fast_bodies_.size());
    const QByteArray body = simwire::EncodeFastQuoteBody(
        simwire::MakeFullFastQuoteBook(code, midPrice, kBookLevels, kQueuedPerLevel));
    fast_bodies_.insert(code, body);
    return body;
}
