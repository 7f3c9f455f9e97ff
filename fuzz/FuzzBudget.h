#pragma once

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzEntries.h"

// Holds a decoder to its heap budget for every fuzz input: what it holds at any moment grows by at
// most kHeapFactor times the input plus kHeapAllowance. Going over aborts, so libFuzzer keeps the
// input as a finding. The worst input seen (heap, and the thread's CPU time, which instrumentation
// inflates: bench_fuzzcorpus gives the real figure) is printed at exit. Needs AddressSanitizer's
// allocator hooks (the QZ_FUZZ build).
// Threads: the fuzzing thread only; allocations on other threads are not counted.
namespace qzfuzz {

constexpr size_t kHeapFactor = 32;
constexpr size_t kHeapAllowance = 64 * 1024;  // bytes

// Call once from LLVMFuzzerInitialize.
void InstallBudget();

// Runs the entry on the input under the budget.
void RunWithinBudget(Entry entry, const uint8_t* data, size_t size);

}  // namespace qzfuzz
