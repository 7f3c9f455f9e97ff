#pragma once

// A copy of an implicitly shared Qt container that shares nothing with the original. Taken under
// the lock that guards the original, it can be read on another thread while the original changes:
// Qt 5 decides whether to detach with a relaxed read of the reference count, so a shared copy read
// on one thread while the original is appended to on another is a data race.
template <typename Container>
Container DetachedCopy(const Container& original) {
    Container copy = original;
    copy.detach();
    return copy;
}
