#pragma once

#include <QHash>

// How a resolver split a node into children (8: split into remote-call children). 0 means
// "not split". Part of the join-method key.
//
// Threads: a plain value.
class ScopeSplitTypeVariant {
public:
    ScopeSplitTypeVariant() = default;
    explicit ScopeSplitTypeVariant(int value) : value_(value) {}

    int Value() const { return value_; }

    bool operator==(const ScopeSplitTypeVariant& o) const { return value_ == o.value_; }
    bool operator!=(const ScopeSplitTypeVariant& o) const { return value_ != o.value_; }
    bool operator<(const ScopeSplitTypeVariant& o) const { return value_ < o.value_; }

private:
    int value_ = 0;
};

inline uint qHash(const ScopeSplitTypeVariant& split, uint seed = 0) {
    return ::qHash(split.Value(), seed);
}
