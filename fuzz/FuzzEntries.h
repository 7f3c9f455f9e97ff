#pragma once

#include <cstddef>
#include <cstdint>

// One entry per decoder that reads bytes from the network or the disk. Each takes any bytes and
// either decodes or rejects them; none may crash, read out of bounds or allocate without bound.
// The libFuzzer targets and the corpus replay test call the same entries.
namespace qzfuzz {

// True when the bytes decoded, false when they were rejected.
using Entry = bool (*)(const uint8_t* data, size_t size);

struct NamedEntry {
    const char* name;  // also the corpus folder name
    Entry entry;
};

// Every entry, for the replay test.
const NamedEntry* Entries(int* count);

// The entry of that corpus name, or null.
Entry FindEntry(const char* name);

// Drops Qt's log output: rejected inputs log a warning each.
void SilenceLog();

}  // namespace qzfuzz
