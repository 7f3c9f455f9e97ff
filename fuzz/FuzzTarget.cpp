// The libFuzzer target of one decoder: the build compiles this file once per entry, naming the
// entry in QZ_FUZZ_ENTRY (a function of FuzzEntries.h).
#include "fuzz/FuzzBudget.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qzfuzz::SilenceLog();
    qzfuzz::InstallBudget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qzfuzz::RunWithinBudget(qzfuzz::QZ_FUZZ_ENTRY, data, size);
    return 0;
}
