#pragma once

#include <QByteArray>

#include "framework/DecodeResult.h"
#include "services/stockboard/StockSnapshot.h"

// Decodes the body of a 10001 or 10002 answer: a 14-byte header, a u16 record count, then the
// records; only the first record is decoded. A record is three u32 masks followed by the fields
// their bits announce, in the order of the table beside StockSnapshot. masks and carried masks of
// the result are the record's masks.
// Stateless; any thread.
DecodeResult<StockSnapshot> DecodeStockSnapshotBody(const QByteArray& body);
