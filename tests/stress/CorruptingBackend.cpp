#include "tests/stress/CorruptingBackend.h"

#include <QMutexLocker>

#include "services/stockboard/StockSnapshotDecoder.h"

namespace {

constexpr int kFastQuote = 12989;
constexpr int kPushList = 10000;
constexpr int kPushed = 10001;
constexpr int kSnapshot = 10002;

}  // namespace

// Stands for one accessor link towards the inner backend.
class CorruptingBackend::Link : public IServerLink {
public:
    Link(CorruptingBackend& owner, IServerLink* target) : owner_(owner), target_(target) {}

    void Answer(const ServerRequest& request, const QByteArray& body) override {
        Pass(request.funcId, &request, body);
    }
    void Fail(const ServerRequest& request, int code, const QString& text) override {
        target_->Fail(request, code, text);
    }
    void Push(int funcId, const QByteArray& body) override { Pass(funcId, nullptr, body); }
    void ReportAccessState(_enAccessState state) override { target_->ReportAccessState(state); }

    void Flush() {
        QMutexLocker lock(&owner_.mutex_);
        if (held_) {
            Held held = std::move(*held_);
            held_.reset();
            owner_.Deliver(target_, held.funcId, held.answer ? &held.request : nullptr, held.body);
        }
    }

private:
    struct Held {
        bool answer = false;
        ServerRequest request;
        int funcId = 0;
        QByteArray body;
    };

    static QString CodeOf(int funcId, const ServerRequest* request, const QByteArray& body) {
        if (request != nullptr && funcId == kFastQuote) {
            return request->params.value(0).second.toString();
        }
        if (request != nullptr && funcId == kSnapshot) {
            return request->params.value(2).second.toStringList().value(0);
        }
        if (funcId == kPushed) {
            const DecodeResult<StockSnapshot> decoded = DecodeStockSnapshotBody(body);
            return decoded.ok && decoded.record ? decoded.record->code : QString();
        }
        return QString();  // 10000, 10012, 12755: never spoiled
    }

    void Pass(int funcId, const ServerRequest* request, const QByteArray& body) {
        QMutexLocker lock(&owner_.mutex_);
        const std::optional<Spoil> spoil =
            funcId == kPushList ? std::nullopt : owner_.Pick(funcId, CodeOf(funcId, request, body));
        if (!spoil) {
            owner_.Deliver(target_, funcId, request, body);
        } else if (*spoil == Spoil::Reordered) {
            Flush();  // at most one held back at a time
            held_ = Held{request != nullptr, request ? *request : ServerRequest(), funcId, body};
            return;  // delivered after the next message
        } else if (*spoil == Spoil::Duplicated) {
            owner_.Deliver(target_, funcId, request, body);
            owner_.Deliver(target_, funcId, request, body);
        } else if (*spoil == Spoil::NoContext) {
            ServerRequest bare = *request;
            bare.context.reset();
            owner_.Deliver(target_, funcId, &bare, body);
        } else {
            owner_.Deliver(target_, funcId, request, owner_.SpoilBody(*spoil, body));
        }
        Flush();
    }

    CorruptingBackend& owner_;
    IServerLink* const target_;
    std::optional<Held> held_;
};

CorruptingBackend::CorruptingBackend(std::shared_ptr<IServerBackend> inner,
                                     QSet<QString> dirtyCodes, int percent, quint32 seed)
    : inner_(std::move(inner)), dirty_(std::move(dirtyCodes)), percent_(percent), random_(seed) {}

CorruptingBackend::~CorruptingBackend() {
    qDeleteAll(links_);
}

// The inner backend is called without the lock: it calls the proxies back under its own.
void CorruptingBackend::Attach(IServerLink* link) {
    QMutexLocker lock(&mutex_);
    Link*& proxy = links_[link];
    Link* const attached = proxy != nullptr ? proxy : (proxy = new Link(*this, link));
    lock.unlock();
    inner_->Attach(attached);
}

// After the inner backend let go of the proxy, nothing calls it any more.
void CorruptingBackend::Detach(IServerLink* link) {
    QMutexLocker lock(&mutex_);
    std::unique_ptr<Link> proxy(links_.take(link));
    lock.unlock();
    if (proxy != nullptr) {
        inner_->Detach(proxy.get());
    }
}

void CorruptingBackend::OnRequest(IServerLink* link, const ServerRequest& request) {
    QMutexLocker lock(&mutex_);
    Link* const proxy = links_.value(link);
    lock.unlock();
    if (proxy != nullptr) {
        inner_->OnRequest(proxy, request);
    }
}

void CorruptingBackend::Flush() {
    QMutexLocker lock(&mutex_);
    for (Link* link : qAsConst(links_)) {
        link->Flush();
    }
}

std::optional<CorruptingBackend::Spoil> CorruptingBackend::Pick(int funcId, const QString& code) {
    if (!dirty_.contains(code) || int(random_() % 100) >= percent_) {
        return std::nullopt;
    }
    auto kind = Spoil(random_() % unsigned(Spoil::Count));
    if (kind == Spoil::NoContext && funcId != kFastQuote) {
        kind = Spoil::Duplicated;  // only 12989 answers carry a context that matters
    }
    ++spoiled[kind];
    return kind;
}

QByteArray CorruptingBackend::SpoilBody(Spoil kind, const QByteArray& body) {
    QByteArray spoilt = body;
    if (kind == Spoil::Truncated) {
        spoilt.truncate(body.isEmpty() ? 0 : int(random_() % unsigned(body.size())));
    } else if (kind == Spoil::BitFlipped) {
        for (int flips = 1 + int(random_() % 3); flips > 0 && !spoilt.isEmpty(); --flips) {
            const int bit = int(random_() % unsigned(spoilt.size() * 8));
            spoilt[bit / 8] = char(spoilt.at(bit / 8) ^ (1 << (bit % 8)));
        }
    }
    return spoilt;
}

void CorruptingBackend::Deliver(IServerLink* target, int funcId, const ServerRequest* request,
                                const QByteArray& body) {
    if (request != nullptr) {
        target->Answer(*request, body);
    } else {
        target->Push(funcId, body);
    }
}
