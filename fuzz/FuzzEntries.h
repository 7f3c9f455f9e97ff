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

bool FastQuote12989(const uint8_t* data, size_t size);
bool StockSnapshot10002(const uint8_t* data, size_t size);
bool StockRelated12755(const uint8_t* data, size_t size);
bool StockDataSet10012(const uint8_t* data, size_t size);
bool RequestParams(const uint8_t* data, size_t size);
bool HistoryFile(const uint8_t* data, size_t size);
bool MarketList(const uint8_t* data, size_t size);
bool StockFlow12930(const uint8_t* data, size_t size);
bool BoardFlow12932(const uint8_t* data, size_t size);
bool BoardAnalysis12973(const uint8_t* data, size_t size);
bool PriceDeals12915(const uint8_t* data, size_t size);
bool WillDeals12917(const uint8_t* data, size_t size);
// The first byte picks the request kind (odd: the latest deal, kind 2); the rest is the body.
bool LargeDeal12990(const uint8_t* data, size_t size);
bool SignalType10015(const uint8_t* data, size_t size);
bool Signal10016(const uint8_t* data, size_t size);

// Every entry, for the replay test.
const NamedEntry* Entries(int* count);

// Drops Qt's log output: rejected inputs log a warning each.
void SilenceLog();

}  // namespace qzfuzz
