#pragma once

#include <QSharedPointer>

#include "host/quoter/QuoteData.h"

// One result on its way to the client: the scope id of the node it answers and the data.
// Threads: a plain value.
struct QuoteTaskExecMidResult {
    int scope_id = 0;
    QSharedPointer<QuoteData> data;
};
