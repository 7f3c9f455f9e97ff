#pragma once

#include <QMap>
#include <QSet>
#include <QString>

// Board codes a stock-board row shows for the numbers the snapshot carries:
//   first table   listing board, indexed by the snapshot's listing_board byte
//   second table  transfer type, indexed by its transfer_type byte
//   third table   board category, indexed by its board_category byte
// plus the markets whose rows get board codes, the markets whose rows get a trading channel,
// and the channel of each connect market.
// Threads: immutable data built on first use (thread-safe statics).
namespace board_codes {

const QMap<int, QString>& ListingBoards();
const QMap<int, QString>& TransferTypes();
const QMap<int, QString>& Categories();

const QSet<QString>& BoardCodeMarkets();   // {"SH", "SZ", "HH", "HZ"}
const QSet<QString>& ChannelMarkets();     // {"SH", "SZ", "HH", "HZ"}
const QMap<QString, QString>& Channels();  // "HH" -> "hgt", "HZ" -> "sgt", "HK" -> "hk"

}  // namespace board_codes
