#pragma once

#include <QByteArray>

#include "framework/DecodeResult.h"
#include "services/deals/ResponsePkg_12915.h"
#include "services/deals/ResponsePkg_12917.h"

// Decoders of the deals answers. A body shorter than its layout, or whose counts announce more
// records or volumes than its bytes hold, is rejected whole (the error names the function,
// offset and length). Counts at or below 0 mean none. Stateless; any thread.
namespace deals {

constexpr int kPriceDealRecordBytes = 20;  // five u32
constexpr int kQueuedVolumeBytes = 4;      // one i32

DecodeResult<ResponsePkgEntity_12915> DecodePriceDealsBody(const QByteArray& body);
DecodeResult<ResponsePkgEntity_12917> DecodeWillDealsBody(const QByteArray& body);

}  // namespace deals
