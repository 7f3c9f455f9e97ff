#pragma once

#include <QMap>
#include <QSharedPointer>
#include <QString>

#include "host/core/DataRow.h"
#include "host/quoter/QuoteData.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"
#include "services/stockboard/ResponsePkgEntity_10012.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"

// What a stock-board transcoder works on: the call results joined so far (by call name:
// "10001", "10002", "10012", "12755_stock_related") and the parent row it assigns cells in.
// Threads: a short-lived view, used on the joining thread only.
struct QzLv2BoardTranscoderArgs {
    const QMap<QString, QSharedPointer<QuoteData>>& sources;
    nscell::DataRow& row;

    // The joined snapshot-kind 10002 answer, or null.
    const ResponsePkgEntity_10002* Snapshot() const {
        return dynamic_cast<const ResponsePkgEntity_10002*>(sources.value("10002").data());
    }
    // The joined 10012 answer, or null.
    const ResponsePkgEntity_10012* DataSet() const {
        return dynamic_cast<const ResponsePkgEntity_10012*>(sources.value("10012").data());
    }
    // The joined 12755 answer, or null.
    const ResponsePkgEntity_12755* StockRelated() const {
        return dynamic_cast<const ResponsePkgEntity_12755*>(
            sources.value("12755_stock_related").data());
    }
};
