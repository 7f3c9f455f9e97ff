#include "tests/stress/DeliveryLedger.h"

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"

namespace {
constexpr int kMaxViolationsKept = 20;  // the first ones tell the story
}

QuoteTaskExecMidResult DeliveryLedger::Marker(int barrier) {
    QuoteTaskExecMidResult marker;
    marker.scope_id = -barrier;
    return marker;
}

int DeliveryLedger::AddBarrier(const QList<int>& detached) {
    QList<int> ids;  // a block of its own, not shared with the caller's thread
    ids.reserve(detached.size());
    for (int id : detached) {
        ids.append(id);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    barriers_.append(ids);
    return barriers_.size();
}

void DeliveryLedger::Take(const QuoteTaskExecMidResult& result) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (result.scope_id < 0) {
        PassBarrierLocked(-result.scope_id);
        return;
    }
    Delivery delivery;
    delivery.scope_id = result.scope_id;
    if (const auto* snapshot = dynamic_cast<const ResponsePkgEntity_10002*>(result.data.data())) {
        delivery.kind = Kind::Snapshot;
        delivery.code = snapshot->snapshot.code;
    } else if (dynamic_cast<const ResponsePkgEntity_12989*>(result.data.data()) != nullptr) {
        delivery.kind = Kind::FastQuote;
    }
    deliveries_.append(delivery);
    if (retired_.contains(result.scope_id) && violations_.size() < kMaxViolationsKept) {
        violations_ << QStringLiteral("scope id %1 delivered after its detach was observed")
                           .arg(result.scope_id);
    }
}

void DeliveryLedger::PassBarrierLocked(int barrier) {
    if (barrier < 1 || barrier > barriers_.size()) {
        violations_ << QStringLiteral("unknown barrier %1 popped").arg(barrier);
        return;
    }
    for (int id : barriers_.at(barrier - 1)) {
        retired_.insert(id);
    }
    ++passed_;
}

void DeliveryLedger::AddViolation(const QString& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (violations_.size() < kMaxViolationsKept) {
        violations_ << what;
    }
}

QList<DeliveryLedger::Delivery> DeliveryLedger::Deliveries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return deliveries_;
}

QStringList DeliveryLedger::Violations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return violations_;
}

int DeliveryLedger::DeliveryCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return deliveries_.size();
}

int DeliveryLedger::BarriersPassed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return passed_;
}

int DeliveryLedger::IdsRetired() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return retired_.size();
}
