#include "services/largedeals/LargeDealCacheEntry.h"

#include <algorithm>

namespace {

bool BySequence(const LargeDealRecord& a, const LargeDealRecord& b) {
    return a.sequence < b.sequence;
}

}  // namespace

LargeDealCacheEntry LargeDealCacheEntry::Merged(const ResponsePkgEntity_12990& answer,
                                                int answerBytes) const {
    // An answer's records ascend already; sort a copy only when a server sent them otherwise.
    QVector<LargeDealRecord> incoming = answer.records;
    if (!std::is_sorted(incoming.cbegin(), incoming.cend(), BySequence)) {
        std::stable_sort(incoming.begin(), incoming.end(), BySequence);
    }
    LargeDealCacheEntry merged;
    merged.records.reserve(records.size() + incoming.size());
    auto old = records.cbegin();
    auto next = incoming.cbegin();
    while (old != records.cend() || next != incoming.cend()) {
        if (next == incoming.cend() || (old != records.cend() && old->sequence < next->sequence)) {
            merged.records.append(*old++);
            continue;
        }
        if (old != records.cend() && old->sequence == next->sequence) {
            ++old;  // the newer record of the same sequence wins
        }
        // Of several incoming records with one sequence, the last one counts.
        if (next + 1 != incoming.cend() && (next + 1)->sequence == next->sequence) {
            ++next;
            continue;
        }
        merged.records.append(*next++);
    }
    if (merged.records.size() > kMaxRecords) {
        merged.records.remove(0, merged.records.size() - kMaxRecords);
    }
    merged.next_sequence = answer.next_sequence;
    merged.total_bytes = total_bytes + answerBytes;
    return merged;
}
