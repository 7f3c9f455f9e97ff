#include "host/core/HandOffBatch.h"

#include <QVarLengthArray>

#include <algorithm>

namespace {

constexpr int kUsualConsumers = 4;  // consumers a batch holds without allocating

struct OpenBatch {
    int depth = 0;
    QVarLengthArray<std::shared_ptr<HandOffBatch::Consumer>, kUsualConsumers> deferred;
};

thread_local OpenBatch t_batch;

}  // namespace

HandOffBatch::HandOffBatch() {
    ++t_batch.depth;
}

HandOffBatch::~HandOffBatch() {
    if (--t_batch.depth > 0) {
        return;
    }
    // A consumer's wake may hand off again (nothing defers now): take the list first.
    const auto wake = t_batch.deferred;
    t_batch.deferred.clear();
    for (const auto& consumer : wake) {
        consumer->Wake();
    }
}

bool HandOffBatch::Defer(const std::shared_ptr<Consumer>& consumer) {
    if (t_batch.depth == 0) {
        return false;
    }
    auto& deferred = t_batch.deferred;
    if (std::find(deferred.begin(), deferred.end(), consumer) == deferred.end()) {
        deferred.append(consumer);
    }
    return true;
}
