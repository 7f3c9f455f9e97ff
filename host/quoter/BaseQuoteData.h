#pragma once

#include <QList>
#include <QMap>
#include <QSharedPointer>
#include <QString>

#include "host/quoter/QuoteData.h"

// A request's result: a base row (the request's own parameters or summary), a list of rows (the
// output table) and, per source (e.g. a function id text), the latest data joined from it.
// Clone deep-copies the source data too.
// Threads: as QuoteData.
class BaseQuoteData : public QuoteData {
public:
    BaseQuoteData* Clone() const override;

    nscell::DataRow base_row;
    QList<nscell::DataRow> rows;
    QMap<QString, QSharedPointer<QuoteData>> sources;
};
