#pragma once

#include <QByteArray>

#include "services/signals/ResponsePkgEntity_10015.h"
#include "services/signals/ResponsePkgEntity_10016.h"
#include "framework/DecodeResult.h"

// The two short-line signal bodies.
//   10015: i32 A, i32 B, i32 flags, u16 count N; N entries: string signal_type_code,
//          u16 signal_type_group_code, string signal_type_group_name, string signal_type_name,
//          u8 level when flags bit 0.
//   10016: i32 A, i32 B, i32 flags, 2 bytes skipped, i32 C, i32 D, i32 count N (N <= 0: none);
//          N signals: string stock_code, string stock_name, string signal_type_name, order
//          (i32 when flags bit 0, else u16), i16 direction, i32 signal_time, u8 value B, i32
//          value A, string signal_description, u8 value C when flags bit 1.
// A count larger than the bytes left can hold is a lie: the body is rejected whole before
// anything is reserved, as is any body shorter than its fields (the error names function,
// offset and length).
// Threads: stateless; any thread.
namespace signalwire {

constexpr int kTypeFunctionId = 10015;
constexpr int kSignalFunctionId = 10016;
constexpr int kMinTypeBytes = 8;     // three empty strings and the group code
constexpr int kMinSignalBytes = 21;  // four empty strings, u16 order, i16, i32, u8, i32

DecodeResult<ResponsePkgEntity_10015> DecodeSignalTypeBody(const QByteArray& body);
DecodeResult<ResponsePkgEntity_10016> DecodeSignalBody(const QByteArray& body);

}  // namespace signalwire
