#include "host/quoter/QuoteDataSourceHandler.h"

QuoteDataSourceHandler::QuoteDataSourceHandler(QuoteContext& context, const QString& name)
    : Handler(name), context_(context) {}

QuoteDataSourceHandler::~QuoteDataSourceHandler() = default;
