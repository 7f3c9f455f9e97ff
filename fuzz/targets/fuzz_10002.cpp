#include "fuzz/FuzzBudget.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qzfuzz::SilenceLog();
    qzfuzz::InstallBudget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qzfuzz::RunWithinBudget(qzfuzz::StockSnapshot10002, data, size);
    return 0;
}
