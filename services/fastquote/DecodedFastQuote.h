#pragma once

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/fastquote/FastQuoteLevels.h"

// A fast-quote answer as the call publishes it: the package, plus the levels the decoder read it
// from (they hold the body), so that a join converting its queues to lots reads each queued
// volume as it came rather than parsing it back out of the row's text. A copy made as a plain
// package (or one made elsewhere) has no levels and is converted from its text.
// Threads: as QuoteData; the levels are immutable.
class DecodedFastQuote : public ResponsePkgEntity_12989 {
public:
    DecodedFastQuote* Clone() const override { return new DecodedFastQuote(*this); }

    FastQuoteLevelsPtr levels;
};

// The levels `book` was decoded from, when it carries them; else null.
inline const FastQuoteLevels* DecodedLevelsOf(const ResponsePkgEntity_12989& book) {
    const auto* decoded = dynamic_cast<const DecodedFastQuote*>(&book);
    return decoded != nullptr ? decoded->levels.get() : nullptr;
}
