#pragma once

#include <QtGlobal>

#include <QSharedPointer>

#include "host/quoter/ResponsePkgEntity_12989.h"

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

    // Not part of what the node shows: the book as decoded that the rows above show (converted
    // once the precision is known), so that the next book converts only the rows it changed (see
    // FastQuoteConversion::UpdateBook). Copies share it; it never changes once made.
    QSharedPointer<const ResponsePkgEntity_12989> decoded;
};
