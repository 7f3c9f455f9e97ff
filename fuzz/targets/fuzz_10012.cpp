#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qzfuzz::SilenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qzfuzz::StockDataSet10012(data, size);
    return 0;
}
