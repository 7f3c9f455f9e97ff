#pragma once

#include <chrono>

// Budgets of the stress tests. Under ThreadSanitizer everything runs 5-15 times slower, so the
// watchdog and the run-time caps stretch; the amount of work (iterations) stays the same.
namespace stress {

#if defined(__SANITIZE_THREAD__)
constexpr int kSlowdown = 10;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr int kSlowdown = 10;
#else
constexpr int kSlowdown = 1;
#endif
#else
constexpr int kSlowdown = 1;
#endif

// How long a test may take before the watchdog declares it hung.
inline std::chrono::seconds WatchdogLimit() {
    return std::chrono::seconds(30 * kSlowdown);
}

// The longest any traffic loop keeps going, whatever its iteration count says.
inline std::chrono::milliseconds RunCap() {
    return std::chrono::milliseconds(4000 * kSlowdown);
}

}  // namespace stress
