#pragma once

#include "host/quoter/QuoteData.h"

// Quote data that carries one decoded package (a plain struct of wire fields): what a call whose
// package is a flat record publishes, caches and hands to the host and its joins.
// Threads: as QuoteData; immutable once shared.
template <typename Package>
class PackageQuoteData : public QuoteData {
public:
    PackageQuoteData() = default;
    explicit PackageQuoteData(const Package& p) : package(p) {}

    PackageQuoteData* Clone() const override { return new PackageQuoteData(*this); }

    Package package;
};
