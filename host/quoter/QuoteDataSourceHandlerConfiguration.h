#pragma once

#include "host/quoter/HandlerConfiguration.h"
#include "host/quoter/PatternFeatureStatement.h"

class QuoteContext;
class QuoteDataSourceHandler;

// The configuration a data source handler hands by address to its resolvers and calls: the
// handler itself, its quote context and the two stock features it serves by.
// Threads: filled by the handler's constructor, read-only afterwards.
class QuoteDataSourceHandlerConfiguration : public HandlerConfiguration {
public:
    QuoteDataSourceHandler* handler = nullptr;  // not owned
    QuoteContext* context = nullptr;            // not owned
    PatternFeatureStatement lv2_feature;        // "LV2"
    PatternFeatureStatement transfer_feature;   // "Transfer"
};
