#pragma once

#include <QByteArray>
#include <QString>

#include "framework/DecodeResult.h"
#include "services/stockboard/ResponsePkgEntity_10012.h"

// The 10012 answer: per-stock data a quote screen shows beside the quote, in groups chosen by the
// request mask (the answer echoes the mask it honours).
//
// | field                  | width            | when                                   |
// |------------------------|------------------|----------------------------------------|
// | header, not interpreted| 4, 4, 2, 2, 2    | always                                 |
// | record count           | u16              | 0: no record; only the first is decoded|
// | stock code             | string           | per record                             |
// | mask                   | u32              | per record                             |
// | limit up, limit down   | 2 x i32 (1/100)  | mask 0x20                              |
// | total, float shares    | 2 x packed       | mask 0x200                             |
// | connect quota balance  | packed (yuan)    | mask 0x400                             |
// | connect quota status   | u8               | mask 0x400                             |
// | eps, nav per share     | 2 x i32 (1/10^4) | mask 0x800                             |
//
// Request mask by market prefix: "SZ"/"SH" (A shares) 0x20 | 0xE00; "SO" (options) 0x20;
// "HH"/"HZ" (connect codes) 0x400; anything else 0x20.
// Stateless; any thread.
DecodeResult<ResponsePkgEntity_10012> DecodeStockDataSetBody(const QByteArray& body);

namespace stock_data_set {
constexpr quint32 kLimits = 0x20;
constexpr quint32 kShares = 0x200;
constexpr quint32 kQuota = 0x400;
constexpr quint32 kFinance = 0x800;
constexpr quint32 kEquityGroups = 0xE00;  // shares, quota, finance

quint32 RequestMaskFor(const QString& code);
// Sets the entity's row cells of every group carried so far, named after the fields: prices as
// price cells (2 decimals), shares as volumes, the quota as integers, the per-share figures as
// price cells of 4 decimals; each cell's integer is the value as it travels.
void FillRow(ResponsePkgEntity_10012& entity);
}  // namespace stock_data_set
