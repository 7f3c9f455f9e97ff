#pragma once

#include <QByteArray>

#include "framework/DecodeResult.h"
#include "services/largedeals/ResponsePkgEntity_12990.h"

// Decodes a 12990 body:
//   4 bytes, 4 bytes (not interpreted), string stock code (not used), u16 header value (its low
//   byte kept), i32 first sequence, u16 record count N, N records of 44 bytes:
//   u32 time, i32 deal price, i32 number, 8 + 8 bytes (carried), i32 In_number, i32 Out_number,
//   4 + 4 bytes (carried).
// The latest-deal kind (2) reads one record when N is 0: that answer carries it all the same.
// A body shorter than its count says is rejected whole (the error names function, offset and
// length); nothing partial is returned.
// Threads: stateless; any thread.
namespace largedeal {

constexpr int kFunctionId = 12990;
constexpr int kRecordBytes = 44;  // bytes of one record
constexpr int kLatestKind = 2;    // request kind of the latest large deal
constexpr int kPagedKind = 1;     // request kind of a page by index and count
constexpr int kKindParam = 3;     // the kind's place in the request: after code, start, number

DecodeResult<ResponsePkgEntity_12990> DecodeLargeDealBody(const QByteArray& body, int kind);

}  // namespace largedeal
