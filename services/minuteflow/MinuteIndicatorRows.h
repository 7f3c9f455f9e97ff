#pragma once

#include "services/minuteflow/ResponsePkgEntity_12988.h"

// The rows a host asking API type "12988" receives (no join of the plug-in converts them): one row
// per item, in item order, with the columns
//   "index"   the item's position (FromInteger), 0 for the first minute of the session;
//   "time"    that minute of the trading session, "hh:mm" (FromDateTime on 1 January 2019):
//             09:30 ... 11:29 for positions 0-119, 13:00 ... 14:59 for 120-239, 15:00 for 240,
//             later positions continue the clock;
//   "value1", "value2", "value3"  the item's three values as sent (FromBigInteger).
// Threads: stateless.
namespace minuteflow {

inline constexpr int kMorningMinutes = 120;  // 09:30-11:29

// hhmm of a session position (930 for 0, 1300 for 120).
int SessionMinuteOf(int position);
void FillIndicatorRows(ResponsePkgEntity_12988& entity);

}  // namespace minuteflow
