#pragma once

#include <QString>

#include <optional>

// The outcome of decoding one answer body. A body too short for what it announces, or whose
// counts lie, is rejected whole (ok false, error says which function read where); a well-formed
// body with no record is ok with an empty record.
// Threads: a plain value.
template <typename Record>
struct DecodeResult {
    bool ok = false;
    std::optional<Record> record;  // the first record; empty when the body announced none
    QString error;                 // why the body was rejected

    static DecodeResult Rejected(const QString& why) { return {false, std::nullopt, why}; }
    static DecodeResult Empty() { return {true, std::nullopt, QString()}; }
    static DecodeResult Of(Record value) { return {true, std::move(value), QString()}; }
};

class CMemArchiveError;

// "<function>: read of <wanted> bytes at offset <offset> exceeds body length <size>".
QString DescribeShortBody(const char* function, const CMemArchiveError& error);
