#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

#include "host/quoter/QuoteData.h"

// The first record of a 12755 answer, as quote data handed to the host. Groups of values whose
// mask bit was clear stay zero (has_* tells) until a cached record is merged with a newer one.
// Threads: as QuoteData.
class ResponsePkgEntity_12755 : public QuoteData {
public:
    ResponsePkgEntity_12755* Clone() const override { return new ResponsePkgEntity_12755(*this); }

    quint16 layout = 0;  // the body's layout value (105 adds two bytes before the groups)
    quint32 mask1 = 0;
    quint32 mask2 = 0;
    QString code;         // market prefix + code
    QString market_code;  // first two characters of code
    QString second_text;  // the record's second string
    quint8 kept_byte = 0;
    bool has_ratios = false;                 // mask 1 bit 0x400
    std::array<qint32, 4> ratios{};          // [2] float ratio 20d, [3] turnover ratio 20d (bp)
    bool has_after_close = false;            // mask 1 bit 0x40000000
    std::array<qint32, 3> after_close{};     // [0] volume (shares), [1] capital (10^4 yuan)
    bool has_category = false;               // mask 2 bit 0x20
    std::array<quint8, 3> category_bytes{};  // [1] the category byte (25: growth-board stock)

    qint32 FloatRatio20d() const { return ratios[2]; }
    qint32 TurnoverRatio20d() const { return ratios[3]; }
    qint32 AfterCloseVolume() const { return after_close[0]; }
    qint32 AfterCloseCapital() const { return after_close[1]; }
    quint8 Category() const { return category_bytes[1]; }

    // Takes what `newer` carried: its head, and each group whose mask bit it had set; a group it
    // left out keeps the value held here.
    void MergeFrom(const ResponsePkgEntity_12755& newer);
};
