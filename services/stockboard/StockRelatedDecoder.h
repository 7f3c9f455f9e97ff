#pragma once

#include <QByteArray>

#include "framework/DecodeResult.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"

// Decodes the body of a 12755 answer (first record only):
//
// | #  | field                        | width                                  |
// |----|------------------------------|----------------------------------------|
// | 1  | not interpreted              | 4                                      |
// | 2  | not interpreted              | 4                                      |
// | 3  | layout value V               | u16                                    |
// | 4  | mask 1                       | u32                                    |
// | 5  | mask 2                       | u32                                    |
// | 6  | not interpreted              | 4                                      |
// | 7  | not interpreted              | 2                                      |
// | 8  | record count                 | i16 (below 1: no record)               |
// | 9  | stock code                   | string                                 |
// | 10 | second string                | string                                 |
// | 11 | not interpreted              | 1                                      |
// | 12 | kept byte                    | 1                                      |
// | 13 | not interpreted              | 6 x 4                                  |
// | 14 | only when V is 105           | 2                                      |
// | 15 | mask 1 0x400                 | 4 x i32                                |
// | 16 | mask 1 0x40000000            | 3 x i32                                |
// | 17 | mask 2 0x20                  | 3 x u8                                 |
// Stateless; any thread.
DecodeResult<ResponsePkgEntity_12755> DecodeStockRelatedBody(const QByteArray& body);

namespace stock_related {
constexpr quint16 kLongLayout = 105;         // layout value that adds two bytes before the groups
constexpr quint32 kRatios = 0x400;           // mask 1
constexpr quint32 kAfterClose = 0x40000000;  // mask 1
constexpr quint32 kCategory = 0x20;          // mask 2
constexpr quint8 kGrowthBoardCategory = 25;  // category byte of growth-board stocks
}  // namespace stock_related
