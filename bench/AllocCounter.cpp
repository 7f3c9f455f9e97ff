#include "bench/AllocCounter.h"

#include <atomic>
#include <cstddef>

// The C library's own allocator, under the names glibc exports for code that replaces malloc.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

// initial-exec: the counter lives in the executable's static TLS block, so touching it never
// allocates (which would recurse into malloc).
__attribute__((tls_model("initial-exec"))) thread_local long t_allocations = 0;
std::atomic<long> g_allocations{0};
std::atomic<bool> g_countAll{false};

inline void Count() {
    ++t_allocations;
    if (g_countAll.load(std::memory_order_relaxed)) {
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace

namespace alloccount {

long ThreadAllocations() {
    return t_allocations;
}

long AllThreadsAllocations() {
    return g_allocations.load(std::memory_order_relaxed);
}

void CountAllThreads(bool on) {
    g_countAll.store(on, std::memory_order_relaxed);
}

}  // namespace alloccount

extern "C" {

void* malloc(size_t size) {
    Count();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    Count();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
    Count();  // growing in place or moving: either way one trip to the allocator
    return __libc_realloc(pointer, size);
}

void free(void* pointer) {
    __libc_free(pointer);
}

void* memalign(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    Count();
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) {
        return 12;  // ENOMEM
    }
    *out = pointer;
    return 0;
}

}  // extern "C"
