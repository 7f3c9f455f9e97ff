#pragma once

#include "host/quoter/QuoterStockFeatureDict.h"

// The client's feature store. Default() is the process-wide instance.
// Threads: the instance is created once (thread-safe static); the dictionary guards itself.
class QuoterFeatureDAO {
public:
    static QuoterFeatureDAO* Default();

    QuoterStockFeatureDict* GetStockDict() { return &stock_dict_; }

private:
    QuoterFeatureDAO() = default;

    QuoterStockFeatureDict stock_dict_;
};
