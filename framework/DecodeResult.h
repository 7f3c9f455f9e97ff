#pragma once

#include <QString>

#include <optional>

// The outcome of decoding one answer body. A body too short for what it announces, or whose
// counts lie, is rejected whole (ok false, error says which function read where); a well-formed
// body with no record is ok with an empty record. `consumed` tells where the decoded part ended,
// so that a reader can tell bytes after a complete body from further records it skips.
// Threads: a plain value.
template <typename Record>
struct DecodeResult {
    bool ok = false;
    std::optional<Record> record;  // the first record; empty when the body announced none
    QString error;                 // why the body was rejected
    int consumed = -1;             // bytes read up to the end of the first record; -1: unknown
    int announced = 0;             // records the body announced (only the first is decoded)

    static DecodeResult Rejected(const QString& why) { return {false, std::nullopt, why}; }
    static DecodeResult Empty(int consumed = -1) {
        return {true, std::nullopt, QString(), consumed, 0};
    }
    static DecodeResult Of(Record value, int consumed = -1, int announced = 1) {
        return {true, std::move(value), QString(), consumed, announced};
    }
};

class CMemArchiveError;

// "<function>: read of <wanted> bytes at offset <offset> exceeds body length <size>".
QString DescribeShortBody(const char* function, const CMemArchiveError& error);
