#pragma once

#include <QString>

// Column names and fixed texts of the fast-quote rows. Built once: rows copy these strings by
// reference count instead of making a new string per cell.
namespace fastquote {

// Level row: one per price level.
inline const QString kType = QStringLiteral("type");
inline const QString kPrice = QStringLiteral("price");
inline const QString kVol = QStringLiteral("vol");
inline const QString kIsBig = QStringLiteral("isbig");

// Queue row: the orders queued at one price level.
inline const QString kWillType = QStringLiteral("will_type");
inline const QString kWillPrice = QStringLiteral("will_price");
inline const QString kVolumeUnit = QStringLiteral("volume_unit");
inline const QString kTotalWillCount = QStringLiteral("total_will_count");
inline const QString kWillVolumeList = QStringLiteral("will_volume_list");
inline const QString kBigVolumeIndexList = QStringLiteral("big_volumeindex_list");

// Summary row of the book.
inline const QString kPrevPriceBase = QStringLiteral("prev_price_base");

inline const QString kBuy = QStringLiteral("buy");
inline const QString kSell = QStringLiteral("sell");
inline const QString kLotText = QString(QChar(0x624B));  // "手"
constexpr int kSharesPerLot = 100;                       // shares

}  // namespace fastquote
