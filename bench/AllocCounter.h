#pragma once

// Counts heap allocations inside a benchmark binary: the binary that links AllocCounter.cpp
// replaces malloc and its relatives (forwarding to the C library's own), so every allocation of
// the process (operator new, Qt containers, QString) is counted without LD_PRELOAD.
//
// Threads: ThreadAllocations counts the calling thread's allocations and costs no atomic;
// AllThreadsAllocations counts every thread's, but only while CountAllThreads(true) is in force
// (one relaxed atomic add per allocation then).
namespace alloccount {

long ThreadAllocations();
long AllThreadsAllocations();
void CountAllThreads(bool on);

// Allocations made by the calling thread during its lifetime.
class ThreadScope {
public:
    ThreadScope() : start_(ThreadAllocations()) {}
    long Count() const { return ThreadAllocations() - start_; }

private:
    long start_;
};

}  // namespace alloccount
