// The libFuzzer target of one decoder: the build compiles this file once per corpus folder,
// naming the folder in QZ_FUZZ_NAME, and the entry of that name runs.
#include <cstdio>
#include <cstdlib>

#include "fuzz/FuzzBudget.h"

namespace {
qzfuzz::Entry entry = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    entry = qzfuzz::FindEntry(QZ_FUZZ_NAME);
    if (entry == nullptr) {
        std::fprintf(stderr, "no fuzz entry named %s\n", QZ_FUZZ_NAME);
        std::abort();
    }
    qzfuzz::SilenceLog();
    qzfuzz::InstallBudget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qzfuzz::RunWithinBudget(entry, data, size);
    return 0;
}
