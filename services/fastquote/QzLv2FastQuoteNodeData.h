#pragma once

#include <QtGlobal>

#include <memory>

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/fastquote/FastQuoteConversion.h"

// What an "l2_fast_quote" node carries once its children are joined: the book of the fast quote
// plus what the basic quote adds, the price precision (decimals; -1 until the basic quote gives
// it) and the stock's 16-bit type value (-1 until given; carried for the screens, not used here).
// Threads: as QuoteData.
class QzLv2FastQuoteNodeData : public ResponsePkgEntity_12989 {
public:
    QzLv2FastQuoteNodeData() = default;
    QzLv2FastQuoteNodeData(const QzLv2FastQuoteNodeData& other) = default;
    ~QzLv2FastQuoteNodeData() override = default;

    QzLv2FastQuoteNodeData* Clone() const override { return new QzLv2FastQuoteNodeData(*this); }

    bool HasPrecision() const { return precision >= 0; }

    qint32 precision = -1;
    qint16 stock_type = -1;

    // Not part of what the node shows: what the last conversion of the book left for the next
    // one, so that the levels a push did not change are not converted again (see
    // FastQuoteConversion). Copies share it; it never changes once made.
    std::shared_ptr<const FastQuoteConvertedBook> converted;
};
