#pragma once

#include <QString>

#include "host/core/DataRow.h"

// Base of every quote data object that travels from a data source to a scope tree node.
// It carries a small generic header that any producer may fill:
//   name        what produced it or what it is called (e.g. a K-line segment's source)
//   type        a producer-defined kind code
//   row         a single summary row
//   start_index first position the data covers, for paged answers
//   total_count number of items the source holds, for paged answers
// Clone returns a deep copy of the most-derived object; derived classes override it with their
// own type (covariant return).
//
// Threads: a value object; one thread at a time. Share it only after it is complete, and do not
// mutate a shared instance; Clone it instead.
class QuoteData {
public:
    QuoteData() = default;
    QuoteData(const QuoteData&) = default;
    QuoteData& operator=(const QuoteData&) = default;
    virtual ~QuoteData();

    virtual QuoteData* Clone() const;

    QString name;
    int type = 0;
    nscell::DataRow row;
    int start_index = 0;
    int total_count = 0;
};
