#pragma once

#include <QString>

#include "host/tolk/Handler.h"

class QuoteContext;

// Base of the handlers that serve quote requests: a chain link that knows the quote context.
// Threads: as the chain's Handler; the context reference never changes.
class QuoteDataSourceHandler : public kestrov::tolk::cor::Handler {
public:
    QuoteDataSourceHandler(QuoteContext& context, const QString& name);
    ~QuoteDataSourceHandler() override;

    QuoteContext& GetQuoteContext() const { return context_; }

private:
    QuoteContext& context_;
};
