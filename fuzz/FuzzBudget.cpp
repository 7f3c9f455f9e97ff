#include "fuzz/FuzzBudget.h"

#include <sanitizer/allocator_interface.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace qzfuzz {
namespace {

// Only allocations made by the fuzzing thread while an entry runs count.
thread_local bool t_tracking = false;
thread_local long long t_live = 0;  // bytes; may go negative when older blocks are freed
thread_local long long t_peak = 0;  // bytes

struct Worst {
    long long heap = 0;  // bytes
    size_t heapInput = 0;
    long long cpuNs = 0;
    size_t cpuInput = 0;
} g_worst;

void OnMalloc(const volatile void*, size_t size) {
    if (t_tracking) {
        t_live += static_cast<long long>(size);
        t_peak = t_live > t_peak ? t_live : t_peak;
    }
}

void OnFree(const volatile void* ptr) {
    if (t_tracking && ptr) {
        t_live -= static_cast<long long>(__sanitizer_get_allocated_size(const_cast<void*>(ptr)));
    }
}

long long ThreadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void ReportWorst() {
    std::fprintf(stderr,
                 "budget: most heap held %lld bytes (input %zu bytes); most CPU %lld us (input "
                 "%zu bytes)\n",
                 g_worst.heap, g_worst.heapInput, g_worst.cpuNs / 1000, g_worst.cpuInput);
}

}  // namespace

void InstallBudget() {
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
    std::atexit(ReportWorst);
}

void RunWithinBudget(Entry entry, const uint8_t* data, size_t size) {
    static bool warm = false;  // the first input also pays for lazy set-up: not a decoder's cost
    t_live = t_peak = 0;
    t_tracking = true;
    const long long start = ThreadCpuNs();
    entry(data, size);
    const long long cpuNs = ThreadCpuNs() - start;
    t_tracking = false;

    if (t_peak > g_worst.heap) {
        g_worst.heap = t_peak;
        g_worst.heapInput = size;
    }
    if (warm && cpuNs > g_worst.cpuNs) {
        g_worst.cpuNs = cpuNs;
        g_worst.cpuInput = size;
    }
    warm = true;
    const long long heapLimit = static_cast<long long>(kHeapFactor * size + kHeapAllowance);
    if (t_peak > heapLimit) {
        std::fprintf(stderr, "budget: input of %zu bytes held %lld bytes of heap (limit %lld)\n",
                     size, t_peak, heapLimit);
        std::abort();
    }
}

}  // namespace qzfuzz
