#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qzfuzz::SilenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qzfuzz::RequestParams(data, size);
    return 0;
}
