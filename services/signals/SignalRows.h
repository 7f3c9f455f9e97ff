#pragma once

#include <QString>

#include "host/core/DataRow.h"
#include "services/signals/ResponsePkgEntity_10015.h"
#include "services/signals/ResponsePkgEntity_10016.h"

// The rows of the short-line tables.
// Threads: stateless.
namespace shortline {

// "signal_type_code", "signal_type_name" (translater keyed by the code), "signal_type_group_code"
// (decimal text), "signal_type_group_name" (translater keyed by the group code text).
nscell::DataRow SignalTypeRow(const SignalType& type);
// "order", "stock_name", "stock_code", "signal_type_name", "signal_type_deal_direction",
// "signal_time" (hh:mm:ss of 1900-01-01 at the signal's time), "signal_description".
nscell::DataRow SignalRow(const ShortLineSignal& signal);
// The type row plus "signal_type_deal_direction" (translater keyed by the direction, "买" above 0,
// else "卖") and "signal_type_statistics".
nscell::DataRow StatisticsRow(const SignalType& type, int direction, qint64 count);

}  // namespace shortline
